// Allocate-and-copy operations and the strict decimal parser.
#include <corbel/primitives.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <corbel/log.h>

extern "C" {

unsigned char AllocateBytesCopy(char **target, const void *src, size_t len) {
  if (target == nullptr) return CORBEL_STATUS_NO_MEMORY;
  char *copy = (len == SIZE_MAX || (src == nullptr && len != 0))
                   ? nullptr
                   : static_cast<char *>(std::calloc(len + 1, 1));
  if (copy == nullptr) {
    *target = nullptr;
    LogError("Unable to allocate memory\n");
    return CORBEL_STATUS_NO_MEMORY;
  }
  if (len != 0) std::memcpy(copy, src, len);
  *target = copy;
  return CORBEL_STATUS_SUCCESS;
}

unsigned char AllocateStringCopy(char **target, const char *src) {
  if (target == nullptr) return CORBEL_STATUS_NO_MEMORY;
  if (src == nullptr) {
    *target = nullptr;
    return CORBEL_STATUS_SUCCESS;
  }
  size_t size = std::strlen(src) + 1;
  char *copy = static_cast<char *>(std::malloc(size));
  *target = copy;
  if (copy == nullptr) return CORBEL_STATUS_NO_MEMORY;
  std::memcpy(copy, src, size);
  return CORBEL_STATUS_SUCCESS;
}

unsigned char ReallocateAndSetString(char **target, const char *src, size_t len) {
  LogTrace("\n\t@@@@@ Inside ReallocateAndSetString() @@@@@ \n");
  if (target == nullptr) return CORBEL_STATUS_NO_MEMORY;
  // The copy is made before the old string goes, so `src` may point into it.
  char *old = *target;
  unsigned char status = AllocateBytesCopy(target, src, len);
  std::free(old);
  return status;
}

int ConvertToIntegerFromString(const char *text) {
  if (text == nullptr) return -1;
  size_t start = (text[0] == '+' || text[0] == '-') ? 1 : 0;
  for (size_t i = start; text[i] != '\0'; ++i)
    if (text[i] < '0' || text[i] > '9') return -1;
  long long value = 0;
  for (size_t i = start; text[i] != '\0'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return -1;
  }
  if (text[0] == '-') value = -value;
  if (value > INT_MAX || value < INT_MIN) return -1;
  return static_cast<int>(value);
}

}  // extern "C"
