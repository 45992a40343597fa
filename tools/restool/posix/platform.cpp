#include "../platform.h"

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

int ReadFileFacts(const char *name, FileFacts *facts) {
    struct stat info;
    if (stat(name, &info) != 0)
        return 0;
    facts->regular = S_ISREG(info.st_mode);
    facts->mtime = static_cast<int64_t>(info.st_mtime);
    facts->mode = static_cast<unsigned>(info.st_mode & 0777);
    return 1;
}

int SetModificationTime(const char *name, int64_t mtime) {
    struct utimbuf times;
    times.actime = static_cast<time_t>(mtime);
    times.modtime = static_cast<time_t>(mtime);
    return utime(name, &times) == 0;
}

// rename replaces an existing target atomically.
int ReplaceFileWith(const char *from, const char *to) {
    return rename(from, to) == 0;
}

int FlushToDisk(FILE *file) {
    return fflush(file) == 0 && fsync(fileno(file)) == 0;
}

int FlushDirectoryOf(const char *name) {
    char directory[4096];
    const char *slash = strrchr(name, '/');
    int length = slash == nullptr ? 1 : static_cast<int>(slash - name) + 1;
    if (snprintf(directory, sizeof directory, "%.*s", length, slash == nullptr ? "." : name) >=
        static_cast<int>(sizeof directory))
        return 0;
    int fd = open(directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    int ok = fsync(fd) == 0;
    close(fd);
    return ok;
}
