#include "platform/portable/reg_file.h"

#include <cstdio>
#include <vector>

#include "platform/error.h"
#include "platform/unicode.h"

namespace ovr::platform::regstore {
namespace {

// ---- reading --------------------------------------------------------------------------

struct Line {
  std::string_view text;
  size_t number;
};

class Parser {
 public:
  Parser(std::string_view fileName, Tree &tree) : fileName_(fileName), tree_(tree) {}

  bool Run(std::string_view bytes, std::string &problem) {
    std::string text;
    if (!Decode(bytes, text)) {
      problem = problem_;
      return false;
    }
    SplitLines(text);
    bool ok = ParseLines();
    if (!ok) problem = problem_;
    return ok;
  }

 private:
  bool Error(size_t line, const std::string &what) {
    problem_ = std::string(fileName_) + ":" + std::to_string(line) + ": " + what;
    return false;
  }

  static size_t LineAt(std::string_view text, size_t end) {
    size_t line = 1;
    for (size_t i = 0; i < end && i < text.size(); ++i) line += text[i] == '\n';
    return line;
  }

  bool Decode(std::string_view bytes, std::string &text) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
      bytes.remove_prefix(2);
      std::u16string wide(bytes.size() / 2, u'\0');
      for (size_t i = 0; i < wide.size(); ++i) {
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
      }
      if (Utf16ToUtf8(wide, text) != kErrorSuccess) {
        return Error(LineAt(text, text.size()), "malformed UTF-16 text");
      }
      if (bytes.size() % 2) return Error(LineAt(text, text.size()), "truncated UTF-16 text");
    } else if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
               static_cast<unsigned char>(bytes[1]) == 0xFF) {
      return Error(1, "big-endian UTF-16 is not supported");
    } else {
      if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
      std::u16string check;
      if (Utf8ToUtf16(bytes, check) != kErrorSuccess) {
        std::string partial;
        Utf16ToUtf8(check, partial);
        return Error(LineAt(bytes, partial.size()), "malformed UTF-8 text");
      }
      text.assign(bytes);
    }
    size_t nul = text.find('\0');
    if (nul != std::string::npos) return Error(LineAt(text, nul), "NUL character in the text");
    return true;
  }

  void SplitLines(const std::string &text) {
    text_ = text;
    std::string_view rest = text_;
    size_t number = 1;
    while (!rest.empty()) {
      size_t end = rest.find('\n');
      std::string_view line = rest.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lines_.push_back({line, number++});
      if (end == std::string_view::npos) break;
      rest.remove_prefix(end + 1);
    }
  }

  static std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
  }

  bool ParseLines() {
    size_t i = 0;
    while (i < lines_.size() && Trim(lines_[i].text).empty()) ++i;
    if (i == lines_.size()) return true;
    if (Trim(lines_[i].text) != kRegFileHeader) {
      return Error(lines_[i].number,
                   "not a registry file (the first line must be \"" +
                       std::string(kRegFileHeader) + "\")");
    }
    for (++i; i < lines_.size(); ++i) {
      std::string_view text = Trim(lines_[i].text);
      size_t number = lines_[i].number;
      if (text.empty() || text.front() == ';') continue;
      bool ok;
      if (text.front() == '[') {
        ok = ParseKey(text, number);
      } else if (text.front() == '"' || text.front() == '@') {
        ok = ParseValue(text, i);
      } else {
        ok = Error(number, "unexpected text \"" + std::string(text.substr(0, 40)) + "\"");
      }
      if (!ok) return false;
    }
    return true;
  }

  bool ParseKey(std::string_view text, size_t number) {
    if (text.back() != ']') return Error(number, "key line without closing \"]\"");
    std::string_view path = text.substr(1, text.size() - 2);
    if (!path.empty() && path.front() == '-') {
      return Error(number, "key deletion lines are not supported");
    }
    size_t slash = path.find('\\');
    RegRoot root;
    if (!RootFromName(path.substr(0, slash), root)) {
      return Error(number, "unknown root key \"" + std::string(path.substr(0, slash)) + "\"");
    }
    std::vector<std::string> parts;
    if (slash != std::string_view::npos) {
      std::string_view rest = path.substr(slash + 1);
      parts = SplitKeyPath(rest);
      if (rest.empty() || JoinKeyPath(parts).size() != rest.size()) {
        return Error(number, "empty key name in \"" + std::string(path) + "\"");
      }
    }
    bool created;
    current_ = &tree_.Ensure(root, parts, created);
    current_->listed = true;
    return true;
  }

  // A quoted text starting at `text[pos]` (the opening quote); `pos` ends past the closing one.
  bool ParseQuoted(std::string_view text, size_t &pos, size_t number, std::string &out) {
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
      char c = text[pos];
      if (c == '"') {
        ++pos;
        return true;
      }
      if (c == '\\') {
        if (++pos == text.size()) break;
        char e = text[pos];
        if (e == '\\' || e == '"') {
          out += e;
        } else if (e == 'n') {
          out += '\n';
        } else if (e == 'r') {
          out += '\r';
        } else {
          return Error(number, std::string("unknown escape \"\\") + e + "\"");
        }
      } else {
        out += c;
      }
    }
    return Error(number, "text without closing quote");
  }

  bool ParseValue(std::string_view text, size_t &index) {
    size_t number = lines_[index].number;
    if (!current_) return Error(number, "value before any key");
    std::string name;
    size_t pos = 0;
    if (text.front() == '@') {
      pos = 1;
    } else if (!ParseQuoted(text, pos, number, name)) {
      return false;
    }
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos == text.size() || text[pos] != '=') return Error(number, "\"=\" missing after the name");
    std::string_view data = Trim(text.substr(pos + 1));
    Value value{name, kRegSz, {}};
    if (!data.empty() && data.front() == '"') {
      if (!ParseString(data, number, value)) return false;
    } else if (data.substr(0, 6) == "dword:") {
      if (!ParseDword(data.substr(6), number, value)) return false;
    } else if (data.substr(0, 3) == "hex") {
      if (!ParseHex(data, index, value)) return false;
    } else if (data == "-") {
      return Error(number, "value deletion lines are not supported");
    } else {
      return Error(number, "unknown value data \"" + std::string(data.substr(0, 40)) + "\"");
    }
    if (Value *old = current_->FindValue(name)) {
      *old = std::move(value);
    } else {
      current_->values.push_back(std::move(value));
    }
    return true;
  }

  bool ParseString(std::string_view data, size_t number, Value &value) {
    size_t pos = 0;
    std::string text;
    if (!ParseQuoted(data, pos, number, text)) return false;
    if (pos != data.size()) return Error(number, "text after the closing quote");
    std::u16string wide;
    Utf8ToUtf16(text, wide);  // the whole file was checked already
    wide.push_back(u'\0');
    for (char16_t c : wide) {
      value.data.push_back(static_cast<uint8_t>(c & 0xFF));
      value.data.push_back(static_cast<uint8_t>(c >> 8));
    }
    return true;
  }

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  bool ParseDword(std::string_view digits, size_t number, Value &value) {
    if (digits.empty() || digits.size() > 8) return Error(number, "bad dword data");
    uint32_t v = 0;
    for (char c : digits) {
      int d = HexDigit(c);
      if (d < 0) return Error(number, "bad dword data");
      v = v << 4 | static_cast<uint32_t>(d);
    }
    value.type = kRegDword;
    for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return true;
  }

  bool ParseHex(std::string_view data, size_t &index, Value &value) {
    size_t number = lines_[index].number;
    size_t colon = data.find(':');
    if (colon == std::string_view::npos) return Error(number, "bad hex data");
    std::string_view head = data.substr(0, colon);
    if (head == "hex") {
      value.type = kRegBinary;
    } else if (head.size() > 5 && head.size() <= 13 && head.substr(0, 4) == "hex(" &&
               head.back() == ')') {
      uint32_t type = 0;
      for (char c : head.substr(4, head.size() - 5)) {
        int d = HexDigit(c);
        if (d < 0) return Error(number, "bad value type in \"" + std::string(head) + "\"");
        type = type << 4 | static_cast<uint32_t>(d);
      }
      value.type = type;
    } else {
      return Error(number, "bad hex data");
    }
    std::string_view rest = Trim(data.substr(colon + 1));
    bool needItem = false;  // a comma was read, an item must follow
    for (;;) {
      bool continues = !rest.empty() && rest.back() == '\\';
      if (continues) rest = Trim(rest.substr(0, rest.size() - 1));
      while (!rest.empty()) {
        size_t comma = rest.find(',');
        std::string_view item = Trim(rest.substr(0, comma));
        if (item.empty() || item.size() > 2 || HexDigit(item[0]) < 0 ||
            (item.size() == 2 && HexDigit(item[1]) < 0)) {
          return Error(number, "bad hex byte \"" + std::string(item.substr(0, 8)) + "\"");
        }
        int byte = HexDigit(item[0]);
        if (item.size() == 2) byte = byte * 16 + HexDigit(item[1]);
        value.data.push_back(static_cast<uint8_t>(byte));
        needItem = comma != std::string_view::npos;
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        rest = Trim(rest);
      }
      if (!continues) break;
      if (++index == lines_.size()) return Error(number, "value continues past the end of the file");
      number = lines_[index].number;
      rest = Trim(lines_[index].text);
    }
    if (needItem) return Error(number, "hex data ends with a comma");
    return true;
  }

  std::string_view fileName_;
  Tree &tree_;
  std::string text_;
  std::vector<Line> lines_;
  Key *current_ = nullptr;
  std::string problem_;
};

