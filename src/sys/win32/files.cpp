// File services on Windows.
#include <windows.h>

#include "sys/platform.h"

#include <stdio.h>
#include <string.h>
#include <sys/utime.h>

// ReadFile and WriteFile take 32-bit counts: larger requests go in pieces.
static const DWORD MAX_CHUNK = 1u << 30;

// What a file that takes another's place carries over of its attributes; the
// read-only one is refused before, never carried.
static const DWORD CarriedAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                       FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

enum {
    SECURITY_SIZE = 1 << 16,
    LONG_NAME_SIZE = 32768 // a full name the platform gives, at most
};

const int FileExistsError = ERROR_FILE_EXISTS;
const int InvalidArgumentError = ERROR_INVALID_PARAMETER;
const char PathSeparator = '\\';
const size_t PathLimit = MAX_PATH - 1;

static HANDLE AsHandle(FileHandle file) {
    return (HANDLE)file;
}

// The platform's error code of the call that just failed; never 0.
static int Failure() {
    DWORD error = GetLastError();
    return error != 0 ? (int)error : ERROR_GEN_FAILURE;
}

static int Open(const char *name, DWORD access, DWORD share, DWORD disposition,
                SECURITY_ATTRIBUTES *security, DWORD flags, FileHandle *file) {
    HANDLE handle = CreateFileA(name, access, share, security, disposition, flags, NULL);
    *file = (FileHandle)handle;
    return handle == INVALID_HANDLE_VALUE ? Failure() : 0;
}

int OpenToRead(const char *name, FileSharing sharing, FileHandle *file) {
    DWORD share =
        sharing == SHARE_NONE ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    return Open(name, GENERIC_READ, share, OPEN_EXISTING, NULL, FILE_ATTRIBUTE_NORMAL, file);
}

int PlatformCreateNew(const char *name, FileHandle *file) {
    return Open(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW, NULL,
                FILE_ATTRIBUTE_NORMAL, file);
}

// Inheritable, so that a child program can take it as its standard output;
// sharing lets others read the output while the child runs.
int PlatformCreateAnew(const char *name, FileHandle *file) {
    SECURITY_ATTRIBUTES security;
    memset(&security, 0, sizeof security);
    security.nLength = sizeof security;
    security.bInheritHandle = TRUE;
    return Open(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                CREATE_ALWAYS, &security, FILE_ATTRIBUTE_NORMAL, file);
}

int SizeOfFile(FileHandle file, int64_t *size) {
    LARGE_INTEGER length;
    if (!GetFileSizeEx(AsHandle(file), &length))
        return Failure();
    *size = (int64_t)length.QuadPart;
    return 0;
}

int ReadFromFile(FileHandle file, void *buffer, size_t size, size_t *got) {
    char *at = (char *)buffer;
    *got = 0;
    while (*got < size) {
        size_t left = size - *got;
        DWORD want = left > MAX_CHUNK ? MAX_CHUNK : (DWORD)left;
        DWORD read = 0;
        if (!ReadFile(AsHandle(file), at + *got, want, &read, NULL))
            return Failure();
        if (read == 0)
            break;
        *got += read;
    }
    return 0;
}

int PlatformWrite(FileHandle file, const void *buffer, size_t size) {
    const char *at = (const char *)buffer;
    while (size > 0) {
        DWORD want = size > MAX_CHUNK ? MAX_CHUNK : (DWORD)size;
        DWORD put = 0;
        if (!WriteFile(AsHandle(file), at, want, &put, NULL))
            return Failure();
        if (put == 0)
            return ERROR_WRITE_FAULT;
        at += put;
        size -= put;
    }
    return 0;
}

void CloseFileHandle(FileHandle file) {
    if (file != NO_FILE)
        CloseHandle(AsHandle(file));
}

int FileExists(const char *name) {
    return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
}

int ReadFileFacts(const char *name, FileFacts *facts) {
    FileHandle file;
    int error =
        Open(name, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
             OPEN_EXISTING, NULL, FILE_FLAG_BACKUP_SEMANTICS, &file);
    if (error != 0)
        return error;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(AsHandle(file), &info))
        error = Failure();
    CloseFileHandle(file);
    if (error != 0)
        return error;
    facts->regular = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    facts->readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    facts->links = (int)info.nNumberOfLinks;
    facts->size = (int64_t)((uint64_t)info.nFileSizeHigh << 32 | info.nFileSizeLow);
    // 100 ns ticks since 1601 to seconds since 1970.
    uint64_t ticks =
        (uint64_t)info.ftLastWriteTime.dwHighDateTime << 32 | info.ftLastWriteTime.dwLowDateTime;
    facts->mtime = (int64_t)(ticks / 10000000ull) - 11644473600ll;
    facts->mode = facts->readOnly ? 0444 : 0644;
    return 0;
}

