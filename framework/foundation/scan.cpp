#include "framework/foundation/scan.h"

#include <climits>

namespace corbel::foundation {
namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void SkipSpace(std::string_view text, size_t &pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
}

}  // namespace

std::vector<ScanField> ScanLayout(std::string_view text, std::string_view layout) {
  std::vector<ScanField> fields;
  size_t pos = 0;
  for (size_t f = 0; f < layout.size(); ++f) {
    char lc = layout[f];
    if (IsSpace(lc)) {
      SkipSpace(text, pos);
      continue;
    }
    if (lc != '%') {
      if (pos >= text.size() || text[pos] != lc) return fields;
      ++pos;
      continue;
    }
    size_t width = 0;
    while (++f < layout.size() && IsDigit(layout[f])) width = width * 10 + static_cast<size_t>(layout[f] - '0');
    if (f >= layout.size()) return fields;
    switch (layout[f]) {
      case 'd': {
        SkipSpace(text, pos);
        size_t p = pos;
        bool negative = false;
        if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
        if (p >= text.size() || !IsDigit(text[p])) return fields;
        long long value = 0;
        for (; p < text.size() && IsDigit(text[p]); ++p)
          if (value <= INT_MAX) value = value * 10 + (text[p] - '0');
        if (negative) value = -value;
        if (value > INT_MAX) value = INT_MAX;
        if (value < INT_MIN) value = INT_MIN;
        fields.emplace_back(static_cast<int>(value));
        pos = p;
        break;
      }
      case 'c':
        if (pos >= text.size()) return fields;
        fields.emplace_back(std::string(1, text[pos++]));
        break;
      case 's': {
        SkipSpace(text, pos);
        size_t start = pos;
        while (pos < text.size() && !IsSpace(text[pos]) && (width == 0 || pos - start < width)) ++pos;
        if (pos == start) return fields;
        fields.emplace_back(std::string(text.substr(start, pos - start)));
        break;
      }
      default:
        return fields;
    }
  }
  return fields;
}

}  // namespace corbel::foundation
