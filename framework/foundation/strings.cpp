// Byte strings: copying, comparing, searching, splitting, trimming and case.
#include <corbel/strings.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "framework/foundation/text.h"

using corbel::foundation::NewCString;
using corbel::foundation::View;

namespace {

bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
char FoldLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
char FoldUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// A difference of two signed characters can reach +-255: keep its sign within 8 bits.
signed char Clamp8(int diff) { return static_cast<signed char>(std::clamp(diff, -128, 127)); }

// Null ordering of the tolerant comparisons; `done` false when both are set.
signed char NullOrder(const void *a, const void *b, bool &done) {
  done = true;
  if (!a && !b) return 0;
  if (!a) return -1;
  if (!b) return 1;
  done = false;
  return 0;
}

template <typename Fold>
signed char CompareFolded(const char *a, const char *b, size_t n, Fold fold) {
  bool done;
  signed char r = NullOrder(a, b, done);
  if (done) return r;
  for (size_t i = 0; i < n; ++i) {
    char ca = fold(a[i]), cb = fold(b[i]);
    if (ca != cb) return Clamp8(static_cast<signed char>(ca) - static_cast<signed char>(cb));
    if (ca == '\0') break;
  }
  return 0;
}

// Starting positions of the non-overlapping occurrences of pattern, left to right.
std::vector<size_t> Occurrences(std::string_view text, std::string_view pattern) {
  std::vector<size_t> at;
  if (pattern.empty()) return at;
  for (size_t pos = text.find(pattern); pos != std::string_view::npos;
       pos = text.find(pattern, pos + pattern.size()))
    at.push_back(pos);
  return at;
}

template <typename Keep>
char *FilterCopy(const char *s, Keep keep) {
  if (!s) return nullptr;
  std::string out;
  for (const char *p = s; *p; ++p)
    if (keep(static_cast<unsigned char>(*p))) out.push_back(*p);
  return NewCString(out);
}

template <typename Map>
char *MapCopy(const char *s, Map map) {
  if (!s) return nullptr;
  std::string out(s);
  for (char &c : out) c = map(c);
  return NewCString(out);
}

char *RemoveAt(std::string_view text, size_t pos, size_t len) {
  std::string out(text.substr(0, pos));
  out.append(text.substr(pos + len));
  return NewCString(out);
}

}  // namespace

extern "C" {

char *CopyString(char *dst, const char *src) {
  if (!src) return nullptr;
  return std::strcpy(dst, src);
}

char *CopyStringN(char *dst, const char *src, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    dst[i] = src[i];
    if (src[i] == '\0') break;
  }
  return dst;
}

char *AppendString(char *dst, const char *src) { return std::strcat(dst, src); }

size_t GetStringLength(const char *s) { return s ? std::strlen(s) : 0; }

signed char CompareString(const char *a, const char *b) {
  return CompareFolded(a, b, SIZE_MAX, [](char c) { return c; });
}

signed char CompareStringN(const char *a, const char *b, size_t n) {
  return CompareFolded(a, b, n, [](char c) { return c; });
}

signed char CompareStringNoCase(const char *a, const char *b) {
  return CompareFolded(a, b, SIZE_MAX, FoldLower);
}

signed char CompareStringNoCaseN(const char *a, const char *b, size_t n) {
  bool done;
  signed char r = NullOrder(a, b, done);
  if (done) return r;
  size_t la = std::strlen(a), lb = std::strlen(b);
  size_t common = std::min({n, la, lb});
  for (size_t i = 0; i < common; ++i) {
    signed char ca = static_cast<signed char>(FoldLower(a[i]));
    signed char cb = static_cast<signed char>(FoldLower(b[i]));
    if (ca != cb) return ca > cb ? 1 : -1;
  }
  if (common == n) return 0;
  if (la > lb) return 1;
  if (la < lb) return -1;
  return 0;
}

void *CopyBytes(void *dst, const void *src, size_t n) {
  return n ? std::memmove(dst, src, n) : dst;
}

