// LZCopy of the Windows LZ expansion library.
#include "rival.h"

#include <windows.h>

#include <lzexpand.h>

const char RivalName[] = "lzcopy";

int64_t RivalExpand(const char *from, const char *to) {
    OFSTRUCT sourceRecord = {}, targetRecord = {};
    sourceRecord.cBytes = sizeof sourceRecord;
    targetRecord.cBytes = sizeof targetRecord;
    INT source = LZOpenFileA((LPSTR)from, &sourceRecord, OF_READ);
    INT target = LZOpenFileA((LPSTR)to, &targetRecord, OF_CREATE | OF_READWRITE);
    LONG copied = source >= 0 && target >= 0 ? LZCopy(source, target) : -1;
    if (source >= 0) {
        LZClose(source);
    }
    if (target >= 0) {
        LZClose(target);
    }
    return copied;
}
