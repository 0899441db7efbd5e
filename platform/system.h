// The few operating-system services that sit below the log: the calling thread's id, the
// local wall-clock time with milliseconds, the current directory and directory creation.
// Every backend implements these for real (the handler's test double replaces the other
// platform services, never these).
#pragma once

#include <string>

namespace ovr::sys {

// The calling thread's system-wide id (the kernel's thread id), as a signed number.
long CurrentThreadId();

// A broken-down local time; month 1-12, millisecond 0-999.
struct LocalTime {
  int year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
  int millisecond;
};

LocalTime CurrentLocalTime();

// The process's current directory into `out`; false (and `out` untouched) when unreadable.
bool CurrentDirectory(std::string &out);

enum class DirStatus {
  Created,        // the directory was made
  AlreadyExists,  // something of that name exists already
  ParentMissing,  // a parent directory does not exist
  Failed,         // any other failure
};

struct DirResult {
  DirStatus status;
  int code;  // the system's error code; 0 when created
};

// Creates one directory (no parents) with full access rights for everyone the system allows.
DirResult MakeDirectory(const char *path);

// The separator the system's own paths use ('/' or '\\').
char PathSeparator();

}  // namespace ovr::sys
