#include "../platform.h"

#include <windows.h>

#include <io.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/utime.h>

int ReadFileFacts(const char *name, FileFacts *facts) {
    struct _stat64 info;
    if (_stat64(name, &info) != 0)
        return 0;
    facts->regular = (info.st_mode & _S_IFMT) == _S_IFREG;
    facts->mtime = static_cast<int64_t>(info.st_mtime);
    // Windows keeps no permission bits worth carrying into the archive.
    facts->mode = 0644;
    return 1;
}

int SetModificationTime(const char *name, int64_t mtime) {
    struct __utimbuf64 times;
    times.actime = static_cast<__time64_t>(mtime);
    times.modtime = static_cast<__time64_t>(mtime);
    return _utime64(name, &times) == 0;
}

// The C runtime's rename refuses an existing target on Windows.
int ReplaceFileWith(const char *from, const char *to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

int FlushToDisk(FILE *file) {
    return fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

// MoveFileEx with MOVEFILE_WRITE_THROUGH has written the rename through.
int FlushDirectoryOf(const char *) {
    return 1;
}
