// File services of the platform. Every operation answers 0 on success or the
// platform's error code (errno on POSIX, GetLastError on Windows), and hands
// its values out through parameters; a predicate answers 1 or 0. Every
// operation that changes the disk passes the seam first (sys/fault.h), in the
// portable front (sys/files.cpp), and nowhere else.
#ifndef WIZARD_SYS_FILES_H
#define WIZARD_SYS_FILES_H

#include <stddef.h>
#include <stdint.h>

// A platform file: a HANDLE on Windows, a descriptor on POSIX.
typedef intptr_t FileHandle;
#define NO_FILE ((FileHandle)-1)

// How an opened file may be shared with other openers.
enum FileSharing {
    SHARE_NONE, // nobody else may open it meanwhile (Windows; on POSIX a plain open)
    SHARE_ALL   // others may read, write and delete it meanwhile
};

// Opens an existing file for reading.
int OpenToRead(const char *name, FileSharing sharing, FileHandle *file);
// Creates name, which must not exist yet, for reading and writing.
int CreateNewFile(const char *name, FileHandle *file);
// Creates name anew (an existing one is emptied) for reading and writing,
// shared with other readers and writers; fit to become a child program's
// standard output.
int CreateFileAnew(const char *name, FileHandle *file);
int SizeOfFile(FileHandle file, int64_t *size);
// Reads up to size bytes; *got falls short of size only at the end of the file.
int ReadFromFile(FileHandle file, void *buffer, size_t size, size_t *got);
// Writes all size bytes, or fails.
int WriteToFile(FileHandle file, const void *buffer, size_t size);
void CloseFileHandle(FileHandle file);

// 1 when the name's attributes can be read: it exists and can be reached. A
// symbolic link counts by itself, whether or not its target exists.
int FileExists(const char *name);

// What the wizard asks of a file it may replace, following links.
struct FileFacts {
    int regular;  // a plain file, not a directory or device
    int readOnly; // nobody may write it (no write bit; the read-only attribute)
    int links;    // names the file has (hard links)
    int64_t size;
    int64_t mtime; // seconds since 1970-01-01 00:00 UTC
    unsigned mode; // permission bits (0644 or 0755 on Windows)
};
int ReadFileFacts(const char *name, FileFacts *facts);

// The name that a chain of symbolic links starting at name ends at (name
// itself when it is no link), whether or not that file exists.
int ResolveLinks(const char *name, char *dest, size_t size);

// Deletes once: a link, never its target.
int DeleteFileOnce(const char *name);
// Renames from over to in one step: to is either the old file or the new one,
// whenever the process or the power stops (on Windows written through).
int RenameOver(const char *from, const char *to);
// Makes the file to, newly written to take the place of from, carry who from
// is: owner and group where the platform lets them be set, then the mode
// (without set-user-ID and set-group-ID when the owner could not be kept),
// then extended attributes and access lists; on Windows the hidden, system
// and archive attributes.
int CarryIdentity(const char *from, const char *to);
// Sets the last-access and last-write times with the runtime's utime; the
// creation time is untouched.
int StampFileTime(const char *name, int32_t time);

// Makes durable what was written to the named files (SYNC_DATA), or the
// names that were created, renamed or deleted in their directories
// (SYNC_NAMES), in as few flushes as the platform allows: on POSIX one for
// each file system, which makes everything on it durable; on Windows one for
// each file's data, renames being written through already.
enum SyncKind { SYNC_DATA, SYNC_NAMES };
int SyncFiles(SyncKind kind, const char *const *names, int count);

// The error of a file that exists where a new one is to be made, and of
// arguments that no platform call could take.
extern const int FileExistsError;
extern const int InvalidArgumentError;

// 1 when a rename failed only because to lies on another file system.
int IsCrossDeviceError(int error);
// 1 when the error says that another program holds the file.
int IsHeldError(int error);
// 1 when the error says that the file is not there.
int IsMissingError(int error);

// Takes the product directory for this process alone: 0 and *lock, or an
// error for which IsHeldError holds when another process has it. On POSIX the
// current directory is locked and nothing is made; on Windows the file name,
// which vanishes with the lock, is held open without sharing.
int LockDirectory(const char *name, FileHandle *lock);
void UnlockDirectory(FileHandle lock);

// The name of the directory entry matching pattern ("*.wiz") after index
// others, in the platform's order (0 gives the first match).
int FindMatchAt(const char *pattern, int index, char *dest, size_t size);

int ChangeDirectory(const char *dir);
// The current directory into dest; an error when it does not fit.
int ReadCurrentDirectory(char *dest, size_t size);

void SleepMilliseconds(unsigned milliseconds);

// The temporary name for a nonzero unique number in the current directory:
// prefix, the number in hexadecimal, ".TMP" (GetTempFileNameA on Windows),
// only formed, not created.
int FormTempFileName(const char *prefix, unsigned unique, char *dest, size_t size);

// The separator between a directory and a name: '\\' on Windows, '/' on POSIX;
// and the longest full name of a file that the platform opens.
extern const char PathSeparator;
extern const size_t PathLimit;

#endif
