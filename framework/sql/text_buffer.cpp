// Growing text buffer.
#include <corbel/textbuffer.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" {

int InitTextBuffer(TextBuffer *buffer, int32_t capacity, int32_t step) {
  if (buffer == nullptr || capacity < 0) return 99;
  buffer->text = static_cast<char *>(std::calloc(static_cast<size_t>(capacity) + 1, 1));
  if (buffer->text == nullptr) return 99;
  buffer->length = 0;
  buffer->capacity = capacity;
  buffer->step = step;
  return 1;
}

int InitDefaultTextBuffer(TextBuffer *buffer) { return InitTextBuffer(buffer, 10000, 1000); }

int AppendTextBuffer(TextBuffer *buffer, const char *text) {
  if (buffer == nullptr || buffer->text == nullptr) return 99;
  if (text == nullptr) return 1;
  const int64_t n = static_cast<int64_t>(std::strlen(text));
  const int64_t needed = static_cast<int64_t>(buffer->length) + n;
  if (needed > INT32_MAX) return 99;
  if (needed > buffer->capacity) {
    // Whole steps, the fewest that make room; a buffer without a step grows to fit.
    int64_t capacity = buffer->capacity;
    if (buffer->step > 0) {
      const int64_t steps = (needed - capacity + buffer->step - 1) / buffer->step;
      capacity += steps * buffer->step;
    } else {
      capacity = needed;
    }
    if (capacity > INT32_MAX) capacity = needed;
    auto *grown = static_cast<char *>(std::calloc(static_cast<size_t>(capacity) + 1, 1));
    if (grown == nullptr) return 99;
    std::memcpy(grown, buffer->text, static_cast<size_t>(buffer->length));
    std::free(buffer->text);
    buffer->text = grown;
    buffer->capacity = static_cast<int32_t>(capacity);
  }
  std::memcpy(buffer->text + buffer->length, text, static_cast<size_t>(n) + 1);
  buffer->length = static_cast<int32_t>(needed);
  return 1;
}

void FreeTextBuffer(TextBuffer *buffer) {
  if (buffer == nullptr) return;
  std::free(buffer->text);
  buffer->text = nullptr;
  buffer->length = 0;
  buffer->capacity = 0;
}

}  // extern "C"