// ---- writing --------------------------------------------------------------------------

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

size_t Columns(std::string_view utf8) {
  size_t n = 0;
  for (char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// A REG_SZ that reads back the same from a quoted text: one terminator, nothing odd.
bool AsQuotedText(const Value &value, std::string &text) {
  const auto &d = value.data;
  if (value.type != kRegSz || d.size() < 2 || d.size() % 2 || d[d.size() - 1] ||
      d[d.size() - 2]) {
    return false;
  }
  std::u16string wide;
  for (size_t i = 0; i + 2 < d.size(); i += 2) {
    char16_t c = static_cast<char16_t>(d[i] | (d[i + 1] << 8));
    if (c == 0 || c == u'\r' || c == u'\n') return false;
    wide.push_back(c);
  }
  return Utf16ToUtf8(wide, text) == kErrorSuccess;
}

void WriteValue(const Value &value, std::string &out) {
  std::string line = value.name.empty() ? "@=" : "\"" + Escape(value.name) + "\"=";
  std::string text;
  if (AsQuotedText(value, text)) {
    out += line + "\"" + Escape(text) + "\"\n";
    return;
  }
  char buffer[32];
  if (value.type == kRegDword && value.data.size() == 4) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | value.data[i];
    std::snprintf(buffer, sizeof buffer, "dword:%08x\n", v);
    out += line + buffer;
    return;
  }
  if (value.type == kRegBinary) {
    line += "hex:";
  } else {
    std::snprintf(buffer, sizeof buffer, "hex(%x):", value.type);
    line += buffer;
  }
  // Lines stay within 80 columns, the continuation backslash included.
  size_t column = Columns(line);
  for (size_t i = 0; i < value.data.size(); ++i) {
    if (column + 3 > 79) {
      line += "\\\n  ";
      column = 2;
    }
    std::snprintf(buffer, sizeof buffer, i + 1 < value.data.size() ? "%02x," : "%02x",
                  value.data[i]);
    line += buffer;
    column += 3;
  }
  out += line + "\n";
}

void WriteKey(const Key &key, const std::string &path, bool isRoot, std::string &out) {
  if (isRoot ? !key.values.empty() : key.HasContent()) {
    out += "[" + path + "]\n";
    for (const auto &value : key.values) WriteValue(value, out);
    out += "\n";
  }
  for (const auto &[folded, subkey] : key.subkeys) {
    WriteKey(*subkey, path + "\\" + subkey->name, false, out);
  }
}

}  // namespace

bool ParseRegFile(std::string_view bytes, std::string_view fileName, Tree &tree,
                  std::string &problem) {
  tree.Clear();
  Parser parser(fileName, tree);
  if (parser.Run(bytes, problem)) return true;
  tree.Clear();
  return false;
}

std::string WriteRegFile(const Tree &tree) {
  std::string out = std::string(kRegFileHeader) + "\n\n";
  for (RegRoot root : {RegRoot::LocalMachine, RegRoot::ClassesRoot, RegRoot::CurrentUser,
                       RegRoot::Users, RegRoot::CurrentConfig}) {
    WriteKey(tree.Root(root), std::string(RootName(root)), true, out);
  }
  return out;
}

}  // namespace ovr::platform::regstore
