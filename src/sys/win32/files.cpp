// File services on Windows.
#include "sys/files.h"

#include <windows.h>

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
    return DeleteFileA(name) ? 0 : (int)GetLastError();
}

int CopyFileOver(const char *from, const char *to) {
    return CopyFileA(from, to, FALSE) ? 0 : (int)GetLastError();
}

// The runtime's 32-bit utime sets both times from the one value.
int StampFileTime(const char *name, int32_t time) {
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
    char name[MAX_PATH];
    if (GetTempFileNameA(".", "WIZ", unique, name) == 0) {
        return 0;
    }
    return snprintf(dest, size, "%s", name) < (int)size;
}