signed char CompareBytes(const void *a, const void *b, size_t n) {
  bool done;
  signed char r = NullOrder(a, b, done);
  if (done) return r;
  int c = n ? std::memcmp(a, b, n) : 0;
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void *FillBytes(void *buf, int byte, size_t n) { return n ? std::memset(buf, byte, n) : buf; }

void *FindByte(const void *buf, int byte, size_t n) {
  if (!buf || !n) return nullptr;
  return const_cast<void *>(std::memchr(buf, byte, n));
}

char *SearchChar(const char *s, int ch) {
  if (!s) return nullptr;
  return const_cast<char *>(std::strchr(s, ch));
}

char *FindAnyChar(const char *s, const char *set) {
  if (!s || !set) return nullptr;
  return const_cast<char *>(std::strpbrk(s, set));
}

size_t SpanOfChars(const char *s, const char *set) {
  if (!s || !set) return 0;
  return std::strspn(s, set);
}

bool StartsWithBytes(const void *data, size_t dataLen, const void *prefix, size_t prefixLen) {
  if (dataLen < prefixLen) return false;
  if (prefixLen == 0) return true;
  if (!data || !prefix) return false;
  return std::memcmp(data, prefix, prefixLen) == 0;
}

size_t CopyStringBounded(char *dst, const char *src, int size) {
  if (!dst || !src || size <= 0) return 0;
  size_t len = std::strlen(src);
  size_t n = std::min(len, static_cast<size_t>(size) - 1);
  std::memcpy(dst, src, n);
  dst[n] = '\0';
  return len;
}

size_t AppendStringBounded(char *dst, const char *src, size_t size) {
  if (!dst || !src || size == 0) return 0;
  size_t used = strnlen(dst, size);
  size_t len = std::strlen(src);
  if (used == size) return size + len;
  size_t n = std::min(len, size - 1 - used);
  std::memcpy(dst + used, src, n);
  dst[used + n] = '\0';
  return used + len;
}

void ReverseString(char *s, size_t len) {
  if (s) std::reverse(s, s + len);
}

char *SubString(const char *text, const char *pattern) {
  CORBEL_TRACE_ENTRY("SubString");
  if (!text || !pattern || !*pattern) return nullptr;
  return const_cast<char *>(std::strstr(text, pattern));
}

bool FindSubString(const char *text, const char *pattern) {
  CORBEL_TRACE_ENTRY("FindSubString");
  if (!text || !pattern || !*pattern) return false;
  return std::strstr(text, pattern) != nullptr;
}

int GetIndex(const char *buf, int count, char ch) {
  CORBEL_TRACE_ENTRY("GetIndex");
  if (!buf) return -1;
  for (int i = 0; i < count; ++i)
    if (buf[i] == ch) return i;
  return -1;
}

uint16_t CountChar(const char *buf, size_t len, char ch) {
  if (!buf) return 0;
  size_t n = static_cast<size_t>(std::count(buf, buf + len, ch));
  return static_cast<uint16_t>(std::min<size_t>(n, UINT16_MAX));
}

size_t FindDelimiterEnd(const char *buf, size_t len, char ch, unsigned char *found) {
  const void *at = buf && len ? std::memchr(buf, ch, len) : nullptr;
  if (found) *found = at ? 1 : 0;
  return at ? static_cast<size_t>(static_cast<const char *>(at) - buf) + 1 : len;
}

char **SplitBuffer(const char *buf, size_t len, char delimiter, uint16_t *count,
                   size_t **lengths) {
  if (!buf && len) return nullptr;
  std::vector<std::string_view> pieces;
  std::string_view rest(buf ? buf : "", len);
  for (size_t at; (at = rest.find(delimiter)) != std::string_view::npos;) {
    pieces.push_back(rest.substr(0, at));
    rest.remove_prefix(at + 1);
  }
  pieces.push_back(rest);
  if (pieces.size() > UINT16_MAX) return nullptr;

  auto **array = static_cast<char **>(std::calloc(pieces.size(), sizeof(char *)));
  auto *sizes = static_cast<size_t *>(std::malloc(pieces.size() * sizeof(size_t)));
  if (!array || !sizes) {
    std::free(array);
    std::free(sizes);
    return nullptr;
  }
  for (size_t i = 0; i < pieces.size(); ++i) {
    array[i] = NewCString(pieces[i]);
    sizes[i] = pieces[i].size();
    if (!array[i]) {
      FreeStringArray(array, static_cast<uint16_t>(i));
      std::free(sizes);
      return nullptr;
    }
  }
  if (count) *count = static_cast<uint16_t>(pieces.size());
  if (lengths)
    *lengths = sizes;
  else
    std::free(sizes);
  return array;
}

bool IsStringMatched(const char *list, size_t listLen, const char *item, size_t itemLen) {
  CORBEL_TRACE_ENTRY("IsStringMatched");
  if (!list || (!item && itemLen)) return false;
  uint16_t count = 0;
  size_t *lengths = nullptr;
  char **pieces = SplitBuffer(list, listLen, ',', &count, &lengths);
  if (!pieces) return false;
  bool matched = false;
  for (uint16_t i = 0; i < count && !matched; ++i)
    matched = lengths[i] == itemLen && std::memcmp(pieces[i], item, itemLen) == 0;
  FreeStringArray(pieces, count);
  std::free(lengths);
  return matched;
}

void FreeStringArray(char **array, uint16_t count) {
  CORBEL_TRACE_ENTRY("FreeStringArray");
  if (!array) return;
  for (uint16_t i = 0; i < count; ++i) std::free(array[i]);
  std::free(array);
}

int CountSubString(const char *text, const char *pattern) {
  if (!text || !pattern) return -1;
  return static_cast<int>(Occurrences(text, pattern).size());
}

int IndexOfSubString(const char *text, const char *pattern) {
  if (!text || !pattern) return -1;
  auto at = Occurrences(text, pattern);
  return at.empty() ? 0 : static_cast<int>(at.front());
}

int LastIndexOfSubString(const char *text, const char *pattern) {
  if (!text || !pattern) return -1;
  auto at = Occurrences(text, pattern);
  return at.empty() ? -1 : static_cast<int>(at.back());
}

char *GetStringBefore(const char *text, const char *pattern) {
  if (!text || !pattern) return nullptr;
  auto at = Occurrences(text, pattern);
  return NewCString(at.empty() ? std::string_view() : View(text).substr(0, at.front()));
}

char *GetStringAfter(const char *text, const char *pattern) {
  if (!text || !pattern) return nullptr;
  auto at = Occurrences(text, pattern);
  if (at.empty()) return NewCString("");
  return NewCString(View(text).substr(at.front() + std::strlen(pattern)));
}

char *GetStringAfterLast(const char *text, const char *pattern) {
  if (!text || !pattern) return nullptr;
  std::string_view rest(text), pat(pattern);
  for (auto at = Occurrences(rest, pat); !at.empty(); at = Occurrences(rest, pat))
    rest.remove_prefix(at.front() + pat.size());
  return NewCString(rest);
}

char **SplitString(const char *text, const char *separator) {
  if (!text) return nullptr;
  std::string_view all(text), sep = View(separator);
  auto at = Occurrences(all, sep);
  auto **parts = static_cast<char **>(std::calloc(at.size() + 2, sizeof(char *)));
  if (!parts) return nullptr;
  size_t start = 0;
  for (size_t i = 0; i <= at.size(); ++i) {
    size_t end = i < at.size() ? at[i] : all.size();
    parts[i] = NewCString(all.substr(start, end - start));
    if (!parts[i]) {
      for (size_t j = 0; j < i; ++j) std::free(parts[j]);
      std::free(parts);
      return nullptr;
    }
    start = end + sep.size();
  }
  return parts;
}

char *TokenizeString(char *s, const char *delimiters, char **cursor) {
  if (!cursor) return nullptr;
  char *p = s ? s : *cursor;
  if (!p || !delimiters) {
    *cursor = nullptr;
    return nullptr;
  }
  p += std::strspn(p, delimiters);
  if (*p == '\0') {
    *cursor = nullptr;
    return nullptr;
  }
  char *end = p + std::strcspn(p, delimiters);
  if (*end) {
    *end = '\0';
    *cursor = end + 1;
  } else {
    *cursor = end;
  }
  return p;
}

char *RemoveAllSubString(const char *text, const char *pattern) {
  if (!text || !pattern) return nullptr;
  std::string_view all(text);
  size_t plen = std::strlen(pattern);
  std::string out;
  size_t start = 0;
  for (size_t at : Occurrences(all, pattern)) {
    out.append(all.substr(start, at - start));
    start = at + plen;
  }
  out.append(all.substr(start));
  return NewCString(out);
}

char *RemoveFirstSubString(const char *text, const char *pattern) {
  if (!text || !pattern) return nullptr;
  auto at = Occurrences(text, pattern);
  return at.empty() ? nullptr : RemoveAt(text, at.front(), std::strlen(pattern));
}

char *RemoveLastSubString(const char *text, const char *pattern) {
  if (!text || !pattern) return nullptr;
  auto at = Occurrences(text, pattern);
  return at.empty() ? nullptr : RemoveAt(text, at.back(), std::strlen(pattern));
}

char *ToLowerCaseCopy(const char *s) { return MapCopy(s, FoldLower); }
char *ToUpperCaseCopy(const char *s) { return MapCopy(s, FoldUpper); }
char *KeepLetters(const char *s) { return FilterCopy(s, IsLetter); }
char *KeepLettersAndDigits(const char *s) {
  return FilterCopy(s, [](unsigned char c) { return IsLetter(c) || IsDigit(c); });
}
char *RemoveLettersAndDigits(const char *s) {
  return FilterCopy(s, [](unsigned char c) { return !IsLetter(c) && !IsDigit(c); });
}

char *TrimLeadingChar(const char *s, char ch) {
  if (!s || !*s) return nullptr;
  std::string_view v(s);
  size_t first = v.find_first_not_of(ch);
  return NewCString(first == std::string_view::npos ? std::string_view() : v.substr(first));
}

char *TrimTrailingChar(const char *s, char ch) {
  if (!s) return nullptr;
  std::string_view v(s);
  size_t last = v.find_last_not_of(ch);
  return NewCString(last == std::string_view::npos ? std::string_view() : v.substr(0, last + 1));
}

char *TrimChar(const char *s, char ch) {
  char *leading = TrimLeadingChar(s, ch);
  if (!leading) return nullptr;
  char *both = TrimTrailingChar(leading, ch);
  std::free(leading);
  return both;
}

int EncryptDecryptKey(unsigned char *buf, int len, int key) {
  CORBEL_TRACE_ENTRY("EncryptDecryptKey");
  int64_t k = static_cast<int64_t>(key) + 9;
  if (k >= 256) k %= 255;
  auto mask = static_cast<unsigned char>(k & 0xFF);
  for (int i = 0; buf && i < len; ++i) buf[i] ^= mask;
  return len;
}

}  // extern "C"
