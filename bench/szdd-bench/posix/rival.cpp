// libmspack's SZDD decompressor, with its default file system.
#include "rival.h"

#include <mspack.h>

#include <sys/stat.h>

const char RivalName[] = "libmspack";

int64_t RivalExpand(const char *from, const char *to) {
    msszdd_decompressor *szdd = mspack_create_szdd_decompressor(nullptr);
    if (szdd == nullptr) {
        return -1;
    }
    int error = szdd->decompress(szdd, from, to);
    mspack_destroy_szdd_decompressor(szdd);
    struct stat info;
    if (error != MSPACK_ERR_OK || stat(to, &info) != 0) {
        return -1;
    }
    return (int64_t)info.st_size;
}
