#include "../platform.h"

#include <sys/stat.h>

// The execute bits are what matters; a read-only input still gives a writable
// file, as the wizard refuses to expand over a read-only one.
int CopyFileMode(const char *from, const char *to) {
    struct stat info;
    return stat(from, &info) == 0 && chmod(to, (info.st_mode & 0777) | S_IWUSR) == 0;
}
