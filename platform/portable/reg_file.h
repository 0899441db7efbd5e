// The "Windows Registry Editor Version 5.00" text format (what regedit exports): reading
// a file into a Tree and writing a Tree as such a file.
#pragma once

#include <string>
#include <string_view>

#include "platform/portable/reg_tree.h"

namespace ovr::platform::regstore {

inline constexpr std::string_view kRegFileHeader = "Windows Registry Editor Version 5.00";

// Reads `bytes` (UTF-16LE with its byte-order mark as regedit writes it, or UTF-8 with or
// without one) into `tree`, which is cleared first. False for text that does not parse:
// `problem` then reads "<fileName>:<line>: <fault>" and `tree` is left empty. An empty or
// blank text is an empty registry.
bool ParseRegFile(std::string_view bytes, std::string_view fileName, Tree &tree,
                  std::string &problem);

// The tree as UTF-8 text with "\n" line ends, laid out as regedit lays out an export.
std::string WriteRegFile(const Tree &tree);

}  // namespace ovr::platform::regstore
