// Helpers shared by the database-access sources: C-heap copies, config-file words and the
// thread id the pool keys connections by.
#pragma once

#include <corbel/connpool.h>
#include <corbel/primitives.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace corbel::db {

// A malloc'ed copy of `text`, or nullptr for a null text or no memory.
inline char *Dup(const char *text) {
  char *copy = nullptr;
  if (text == nullptr) return nullptr;
  AllocateStringCopy(&copy, text);
  return copy;
}

inline char *Dup(std::string_view text) {
  char *copy = nullptr;
  if (AllocateBytesCopy(&copy, text.data(), text.size()) != CORBEL_STATUS_SUCCESS) return nullptr;
  return copy;
}

// The words of a configuration file: blank-, tab- and line-separated, with access to the
// rest of the current line.
class WordReader {
 public:
  explicit WordReader(std::string text) : text_(std::move(text)) {}
  // The next word; false at the end of the text.
  bool Next(std::string &word);
  // The characters after the last word up to the line end (line end and a carriage return
  // before it excluded); false when the text ended before a line end or any character.
  bool RestOfLine(std::string &rest);

 private:
  std::string text_;
  size_t pos_ = 0;
};

// The whole file at `path`, or at "<root>/data/<fileName>" when `path` cannot be opened
// ("Opening %s\n" at DEBUG names that second place). False when neither opens.
bool ReadConfigFile(const char *path, const char *fileName, std::string &contents);

// The calling thread's id as the pool records it.
int32_t PoolThreadId();

}  // namespace corbel::db
