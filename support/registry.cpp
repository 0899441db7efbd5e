#include "support/registry.h"

#include <climits>
#include <cstring>
#include <vector>

#include <corbel/log.h>

#include "platform/error.h"
#include "platform/unicode.h"
#include "support/error_text.h"

namespace ovr {

bool useRegistryView64 = false;

namespace {

using namespace platform;

uint32_t ViewFlag(bool ex) { return ex && useRegistryView64 ? kKeyWow64_64Key : 0; }

// A store that cannot be used says why once per failing call, beside the call's own line.
uint32_t Noted(uint32_t code) {
  if (code == kErrorBadDatabase) {
    LogError("Registry store unusable: %s \n", RegistryStoreProblem().c_str());
  }
  return code;
}

std::string Narrow(std::u16string_view wide) {
  std::string out;
  if (Utf16ToUtf8(wide, out) != kErrorSuccess) out = "?";
  return out;
}

std::vector<uint8_t> WideBytes(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

std::vector<uint8_t> LittleEndian(uint64_t value, int bytes) {
  std::vector<uint8_t> out;
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  return out;
}

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// The wide text as a signed decimal: blanks, a sign, the leading digits; none gives 0.
int32_t WideToInt(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<int32_t>(value);
}

// The 8-bit text as an unsigned 32-bit decimal (blanks, a sign, the leading digits; none
// gives 0; too large gives the largest value; a minus negates).
uint32_t TextToUnsigned(const char *text) {
  const char *p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  uint64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + static_cast<uint64_t>(*p - '0');
    if (value > UINT32_MAX) return UINT32_MAX;
  }
  uint32_t result = static_cast<uint32_t>(value);
  return negative ? 0u - result : result;
}

uint32_t AddKey(RegRoot root, const char *keyPath, bool ex) {
  const char *fn = ex ? "addRegistryKeyEx" : "addRegistryKey";
  LogDebug("%s: Inside addRegistryKey method ...... \n", fn);
  RegKey key;
  bool created = false;
  uint32_t code = CreateRegistryKey(root, keyPath ? keyPath : "", kKeyAllAccess | ViewFlag(ex),
                                    key, &created);
  if (code != kErrorSuccess) {
    LogError("%s:  Create registry key \"%s\" function failed: %d \n", fn,
             keyPath ? keyPath : "", static_cast<int>(code));
    Noted(code);
    LogErrorDescription(code);
    return code;
  }
  if (created) {
    LogDebug("%s:  Create registry key function successfull: %d \n", fn, 1);
  } else {
    LogDebug("%s:  Opened already existing key! \n", fn);
  }
  return kErrorSuccess;
}

// The data and byte count of `type` from the value's text, with the log line of the type.
std::vector<uint8_t> ConvertData(const char *fn, bool ex, uint32_t type, const char *text8,
                                 std::u16string_view wide) {
  std::vector<uint8_t> data;
  switch (type) {
    case kRegDword:
      data = LittleEndian(ex ? TextToUnsigned(text8) : static_cast<uint32_t>(WideToInt(wide)), 4);
      LogDebug("%s:  REG_DWORD -- sizeOfInputData: %d\n", fn, 4);
      return data;
    case kRegQword:
      if (!ex) break;
      data = LittleEndian(ParseDecimal64(text8), 8);
      LogDebug("%s:  REG_QWORD -- sizeOfInputData: %d\n", fn, 8);
      return data;
    case kRegBinary:
      if (!ex) {
        data = WideBytes(std::u16string(wide) + u'\0');
        LogDebug("%s:  Data type is REG_SZ or REG_EXPAND_SZ or REG_BINARY: %d\n", fn,
                 static_cast<int>(data.size()));
        return data;
      }
      data.assign(text8, text8 + std::strlen(text8) + 1);
      LogDebug("%s:  Data type is REG_BINARY: %d\n", fn, static_cast<int>(data.size()));
      return data;
    case kRegSz:
    case kRegExpandSz:
      data = WideBytes(std::u16string(wide) + u'\0');
      LogDebug("%s:  Data type is REG_SZ or REG_EXPAND_SZ or REG_BINARY: %d\n", fn,
               static_cast<int>(data.size()));
      return data;
    case kRegMultiSz: {
      uint32_t byteCount = 0;
      std::u16string list;
      if (ex) {
        list = MakeMultiString(wide, byteCount);
      } else {
        // One item: the text, its terminator and the closing one.
        list = std::u16string(wide) + u'\0' + u'\0';
        byteCount = static_cast<uint32_t>(list.size() * 2);
      }
      data = WideBytes(list);
      LogDebug("%s:  Data type is REG_MULTI_SZ: %d\n", fn, static_cast<int>(byteCount));
      return data;
    }
    default:
      break;
  }
  // Any other type: the first 4 bytes of the wide text (zeros where the text is shorter).
  data = WideBytes(std::u16string(wide) + u'\0');
  data.resize(4, 0);
  return data;
}

uint32_t WriteValue(RegRoot root, const char *keyPath, const char *valueName,
                    const char *valueData, uint32_t type, bool ex) {
  const char *fn = ex ? "writeValueEx" : "writeValue";
  LogDebug("@@@@@@@@ Inside %s Method @@@@@@@@ \n", fn);
  if (!valueName || !valueData || !*valueName || !*valueData) {
    if (ex) {
      LogError("%s : Valuename or Valuedata is Empty \n", fn);
    } else {
      LogInfo("%s : Valuename or Valuedata is Empty \n", fn);
    }
    return kErrorInvalidData;
  }
  const char *path = keyPath ? keyPath : "";
  LogDebug("%s: Subkey : %s \n", fn, path);
  LogDebug("%s: Value Name: %s \n", fn, valueName);
  LogDebug("%s: Value Data: %s \n", fn, valueData);

  // A failed conversion is logged and the write goes on with what was converted.
  std::u16string name, wide;
  ChangeUtf8ToWideStr(valueName, name);
  ChangeUtf8ToWideStr(valueData, wide);
  const char *text8 = valueData;
  if (name == u"--") {
    LogInfo("%s : going to add the (default) value .\n", fn);
    name.clear();
  }
  if (wide == u"--") {
    LogInfo("%s : going to add the value data as 0 value .\n", fn);
    wide.clear();
    text8 = "";  // empty data for the 8-bit conversions too (0, not the digits of "--")
  }
  std::vector<uint8_t> data = ConvertData(fn, ex, type, text8, wide);

  if (uint32_t code = AddKey(root, path, ex)) {
    LogError("%s:  WriteValue failure during key creation! %d \n", fn, static_cast<int>(code));
    return code;
  }
  RegKey key;
  if (uint32_t code = OpenRegistryKey(root, path, kKeyAllAccess | ViewFlag(ex), key)) {
    LogError("%s:  Key open failure! %d \n", fn, static_cast<int>(code));
    Noted(code);
    LogErrorDescription(code);
    return code;
  }
  LogDebug("%s:  Key found ...!: %d\n", fn, 0);
  LogDebug("%s:  After addRegistryKey method in writeValue method!!\n", fn);
  uint32_t code = SetRegistryValueWide(key, name, type, data.data(),
                                       static_cast<uint32_t>(data.size()));
  if (code == kErrorSuccess) {
    LogErrorDescription(0);
    LogDebug("@@@@@@@@ End Of %s Method @@@@@@@@ \n", fn);
    return kErrorSuccess;
  }
  LogError("%s:  Function WriteValue failure!:%d\n", fn, static_cast<int>(code));
  LogError("%s:    Subkey: %s \n", fn, path);
  LogError("%s:    Valuename: %s \n", fn, Narrow(name).c_str());
  LogError("%s:    Valuedata: %s \n", fn, Narrow(wide).c_str());
  LogError("%s:    Datatype: %d \n", fn, static_cast<int>(type));
  Noted(code);
  LogErrorDescription(code);
  return code;
}

uint32_t ReadText(RegRoot root, const char *keyPath, const char *valueName,
                  std::optional<std::string> &result, bool ex) {
  result.reset();
  const char *path = keyPath ? keyPath : "";
  const char *name = valueName ? valueName : "";
  RegKey key;
  uint32_t code = OpenRegistryKey(root, path, kKeyQueryValue | ViewFlag(ex), key);
  if (code != kErrorSuccess) {
    if (ex) {
      LogError("ReadRegSZEx: Error while opening registry key for serverName %d \n",
               static_cast<int>(code));
    } else {
      LogError("ReadRegSZ: Error while opening registry key %s ,and the error is  %d \n", path,
               static_cast<int>(code));
    }
    return Noted(code);
  }
  uint32_t size = 0;
  code = QueryRegistryValue(key, name, nullptr, nullptr, &size);
  if (code != kErrorSuccess) return Noted(code);
  // Spare zero bytes keep the text terminated whatever the stored data holds.
  std::vector<uint8_t> buffer(static_cast<size_t>(size) + 5, 0);
  uint32_t capacity = static_cast<uint32_t>(buffer.size());
  code = QueryRegistryValue(key, name, nullptr, buffer.data(), &capacity);
  if (code != kErrorSuccess) {
    LogError("%s: Error while reading DWORD value! %d \n", ex ? "ReadRegSZEx" : "ReadRegSZ",
             static_cast<int>(code));
    return Noted(code);
  }
  result.emplace(reinterpret_cast<const char *>(buffer.data()));
  return kErrorSuccess;
}

}  // namespace

uint32_t addRegistryKey(RegRoot root, const char *keyPath) { return AddKey(root, keyPath, false); }
uint32_t addRegistryKeyEx(RegRoot root, const char *keyPath) { return AddKey(root, keyPath, true); }

uint32_t writeValue(RegRoot root, const char *keyPath, const char *valueName,
                    const char *valueData, uint32_t type) {
  return WriteValue(root, keyPath, valueName, valueData, type, false);
}

uint32_t writeValueEx(RegRoot root, const char *keyPath, const char *valueName,
                      const char *valueData, uint32_t type) {
  return WriteValue(root, keyPath, valueName, valueData, type, true);
}

std::u16string MakeMultiString(std::u16string_view text, uint32_t &byteCount) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'^') {
      if (++i < text.size()) out += text[i];
    } else if (text[i] == u';') {
      out += u'\0';
    } else {
      out += text[i];
    }
  }
  byteCount = static_cast<uint32_t>((out.size() + 2) * 2);
  out += u'\0';
  out += u'\0';
  return out;
}

