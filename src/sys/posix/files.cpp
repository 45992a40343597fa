// File services on POSIX systems.
#include "sys/platform.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>
#include <utime.h>

enum {
    DIRECTORY_SIZE = PATH_MAX,
    LINK_HOPS = 40, // as the kernel's limit on a chain of links
    ATTRIBUTE_LIST_SIZE = 1 << 16,
    ATTRIBUTE_VALUE_SIZE = 1 << 16,
    SYNCED_SYSTEMS = 16 // distinct file systems one SyncFiles flushes
};

const int FileExistsError = EEXIST;
const int InvalidArgumentError = EINVAL;
const char PathSeparator = '/';
const size_t PathLimit = PATH_MAX - 1;

// Descriptors are not passed on to child programs unless they are made a child's
// standard stream explicitly (which clears the flag on the copy).
static int OpenDescriptor(const char *name, int flags, mode_t mode, FileHandle *file) {
    *file = NO_FILE;
    if (name == nullptr || name[0] == '\0')
        return ENOENT;
    int fd;
    do {
        fd = open(name, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno;
    *file = (FileHandle)fd;
    return 0;
}

// POSIX has no sharing modes: every open shares.
int OpenToRead(const char *name, FileSharing, FileHandle *file) {
    return OpenDescriptor(name, O_RDONLY, 0, file);
}

int PlatformCreateNew(const char *name, FileHandle *file) {
    return OpenDescriptor(name, O_RDWR | O_CREAT | O_EXCL, 0666, file);
}

// Above the standard descriptors, so that a child gets it only as the standard
// output made for it, even when the wizard runs with a standard stream closed.
int PlatformCreateAnew(const char *name, FileHandle *file) {
    int error = OpenDescriptor(name, O_RDWR | O_CREAT | O_TRUNC, 0666, file);
    if (error != 0 || *file > STDERR_FILENO)
        return error;
    int high = fcntl((int)*file, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    error = high < 0 ? errno : 0;
    close((int)*file);
    *file = high < 0 ? NO_FILE : (FileHandle)high;
    return error;
}

int SizeOfFile(FileHandle file, int64_t *size) {
    struct stat info;
    if (fstat((int)file, &info) != 0)
        return errno;
    *size = (int64_t)info.st_size;
    return 0;
}

int ReadFromFile(FileHandle file, void *buffer, size_t size, size_t *got) {
    char *at = (char *)buffer;
    *got = 0;
    while (*got < size) {
        ssize_t read_now = read((int)file, at + *got, size - *got);
        if (read_now < 0 && errno == EINTR)
            continue;
        if (read_now < 0)
            return errno;
        if (read_now == 0)
            break;
        *got += (size_t)read_now;
    }
    return 0;
}

int PlatformWrite(FileHandle file, const void *buffer, size_t size) {
    const char *at = (const char *)buffer;
    while (size > 0) {
        ssize_t put = write((int)file, at, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return put < 0 ? errno : EIO;
        at += put;
        size -= (size_t)put;
    }
    return 0;
}

void CloseFileHandle(FileHandle file) {
    // A close interrupted by a signal has still released the descriptor on
    // Linux; retrying could close a descriptor opened meanwhile.
    if (file != NO_FILE)
        close((int)file);
}

// The name itself, as Windows reads a link's own attributes: a dangling link is
// there, so that removing it is tried.
int FileExists(const char *name) {
    struct stat info;
    return name != nullptr && name[0] != '\0' && lstat(name, &info) == 0;
}

int ReadFileFacts(const char *name, FileFacts *facts) {
    struct stat info;
    if (name == nullptr || name[0] == '\0')
        return ENOENT;
    if (stat(name, &info) != 0)
        return errno;
    facts->regular = S_ISREG(info.st_mode);
    facts->readOnly = (info.st_mode & 0222) == 0;
    facts->links = (int)info.st_nlink;
    facts->size = (int64_t)info.st_size;
    facts->mtime = (int64_t)info.st_mtime;
    facts->mode = (unsigned)(info.st_mode & 07777);
    return 0;
}

// The directory part of name with its trailing slash ("" for a bare name).
static void DirectoryPart(const char *name, char *dest, size_t size) {
    const char *slash = strrchr(name, '/');
    size_t length = slash == nullptr ? 0 : (size_t)(slash - name) + 1;
    if (length >= size)
        length = 0;
    memcpy(dest, name, length);
    dest[length] = '\0';
}

int ResolveLinks(const char *name, char *dest, size_t size) {
    if (snprintf(dest, size, "%s", name) >= (int)size)
        return ENAMETOOLONG;
    for (int hops = 0; hops < LINK_HOPS; hops++) {
        struct stat info;
        if (lstat(dest, &info) != 0 || !S_ISLNK(info.st_mode))
            return 0;
        char target[PATH_MAX];
        ssize_t length = readlink(dest, target, sizeof target - 1);
        if (length < 0)
            return errno;
        target[length] = '\0';
        // A relative target is relative to the link's own directory.
        char directory[DIRECTORY_SIZE];
        DirectoryPart(dest, directory, sizeof directory);
        if (target[0] == '/')
            directory[0] = '\0';
        if (snprintf(dest, size, "%s%s", directory, target) >= (int)size)
            return ENAMETOOLONG;
    }
    return ELOOP;
}

int PlatformDelete(const char *name) {
    if (name == nullptr || name[0] == '\0')
        return ENOENT;
    return unlink(name) == 0 ? 0 : errno;
}

int PlatformRename(const char *from, const char *to) {
    if (from == nullptr || to == nullptr || from[0] == '\0' || to[0] == '\0')
        return ENOENT;
    return rename(from, to) == 0 ? 0 : errno;
}

// Extended attributes, access lists among them: what the file system refuses
// to copy (a security label that only the system may set) stays as it is.
static void CarryAttributes(const char *from, const char *to) {
    static char names[ATTRIBUTE_LIST_SIZE];
    static char value[ATTRIBUTE_VALUE_SIZE];
    ssize_t length = listxattr(from, names, sizeof names);
    for (ssize_t at = 0; at < length; at += (ssize_t)strlen(names + at) + 1) {
        ssize_t size = getxattr(from, names + at, value, sizeof value);
        if (size >= 0)
            setxattr(to, names + at, value, (size_t)size, 0);
    }
}

// Owner and group first, since setting them clears set-user-ID bits; then the
// mode, without those bits when the owner could not be kept, as cp -p does.
int PlatformCarryIdentity(const char *from, const char *to) {
    struct stat was, now;
    if (stat(from, &was) != 0 || stat(to, &now) != 0)
        return errno;
    mode_t mode = was.st_mode & 07777;
    if ((was.st_uid != now.st_uid || was.st_gid != now.st_gid) &&
        chown(to, was.st_uid, was.st_gid) != 0)
        mode &= ~(mode_t)(S_ISUID | S_ISGID);
    if ((now.st_mode & 07777) != mode && chmod(to, mode) != 0)
        return errno;
    CarryAttributes(from, to);
    return 0;
}

int PlatformStamp(const char *name, int32_t time) {
    struct utimbuf times;
    times.actime = (time_t)time;
    times.modtime = (time_t)time;
    return utime(name, &times) == 0 ? 0 : errno;
}

// The directory that holds name, opened to flush the file system under it.
static int OpenDirectoryOf(const char *name, int *fd) {
    char directory[DIRECTORY_SIZE];
    DirectoryPart(name, directory, sizeof directory);
    *fd = open(directory[0] != '\0' ? directory : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return *fd < 0 ? errno : 0;
}

// syncfs flushes a whole file system, data and names alike, in one call: a
// batch of files costs one flush, not one per file.
int PlatformSync(SyncKind, const char *const *names, int count) {
    dev_t synced[SYNCED_SYSTEMS];
    int systems = 0;
    for (int i = 0; i < count; i++) {
        // Names of one directory usually come together: one look for them all.
        char directory[DIRECTORY_SIZE], previous[DIRECTORY_SIZE];
        DirectoryPart(names[i], directory, sizeof directory);
        if (i > 0) {
            DirectoryPart(names[i - 1], previous, sizeof previous);
            if (strcmp(directory, previous) == 0)
                continue;
        }
        int fd;
        int error = OpenDirectoryOf(names[i], &fd);
        struct stat info;
        if (error == 0 && fstat(fd, &info) != 0)
            error = errno;
        int seen = 0;
        for (int s = 0; error == 0 && s < systems; s++)
            seen |= synced[s] == info.st_dev;
        if (error == 0 && !seen && syncfs(fd) != 0)
            error = errno;
        if (error == 0 && !seen && systems < SYNCED_SYSTEMS)
            synced[systems++] = info.st_dev;
        if (fd >= 0)
            close(fd);
        if (error != 0)
            return error;
    }
    return 0;
}

int IsCrossDeviceError(int error) {
    return error == EXDEV;
}

int IsHeldError(int error) {
    return error == EWOULDBLOCK || error == EAGAIN || error == EBUSY;
}

int IsMissingError(int error) {
    return error == ENOENT || error == ENOTDIR;
}

// A lock on the directory itself: nothing is made, and the lock goes with the
// process, however it ends.
int PlatformLock(const char *, FileHandle *lock) {
    int fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        close(fd);
        return error;
    }
    *lock = (FileHandle)fd;
    return 0;
}

void UnlockDirectory(FileHandle lock) {
    CloseFileHandle(lock);
}

// Names are matched regardless of case, as Windows matches them.
int FindMatchAt(const char *pattern, int index, char *dest, size_t size) {
    char directory[DIRECTORY_SIZE];
    DirectoryPart(pattern, directory, sizeof directory);
    const char *namePattern = pattern + strlen(directory);
    DIR *dir = opendir(directory[0] != '\0' ? directory : ".");
    if (dir == nullptr)
        return errno;
    int found = 0;
    struct dirent *entry;
    while (!found && (entry = readdir(dir)) != nullptr) {
        if (fnmatch(namePattern, entry->d_name, FNM_CASEFOLD) == 0 &&
            snprintf(dest, size, "%s", entry->d_name) < (int)size)
            found = index-- == 0;
    }
    closedir(dir);
    return found ? 0 : ENOENT;
}

int ChangeDirectory(const char *dir) {
    if (dir == nullptr)
        return ENOENT;
    return chdir(dir) == 0 ? 0 : errno;
}

int ReadCurrentDirectory(char *dest, size_t size) {
    if (size == 0)
        return ERANGE;
    return getcwd(dest, size) != nullptr ? 0 : errno;
}

void SleepMilliseconds(unsigned milliseconds) {
    struct timespec left;
    left.tv_sec = milliseconds / 1000;
    left.tv_nsec = (long)(milliseconds % 1000) * 1000000L;
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

// As the Windows rule for a nonzero number: four hexadecimal digits at most.
int FormTempFileName(const char *prefix, unsigned unique, char *dest, size_t size) {
    return snprintf(dest, size, "./%s%X.TMP", prefix, unique & 0xFFFF) < (int)size ? 0
                                                                                   : ENAMETOOLONG;
}
