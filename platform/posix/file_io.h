// Whole-file reads for the Linux backend.
#pragma once

#include <string>

namespace ovr::platform {

// Appends the whole of the file at `path` to `bytes`, reading until its end (interrupted
// reads are repeated). False with errno set when it cannot be opened or a read fails.
bool ReadWholeFile(const std::string &path, std::string &bytes);

}  // namespace ovr::platform