uint64_t ParseDecimal64(const char *text) {
  uint64_t value = 0;
  for (const char *p = text ? text : ""; *p; ++p) {
    value = value * 10 + static_cast<uint64_t>(static_cast<int64_t>(*p - '0'));
  }
  return value;
}

uint32_t ReadDwordRegistryData(RegRoot root, const char *keyPath, const char *valueName,
                               uint32_t &result) {
  const char *path = keyPath ? keyPath : "";
  const char *name = valueName ? valueName : "";
  RegKey key;
  uint32_t code = OpenRegistryKey(root, path, kKeyQueryValue, key);
  if (code == kErrorFileNotFound) {
    LogDebug("ReadDwordRegistryData:  value  %s Not found: %d \n", name, 2);
    return code;
  }
  if (code != kErrorSuccess) {
    LogError("ReadDwordRegistryData: Error while opening registry key %s,and the errorcode is : "
             "%d \n",
             path, static_cast<int>(code));
    return Noted(code);
  }
  uint8_t bytes[4];
  std::memcpy(bytes, &result, 4);
  uint32_t size = 4;
  code = QueryRegistryValue(key, name, nullptr, bytes, &size);
  if (code == kErrorSuccess) {
    std::memcpy(&result, bytes, 4);
  } else if (code == kErrorFileNotFound) {
    LogDebug("ReadDwordRegistryData:  value  %s Not found: %d \n", name, 2);
  } else {
    LogError("ReadDwordRegistryData: Error while reading DWORD value of %s : %d \n", name,
             static_cast<int>(code));
    Noted(code);
  }
  return code;
}

uint32_t ReadRegSZ(RegRoot root, const char *keyPath, const char *valueName,
                   std::optional<std::string> &result) {
  return ReadText(root, keyPath, valueName, result, false);
}

uint32_t ReadRegSZEx(RegRoot root, const char *keyPath, const char *valueName,
                     std::optional<std::string> &result) {
  return ReadText(root, keyPath, valueName, result, true);
}

}  // namespace ovr
