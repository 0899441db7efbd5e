#include "platform/error.h"

namespace ovr::platform {
namespace {
thread_local uint32_t lastError = 0;
}

uint32_t LastErrorCode() { return lastError; }
void SetLastErrorCode(uint32_t code) { lastError = code; }

}  // namespace ovr::platform
