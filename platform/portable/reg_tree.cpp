#include "platform/portable/reg_tree.h"

#include <algorithm>

#include "platform/error.h"
#include "platform/unicode.h"

namespace ovr::platform::regstore {
namespace {

char16_t FoldUnit(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 0x20;
  if (c < 0x80) return c;
  if ((c >= 0x00E0 && c <= 0x00FE && c != 0x00F7)) return c - 0x20;
  if (c == 0x00FF) return 0x0178;
  // Latin Extended-A pairs upper/lower on even/odd code points (with a few exceptions that
  // do not matter for names).
  if (c >= 0x0100 && c <= 0x0137 && (c & 1)) return c - 1;
  if (c >= 0x014A && c <= 0x0177 && (c & 1)) return c - 1;
  if (c >= 0x0139 && c <= 0x0148 && !(c & 1)) return c - 1;
  if (c >= 0x03B1 && c <= 0x03C9 && c != 0x03C2) return c - 0x20;
  if (c >= 0x0430 && c <= 0x044F) return c - 0x20;
  if (c >= 0x0450 && c <= 0x045F) return c - 0x50;
  return c;
}

std::string FoldAscii(std::string_view name) {
  std::string out(name);
  for (char &c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
  }
  return out;
}

}  // namespace

std::string FoldName(std::string_view name) {
  bool ascii = std::all_of(name.begin(), name.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return FoldAscii(name);
  std::u16string wide;
  if (Utf8ToUtf16(name, wide) != kErrorSuccess) return FoldAscii(name);
  for (char16_t &c : wide) c = FoldUnit(c);
  std::string out;
  if (Utf16ToUtf8(wide, out) != kErrorSuccess) return FoldAscii(name);
  return out;
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string JoinKeyPath(const std::vector<std::string> &parts) {
  std::string out;
  for (const auto &part : parts) {
    if (!out.empty()) out += '\\';
    out += part;
  }
  return out;
}

namespace {
struct RootNameEntry {
  RegRoot root;
  std::string_view name;
};
constexpr RootNameEntry kRootNames[] = {
    {RegRoot::ClassesRoot, "HKEY_CLASSES_ROOT"},   {RegRoot::CurrentUser, "HKEY_CURRENT_USER"},
    {RegRoot::LocalMachine, "HKEY_LOCAL_MACHINE"}, {RegRoot::Users, "HKEY_USERS"},
    {RegRoot::CurrentConfig, "HKEY_CURRENT_CONFIG"},
};
}  // namespace

std::string_view RootName(RegRoot root) {
  for (const auto &entry : kRootNames) {
    if (entry.root == root) return entry.name;
  }
  return {};
}

bool RootFromName(std::string_view name, RegRoot &root) {
  std::string folded = FoldAscii(name);
  for (const auto &entry : kRootNames) {
    if (folded == entry.name) {
      root = entry.root;
      return true;
    }
  }
  return false;
}

std::vector<std::string> MapView(RegRoot root, std::vector<std::string> parts, uint32_t access) {
  if (root != RegRoot::LocalMachine || (access & kKeyWow64_64Key) || parts.size() < 2) {
    return parts;
  }
  if (FoldAscii(parts[0]) != "SOFTWARE" || FoldAscii(parts[1]) == "WOW6432NODE") return parts;
  parts.insert(parts.begin() + 1, "Wow6432Node");
  return parts;
}

Value *Key::FindValue(std::string_view valueName) {
  std::string folded = FoldName(valueName);
  for (auto &value : values) {
    if (FoldName(value.name) == folded) return &value;
  }
  return nullptr;
}

Key *Key::FindSubkey(std::string_view keyName) {
  auto it = subkeys.find(FoldName(keyName));
  return it == subkeys.end() ? nullptr : it->second.get();
}

Tree::Tree() { Clear(); }

void Tree::Clear() {
  roots_.clear();
  for (const auto &entry : kRootNames) {
    auto key = std::make_unique<Key>();
    key->name = std::string(entry.name);
    roots_[entry.root] = std::move(key);
  }
}

Key &Tree::Root(RegRoot root) { return *roots_.at(root); }
const Key &Tree::Root(RegRoot root) const { return *roots_.at(root); }

Key *Tree::Find(RegRoot root, const std::vector<std::string> &parts) {
  auto it = roots_.find(root);
  if (it == roots_.end()) return nullptr;
  Key *key = it->second.get();
  for (const auto &part : parts) {
    key = key->FindSubkey(part);
    if (!key) return nullptr;
  }
  return key;
}

Key &Tree::Ensure(RegRoot root, const std::vector<std::string> &parts, bool &created) {
  Key *key = roots_.at(root).get();
  created = false;
  for (const auto &part : parts) {
    auto &slot = key->subkeys[FoldName(part)];
    created = !slot;
    if (created) {
      slot = std::make_unique<Key>();
      slot->name = part;
    }
    key = slot.get();
  }
  return *key;
}

Key &Tree::Create(RegRoot root, const std::vector<std::string> &parts, bool &created) {
  Key *key = &Root(root);
  created = false;
  for (size_t i = 0; i < parts.size(); ++i) {
    std::vector<std::string> prefix(parts.begin(), parts.begin() + i + 1);
    key = &Ensure(root, prefix, created);
    key->listed = true;
  }
  return *key;
}

uint32_t Tree::Delete(RegRoot root, const std::vector<std::string> &parts) {
  if (parts.empty()) return kErrorAccessDenied;
  std::vector<std::string> parentPath(parts.begin(), parts.end() - 1);
  Key *parent = Find(root, parentPath);
  Key *key = parent ? parent->FindSubkey(parts.back()) : nullptr;
  if (!key) return kErrorFileNotFound;
  if (!key->subkeys.empty()) return kErrorAccessDenied;
  parent->subkeys.erase(FoldName(parts.back()));
  return kErrorSuccess;
}

}  // namespace ovr::platform::regstore
