// A small bounded reader for the fixed date layouts ("%d-%d-%d %d:%d:%d" and the like): the
// subset of scanf those layouts use, without scanf's undefined behaviour on numbers that do
// not fit or its fixed-size word buffers.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace corbel::foundation {

// One converted field: %d gives an int (clamped to the int range), %c and %s give text.
using ScanField = std::variant<int, std::string>;

// Reads `text` under `layout` as scanf does for the directives %d, %c, %s and %Ns: white
// space in the layout skips any white space, other characters must match themselves, %d and
// %s skip leading white space. Returns the fields converted before the first mismatch.
std::vector<ScanField> ScanLayout(std::string_view text, std::string_view layout);

}  // namespace corbel::foundation
