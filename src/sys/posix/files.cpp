// File services on POSIX systems.
#include "sys/files.h"

#include "sys/fault.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <utime.h>

enum {
    COPY_BUFFER_SIZE = 1 << 16,
    DIRECTORY_SIZE = 4096,
    TEMP_NAME_SIZE = 4096 + 32,
    LINK_HOPS = 40 // as the kernel's limit on a chain of links
};

const char PathSeparator = '/';

// Descriptors are not passed on to child programs unless they are made a child's
// standard stream explicitly (which clears the flag on the copy).
static FileHandle OpenDescriptor(const char *name, int flags, mode_t mode) {
    if (name == NULL || name[0] == 0) {
        errno = ENOENT;
        return NO_FILE;
    }
    int fd;
    do {
        fd = open(name, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? NO_FILE : (FileHandle)fd;
}

FileHandle OpenFileExclusive(const char *name) {
    return OpenDescriptor(name, O_RDONLY, 0);
}

FileHandle OpenFileShared(const char *name) {
    return OpenDescriptor(name, O_RDONLY, 0);
}

FileHandle CreateFileAnew(const char *name) {
    int fault = FaultBefore(FAULT_CREATE, name, nullptr);
    if (fault != 0) {
        errno = fault;
        return NO_FILE;
    }
    return OpenDescriptor(name, O_RDWR | O_CREAT | O_TRUNC, 0666);
}

int64_t FileSizeOf(FileHandle file) {
    struct stat info;
    if (file == NO_FILE || fstat((int)file, &info) != 0) {
        return -1;
    }
    return (int64_t)info.st_size;
}

int64_t ReadFromFile(FileHandle file, void *buffer, size_t size) {
    char *at = (char *)buffer;
    size_t done = 0;
    while (done < size) {
        ssize_t got = read((int)file, at + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += (size_t)got;
    }
    return (int64_t)done;
}

int64_t WriteToFile(FileHandle file, const void *buffer, size_t size) {
    int fault = FaultBefore(FAULT_WRITE, nullptr, nullptr);
    if (fault != 0) {
        errno = fault;
        return -1;
    }
    const char *at = (const char *)buffer;
    size_t done = 0;
    while (done < size) {
        ssize_t put = write((int)file, at + done, size - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return -1;
        }
        done += (size_t)put;
    }
    return (int64_t)done;
}

void CloseFileHandle(FileHandle file) {
    if (file != NO_FILE) {
        // A close interrupted by a signal has still released the descriptor on
        // Linux; retrying could close a descriptor opened meanwhile.
        close((int)file);
    }
}

int LastPlatformError() {
    return errno;
}

// The name itself, as Windows reads a link's own attributes: a dangling link is
// there, so that removing it is tried.
int FileExists(const char *name) {
    struct stat info;
    return name != NULL && name[0] != 0 && lstat(name, &info) == 0;
}

int DeleteFileOnce(const char *name) {
    if (name == NULL || name[0] == 0) {
        return ENOENT;
    }
    int fault = FaultBefore(FAULT_DELETE, name, nullptr);
    if (fault != 0) {
        return fault;
    }
    return unlink(name) == 0 ? 0 : errno;
}

// The directory part of name with its trailing slash ("" for a bare name).
static void DirectoryPart(const char *name, char *dest, size_t size) {
    const char *slash = strrchr(name, '/');
    size_t length = slash == NULL ? 0 : (size_t)(slash - name) + 1;
    if (length >= size) {
        length = 0;
    }
    memcpy(dest, name, length);
    dest[length] = 0;
}

static int CopyContent(int from, int to) {
    static char buffer[COPY_BUFFER_SIZE];
    for (;;) {
        int64_t got = ReadFromFile(from, buffer, sizeof buffer);
        if (got < 0) {
            return errno;
        }
        if (got == 0) {
            return 0;
        }
        if (WriteToFile(to, buffer, (size_t)got) != got) {
            return errno;
        }
    }
}

// The name that a chain of symbolic links ends at (name itself when it is no
// link), whether or not that file exists yet: 0, or an errno value.
static int FollowLinks(const char *name, char *dest, size_t size) {
    if (snprintf(dest, size, "%s", name) >= (int)size) {
        return ENAMETOOLONG;
    }
    for (int hops = 0; hops < LINK_HOPS; hops++) {
        struct stat info;
        if (lstat(dest, &info) != 0 || !S_ISLNK(info.st_mode)) {
            return 0;
        }
        char target[TEMP_NAME_SIZE];
        ssize_t length = readlink(dest, target, sizeof target - 1);
        if (length < 0) {
            return errno;
        }
        target[length] = 0;
        // A relative target is relative to the link's own directory.
        char directory[DIRECTORY_SIZE];
        DirectoryPart(dest, directory, sizeof directory);
        if (target[0] == '/') {
            directory[0] = 0;
        }
        if (snprintf(dest, size, "%s%s", directory, target) >= (int)size) {
            return ENAMETOOLONG;
        }
    }
    return ELOOP;
}

// The content of from in a new file beside to, flushed and renamed over it
// with mode: 0, or an errno value; to is unchanged on failure.
static int CopyThroughTwin(const char *from, const char *to, mode_t mode) {
    FileHandle source = OpenDescriptor(from, O_RDONLY, 0);
    if (source == NO_FILE) {
        return errno;
    }
    char directory[DIRECTORY_SIZE];
    DirectoryPart(to, directory, sizeof directory);
    char temp[TEMP_NAME_SIZE];
    snprintf(temp, sizeof temp, "%s.wizcopyXXXXXX", directory);
    int target = mkstemp(temp);
    if (target < 0) {
        int error = errno;
        CloseFileHandle(source);
        return error;
    }
    int error = FaultBefore(FAULT_CREATE, temp, nullptr);
    if (error == 0) {
        error = CopyContent((int)source, target);
    }
    if (error == 0 && fchmod(target, mode) != 0) {
        error = errno;
    }
    if (error == 0) {
        error = FaultBefore(FAULT_FLUSH, temp, nullptr);
    }
    if (error == 0 && fsync(target) != 0) {
        error = errno;
    }
    if (close(target) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0) {
        error = FaultBefore(FAULT_REPLACE, temp, to);
    }
    if (error == 0 && rename(temp, to) != 0) {
        error = errno;
    }
    if (error != 0) {
        unlink(temp);
    }
    CloseFileHandle(source);
    return error;
}

// Makes the content of the named file durable: 0, or an errno value.
static int FlushNamed(const char *name) {
    int error = FaultBefore(FAULT_FLUSH, name, nullptr);
    FileHandle file = error == 0 ? OpenDescriptor(name, O_RDONLY, 0) : NO_FILE;
    if (error == 0 && file == NO_FILE) {
        error = errno;
    }
    if (error == 0 && fsync((int)file) != 0) {
        error = errno;
    }
    CloseFileHandle(file);
    return error;
}

// from is flushed and renamed over the target, so that the target is either
// the old file or the new one, whenever the process or the power stops. Over
// a symbolic link the file it points to is replaced and the link stays, as
// Windows writes through a link; on another file system from is copied
// through a flushed twin beside the target.
int MoveFileOver(const char *from, const char *name) {
    if (from == NULL || name == NULL || from[0] == 0 || name[0] == 0) {
        return ENOENT;
    }
    char to[TEMP_NAME_SIZE];
    int error = FollowLinks(name, to, sizeof to);
    if (error != 0) {
        return error;
    }
    struct stat source, existing;
    if (stat(from, &source) != 0) {
        return errno;
    }
    // The new content takes the place of an existing file's, so it keeps that
    // file's permissions: an expanded program stays executable. A read-only
    // target is refused, as Windows refuses to copy over a read-only file.
    mode_t mode = source.st_mode & 07777;
    if (stat(to, &existing) == 0) {
        mode = existing.st_mode & 07777;
        if ((mode & 0222) == 0) {
            return EACCES;
        }
    }
    error = FlushNamed(from);
    if (error == 0 && chmod(from, mode) != 0) {
        error = errno;
    }
    if (error == 0) {
        error = FaultBefore(FAULT_REPLACE, from, to);
    }
    if (error == 0 && rename(from, to) != 0) {
        error = errno;
    }
    return error == EXDEV ? CopyThroughTwin(from, to, mode) : error;
}

int StampFileTime(const char *name, int32_t time) {
    int fault = FaultBefore(FAULT_STAMP, name, nullptr);
    if (fault != 0) {
        errno = fault;
        return -1;
    }
    struct utimbuf times;
    times.actime = (time_t)time;
    times.modtime = (time_t)time;
    return utime(name, &times) == 0 ? 0 : -1;
}

// Names are matched regardless of case, as Windows matches them.
int FindMatchAt(const char *pattern, int index, char *dest, size_t size) {
    char directory[DIRECTORY_SIZE];
    DirectoryPart(pattern, directory, sizeof directory);
    const char *namePattern = pattern + strlen(directory);
    DIR *dir = opendir(directory[0] != 0 ? directory : ".");
    if (dir == NULL) {
        return 0;
    }
    int found = 0;
    struct dirent *entry;
    while (!found && (entry = readdir(dir)) != NULL) {
        if (fnmatch(namePattern, entry->d_name, FNM_CASEFOLD) == 0 &&
            snprintf(dest, size, "%s", entry->d_name) < (int)size) {
            found = index-- == 0;
        }
    }
    closedir(dir);
    return found;
}

int FindFirstMatch(const char *pattern, char *dest, size_t size) {
    return FindMatchAt(pattern, 0, dest, size);
}

int ChangeDirectory(const char *dir) {
    return dir != NULL && chdir(dir) == 0;
}

int ReadCurrentDirectory(char *dest, size_t size) {
    return size > 0 && getcwd(dest, size) != NULL;
}

void SleepMilliseconds(unsigned milliseconds) {
    struct timespec left;
    left.tv_sec = milliseconds / 1000;
    left.tv_nsec = (long)(milliseconds % 1000) * 1000000L;
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// As the Windows rule: a nonzero number only forms the name; 0 draws a free
// number and creates the empty file.
int FormTempFileName(unsigned unique, char *dest, size_t size) {
    if (unique != 0) {
        return snprintf(dest, size, "./WIZ%X.TMP", unique & 0xFFFF) < (int)size;
    }
    unsigned start = (unsigned)getpid() & 0xFFFF;
    for (unsigned i = 0; i < 0xFFFF; i++) {
        unsigned number = (start + i) % 0xFFFF + 1;
        if (snprintf(dest, size, "./WIZ%X.TMP", number) >= (int)size) {
            return 0;
        }
        int fault = FaultBefore(FAULT_CREATE, dest, nullptr);
        if (fault != 0) {
            errno = fault;
            return 0;
        }
        int fd = open(dest, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            return 1;
        }
        if (errno != EEXIST) {
            return 0;
        }
    }
    return 0;
}
