// Splitting a command line into arguments by the Windows rules.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ovr::platform {

// The program name ends at the first blank or tab, or, when it starts with a quote, at the
// next quote; backslashes in it are plain characters. The other arguments: blanks and tabs
// separate them outside quotes; 2n backslashes before a quote give n backslashes and the
// quote opens or closes a quoted part; 2n+1 backslashes before a quote give n backslashes
// and a literal quote; inside a quoted part two quotes give one literal quote; other
// backslashes are plain.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace ovr::platform
