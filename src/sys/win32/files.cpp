// File services on Windows.
#include "sys/files.h"

#include "sys/fault.h"

#include <windows.h>

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/utime.h>

// ReadFile and WriteFile take 32-bit counts: larger requests go in pieces.
static const DWORD MAX_CHUNK = 1u << 30;

const char PathSeparator = '\\';

static HANDLE AsHandle(FileHandle file) {
    return (HANDLE)file;
}

static FileHandle OpenExisting(const char *name, DWORD share) {
    HANDLE file =
        CreateFileA(name, GENERIC_READ, share, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    return (FileHandle)file;
}

FileHandle OpenFileExclusive(const char *name) {
    return OpenExisting(name, 0);
}

FileHandle OpenFileShared(const char *name) {
    return OpenExisting(name, FILE_SHARE_READ | FILE_SHARE_WRITE);
}

// Inheritable, so that a child program can take it as its standard output.
FileHandle CreateFileAnew(const char *name) {
    DWORD fault = (DWORD)FaultBefore(FAULT_CREATE, name, NULL);
    if (fault != 0) {
        SetLastError(fault);
        return NO_FILE;
    }
    SECURITY_ATTRIBUTES security;
    memset(&security, 0, sizeof security);
    security.nLength = sizeof security;
    security.bInheritHandle = TRUE;
    HANDLE file =
        CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &security, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    return (FileHandle)file;
}

int64_t FileSizeOf(FileHandle file) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(AsHandle(file), &size)) {
        return -1;
    }
    return (int64_t)size.QuadPart;
}

int64_t ReadFromFile(FileHandle file, void *buffer, size_t size) {
    char *at = (char *)buffer;
    size_t done = 0;
    while (done < size) {
        size_t left = size - done;
        DWORD want = left > MAX_CHUNK ? MAX_CHUNK : (DWORD)left;
        DWORD got = 0;
        if (!ReadFile(AsHandle(file), at + done, want, &got, NULL)) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return (int64_t)done;
}

int64_t WriteToFile(FileHandle file, const void *buffer, size_t size) {
    DWORD fault = (DWORD)FaultBefore(FAULT_WRITE, NULL, NULL);
    if (fault != 0) {
        SetLastError(fault);
        return -1;
    }
    const char *at = (const char *)buffer;
    size_t done = 0;
    while (done < size) {
        size_t left = size - done;
        DWORD want = left > MAX_CHUNK ? MAX_CHUNK : (DWORD)left;
        DWORD put = 0;
        if (!WriteFile(AsHandle(file), at + done, want, &put, NULL) || put == 0) {
            return -1;
        }
        done += put;
    }
    return (int64_t)done;
}

void CloseFileHandle(FileHandle file) {
    if (file != NO_FILE) {
        CloseHandle(AsHandle(file));
    }
}

int LastPlatformError() {
    return (int)GetLastError();
}

int FileExists(const char *name) {
    return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
}

int DeleteFileOnce(const char *name) {
    int fault = FaultBefore(FAULT_DELETE, name, NULL);
    if (fault != 0) {
        return fault;
    }
    return DeleteFileA(name) ? 0 : (int)GetLastError();
}

// Makes the content of the named file durable: 0, or the platform's error code.
static int FlushNamed(const char *name) {
    int error = FaultBefore(FAULT_FLUSH, name, NULL);
    if (error != 0) {
        return error;
    }
    HANDLE file = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return (int)GetLastError();
    }
    if (!FlushFileBuffers(file)) {
        error = (int)GetLastError();
    }
    CloseHandle(file);
    return error;
}

// Copies from over to in place: through a link to the file it points to; a
// read-only or hidden target is refused.
static int CopyInPlace(const char *from, const char *to) {
    int fault = FaultBefore(FAULT_CREATE, to, NULL);
    if (fault != 0) {
        return fault;
    }
    return CopyFileA(from, to, FALSE) ? 0 : (int)GetLastError();
}

// A rename replaces the target whole, so that a process or power that stops
// half-way leaves the old file or the new one, never a fragment. Where a
// rename would change what the copy did (a read-only, hidden or system
// target, a link) or cannot be made (another volume, a held target), the copy
// does it as before.
int MoveFileOver(const char *from, const char *to) {
    const DWORD copied = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                         FILE_ATTRIBUTE_REPARSE_POINT;
    DWORD attributes = GetFileAttributesA(to);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & copied) != 0) {
        return CopyInPlace(from, to);
    }
    int error = FlushNamed(from);
    if (error == 0) {
        error = FaultBefore(FAULT_REPLACE, from, to);
    }
    if (error == 0 && !MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = (int)GetLastError();
    }
    if (error == ERROR_NOT_SAME_DEVICE || error == ERROR_SHARING_VIOLATION ||
        error == ERROR_ACCESS_DENIED) {
        return CopyInPlace(from, to);
    }
    return error;
}

// The runtime's 32-bit utime sets both times from the one value.
int StampFileTime(const char *name, int32_t time) {
    int fault = FaultBefore(FAULT_STAMP, name, NULL);
    if (fault != 0) {
        errno = fault;
        return -1;
    }
    struct __utimbuf32 times;
    times.actime = (__time32_t)time;
    times.modtime = (__time32_t)time;
    return _utime32(name, &times) == 0 ? 0 : -1;
}

int FindMatchAt(const char *pattern, int index, char *dest, size_t size) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int more = 1;
    for (; index > 0 && more; index--) {
        more = FindNextFileA(search, &found);
    }
    FindClose(search);
    return more && snprintf(dest, size, "%s", found.cFileName) < (int)size;
}

int FindFirstMatch(const char *pattern, char *dest, size_t size) {
    return FindMatchAt(pattern, 0, dest, size);
}

int ChangeDirectory(const char *dir) {
    return SetCurrentDirectoryA(dir) != 0;
}

// GetCurrentDirectoryA gives the length without the zero, or the size needed
// with it when the buffer is too small.
int ReadCurrentDirectory(char *dest, size_t size) {
    if (size == 0) {
        return 0;
    }
    DWORD limit = size > MAX_CHUNK ? MAX_CHUNK : (DWORD)size;
    DWORD length = GetCurrentDirectoryA(limit, dest);
    if (length == 0 || length >= limit) {
        dest[0] = 0;
        return 0;
    }
    return 1;
}

void SleepMilliseconds(unsigned milliseconds) {
    Sleep(milliseconds);
}

int FormTempFileName(unsigned unique, char *dest, size_t size) {
    // With 0 the platform creates the file.
    if (unique == 0 && FaultBefore(FAULT_CREATE, "WIZ*.TMP", NULL) != 0) {
        return 0;
    }
    char name[MAX_PATH];
    if (GetTempFileNameA(".", "WIZ", unique, name) == 0) {
        return 0;
    }
    return snprintf(dest, size, "%s", name) < (int)size;
}
