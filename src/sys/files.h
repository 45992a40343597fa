// File services of the platform.
#ifndef WIZARD_SYS_FILES_H
#define WIZARD_SYS_FILES_H

#include <stddef.h>
#include <stdint.h>

// A platform file: a HANDLE on Windows, a descriptor on POSIX.
typedef intptr_t FileHandle;
#define NO_FILE ((FileHandle)-1)

// Opens an existing file for reading without sharing (on POSIX: a plain open).
FileHandle OpenFileExclusive(const char *name);
// Opens an existing file for reading, shared with other readers and writers.
FileHandle OpenFileShared(const char *name);
// Creates a file anew (an existing one is emptied), for reading and writing,
// shared with other readers and writers. On Windows the handle is inheritable,
// so that a child program can take it as its standard output.
FileHandle CreateFileAnew(const char *name);
// Size of an open file, or -1.
int64_t FileSizeOf(FileHandle file);
// Bytes read or written (fewer only at the end of the file), or -1 on error.
int64_t ReadFromFile(FileHandle file, void *buffer, size_t size);
int64_t WriteToFile(FileHandle file, const void *buffer, size_t size);
void CloseFileHandle(FileHandle file);

// The platform's error code of the last failed operation (GetLastError, errno).
int LastPlatformError();

// 1 when the file's attributes can be read (it exists and can be reached). A
// symbolic link counts by itself, whether or not its target exists.
int FileExists(const char *name);
// Deletes once (a link, never its target): 0 on success, else the platform's
// error code.
int DeleteFileOnce(const char *name);
// Puts from, a file of the caller's own, in the place of to, all or nothing:
// 0 on success, else the platform's error code, with to unchanged. from is
// flushed and renamed over to; where that cannot be done (another volume, and
// on Windows a held, hidden or linked target) it is copied, from staying. A
// read-only target is refused. On POSIX an existing target keeps its
// permissions, and over a symbolic link the file it points to is replaced and
// the link stays; on Windows a copy through a link writes the file it points to.
int MoveFileOver(const char *from, const char *to);
// Sets last-access and last-write times with the runtime's utime; the creation
// time is untouched. 0 on success, -1 on failure.
int StampFileTime(const char *name, int32_t time);

// The name of the first directory entry matching pattern ("*.wiz"), in the
// platform's order: 1 and the name in dest, or 0.
int FindFirstMatch(const char *pattern, char *dest, size_t size);
// The same for the match after index others (0 gives the first match), for a
// caller that looks at every match in the order the wizard's search sees them.
int FindMatchAt(const char *pattern, int index, char *dest, size_t size);

// Nonzero on success.
int ChangeDirectory(const char *dir);
// The current directory into dest: nonzero on success, 0 on failure or when it
// does not fit.
int ReadCurrentDirectory(char *dest, size_t size);

void SleepMilliseconds(unsigned milliseconds);

// The temporary name for a unique number in the current directory: "WIZ", the
// number in hexadecimal, ".TMP" (GetTempFileNameA on Windows). 1 on success.
int FormTempFileName(unsigned unique, char *dest, size_t size);

// The separator between a directory and a name: '\\' on Windows, '/' on POSIX.
extern const char PathSeparator;

#endif
