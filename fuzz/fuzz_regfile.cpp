// The .reg file reader on arbitrary bytes: it never crashes, and whatever it accepts it
// writes back in a form that reads back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/portable/reg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  using namespace ovr::platform::regstore;
  std::string_view bytes(reinterpret_cast<const char *>(data), size);
  Tree tree;
  std::string problem;
  if (!ParseRegFile(bytes, "fuzz.reg", tree, problem)) {
    if (problem.rfind("fuzz.reg:", 0) != 0) std::abort();  // every refusal names the file
    return 0;
  }
  std::string written = WriteRegFile(tree);
  Tree again;
  if (!ParseRegFile(written, "written.reg", again, problem)) std::abort();
  if (WriteRegFile(again) != written) std::abort();
  return 0;
}