// A link is written through to the file it points to. The platform tells the
// final name of what a name opens even where it does not mark the link as one
// (Wine's view of a POSIX link); that name comes without the "\\?\" it
// puts before it, where it fits without.
int ResolveLinks(const char *name, char *dest, size_t size) {
    FileHandle file;
    if (Open(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, NULL,
             FILE_FLAG_BACKUP_SEMANTICS, &file) != 0)
        return snprintf(dest, size, "%s", name) < (int)size ? 0 : ERROR_FILENAME_EXCED_RANGE;
    char final[LONG_NAME_SIZE];
    DWORD length = GetFinalPathNameByHandleA(AsHandle(file), final, sizeof final, 0);
    int error = length == 0 ? Failure() : length >= sizeof final ? ERROR_FILENAME_EXCED_RANGE : 0;
    CloseFileHandle(file);
    if (error != 0)
        return error;
    const char *path = final;
    char unc[LONG_NAME_SIZE];
    if (strncmp(final, "\\\\?\\UNC\\", 8) == 0) {
        snprintf(unc, sizeof unc, "\\\\%s", final + 8);
        path = unc;
    } else if (strncmp(final, "\\\\?\\", 4) == 0) {
        path = final + 4;
    }
    if (strlen(path) > PathLimit)
        path = final;
    return snprintf(dest, size, "%s", path) < (int)size ? 0 : ERROR_FILENAME_EXCED_RANGE;
}

int PlatformDelete(const char *name) {
    return DeleteFileA(name) ? 0 : Failure();
}

int PlatformRename(const char *from, const char *to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0
                                                                                     : Failure();
}

// The attributes that make the file what it is to the user, then its access
// list where the platform lets it be read and set.
int PlatformCarryIdentity(const char *from, const char *to) {
    DWORD was = GetFileAttributesA(from), now = GetFileAttributesA(to);
    if (was == INVALID_FILE_ATTRIBUTES || now == INVALID_FILE_ATTRIBUTES)
        return Failure();
    DWORD attributes = (now & ~CarriedAttributes) | (was & CarriedAttributes);
    if (attributes != now && !SetFileAttributesA(to, attributes))
        return Failure();
    static char descriptor[SECURITY_SIZE];
    DWORD needed = 0;
    if (GetFileSecurityA(from, DACL_SECURITY_INFORMATION, descriptor, sizeof descriptor, &needed))
        SetFileSecurityA(to, DACL_SECURITY_INFORMATION, descriptor);
    return 0;
}

// The runtime's 32-bit utime sets both times from the one value.
int PlatformStamp(const char *name, int32_t time) {
    struct __utimbuf32 times;
    times.actime = (__time32_t)time;
    times.modtime = (__time32_t)time;
    return _utime32(name, &times) == 0 ? 0 : Failure();
}

// Renames are written through already; data is flushed file by file, as the
// platform offers no flush of a whole volume to a program without privileges.
int PlatformSync(SyncKind kind, const char *const *names, int count) {
    if (kind == SYNC_NAMES)
        return 0;
    for (int i = 0; i < count; i++) {
        FileHandle file;
        int error = Open(names[i], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                         NULL, FILE_ATTRIBUTE_NORMAL, &file);
        if (error == 0 && !FlushFileBuffers(AsHandle(file)))
            error = Failure();
        CloseFileHandle(file);
        if (error != 0)
            return error;
    }
    return 0;
}

int IsCrossDeviceError(int error) {
    return error == ERROR_NOT_SAME_DEVICE;
}

int IsHeldError(int error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

int IsMissingError(int error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Held without sharing, the file is the lock; the platform deletes it when the
// lock goes, also when the process is ended.
int PlatformLock(const char *name, FileHandle *lock) {
    return Open(name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS, NULL,
                FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, lock);
}

void UnlockDirectory(FileHandle lock) {
    CloseFileHandle(lock);
}

int FindMatchAt(const char *pattern, int index, char *dest, size_t size) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return Failure();
    int more = 1;
    for (; index > 0 && more; index--)
        more = FindNextFileA(search, &found);
    FindClose(search);
    if (!more)
        return ERROR_FILE_NOT_FOUND;
    return snprintf(dest, size, "%s", found.cFileName) < (int)size ? 0 : ERROR_FILENAME_EXCED_RANGE;
}

int ChangeDirectory(const char *dir) {
    return SetCurrentDirectoryA(dir) ? 0 : Failure();
}

// GetCurrentDirectoryA gives the length without the zero, or the size needed
// with it when the buffer is too small.
int ReadCurrentDirectory(char *dest, size_t size) {
    if (size == 0)
        return ERROR_INSUFFICIENT_BUFFER;
    DWORD limit = size > MAX_CHUNK ? MAX_CHUNK : (DWORD)size;
    DWORD length = GetCurrentDirectoryA(limit, dest);
    if (length == 0)
        return Failure();
    if (length >= limit) {
        dest[0] = '\0';
        return ERROR_INSUFFICIENT_BUFFER;
    }
    return 0;
}

void SleepMilliseconds(unsigned milliseconds) {
    Sleep(milliseconds);
}

// With a nonzero number the platform only forms the name.
int FormTempFileName(const char *prefix, unsigned unique, char *dest, size_t size) {
    char name[MAX_PATH];
    if (GetTempFileNameA(".", prefix, unique, name) == 0)
        return Failure();
    return snprintf(dest, size, "%s", name) < (int)size ? 0 : ERROR_FILENAME_EXCED_RANGE;
}
