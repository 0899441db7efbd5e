/* ---- include/corbel/log.h --------------------------------------------------------------
 * The process's log file and the object lock.
 *
 * One plain-text log per process. Four entry points write one line each at a level:
 *   [ 2026-03-05 09:07:02:045 ] [ 4312 ] [INFO] message
 * (local time with milliseconds, the calling thread's system id, the tag, then the caller's
 * printf-style message; no line end is added, formats carry their own "\n"). A line is
 * written when the log level is at least 1 (INFO), 2 (ERROR), 3 (DEBUG) or 4 (TRACE); the
 * default level is 3. Every line is flushed at once.
 *
 * The object lock serialises by address: LockObject blocks until the address is the
 * caller's; it is not re-entrant (a thread must not lock an address it already holds).
 * Log lines take it under a key of their own, so a caller may log while it holds a lock. */
#ifndef CORBEL_LOG_H
#define CORBEL_LOG_H

#include <stdbool.h>
#include <stddef.h>
#include <stdio.h>

#if defined(__GNUC__) || defined(__clang__)
#define CORBEL_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define CORBEL_PRINTF_FORMAT(fmt, args)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result values of LockObject and UnlockObject. */
#define CORBEL_LOCK_ACQUIRED 1 /* LockObject: the address is now the caller's */
#define CORBEL_LOCK_RELEASED 4 /* UnlockObject: the address was locked and is free now */
#define CORBEL_LOCK_NOT_HELD 2 /* UnlockObject: the address was not locked */

/* ---- settings ---------------------------------------------------------------------- */

/* Default settings: file "corbel.log", no directory, level 3. With a log already open it
 * only resets the level to 3; with a file name already set and no log open it changes
 * nothing. False only when memory runs out. */
bool InitLog(void);

/* Replaces file name and directory with copies of `fileName` and `directory` (either may
 * be NULL: none) and stores the level. `sizeFigure` and `reserved` are kept, not used: the
 * file grows without limit. False when a copy cannot be made. */
bool SetLogConfig(const char *fileName, const char *directory, long sizeFigure, void *reserved,
                  unsigned char level);

/* Replace one setting; false for NULL or when the copy cannot be made. */
bool SetLogFileName(const char *fileName);
bool SetLogDirectory(const char *directory);
void SetLogLevel(unsigned char level);

/* Adopts an already open stream as the log (the log closes it in CloseLogFile); false for
 * NULL. */
bool SetLogFileHandle(FILE *stream);

/* Opens the log for appending ("a+") or afresh ("w"), creating its directory, and writes the
 * open line. The path is "<directory>/<file name>" when a directory is set, else
 * "<framework root>/logs/<file name>" when a framework root is set, else
 * "../logs/<file name>". Already open: nothing changes and the result is true. False when
 * the file cannot be opened or memory runs out; every level line is then dropped. */
bool OpenLogFile(void);
bool CreateLogFile(void);

/* Writes the close line and closes the log; nothing when no log is open. */
void CloseLogFile(void);

/* Forgets file name, directory and path and the log's lock key; later lines are dropped
 * until InitLog runs again. */
void ReleaseLogSettings(void);

/* The path the log was opened at, or NULL before the first open. Owned by the log; valid
 * until ReleaseLogSettings. */
const char *GetLogFilePath(void);

/* Creates `directory` and, when missing, its parents ("/" separates them). 0 when created,
 * 1 when it already exists, otherwise the system's error code. */
int MakeDirectoryTree(const char *directory);

/* ---- level lines --------------------------------------------------------------------- */

/* Each writes one line at its level. Nothing is written before the log is opened, after it
 * is closed, or below the level; the result is then 0. */
int LogInfo(const char *format, ...) CORBEL_PRINTF_FORMAT(1, 2);
int LogError(const char *format, ...) CORBEL_PRINTF_FORMAT(1, 2);
int LogDebug(const char *format, ...) CORBEL_PRINTF_FORMAT(1, 2);
int LogTrace(const char *format, ...) CORBEL_PRINTF_FORMAT(1, 2);

/* ---- object lock ----------------------------------------------------------------------- */

/* Prepares the lock table; call once at start-up (later calls are harmless). */
void InitMutex(void);

/* Blocks until `object` is locked by the caller; returns CORBEL_LOCK_ACQUIRED. Not
 * re-entrant: locking an address the caller already holds never returns. */
int LockObject(const void *object);

/* Releases `object` and wakes its waiters: CORBEL_LOCK_RELEASED, or CORBEL_LOCK_NOT_HELD when
 * it was not locked. Any thread may release an address. */
int UnlockObject(const void *object);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_LOG_H */
