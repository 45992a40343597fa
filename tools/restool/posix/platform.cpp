#include "../platform.h"

#include <stdio.h>
#include <sys/stat.h>
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
