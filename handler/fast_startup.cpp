// Fast Startup switch-off, run when a product is found busy. Nothing is switched yet.
#include "handler/run.h"

namespace ovr {

void DisableFastStartup() {}

}  // namespace ovr
