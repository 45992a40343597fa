#include "update/expansion.h"

#include "sys/files.h"
#include "sys/szdd.h"
#include "ui/progress.h"
#include "update/record.h"
#include "update/replacement.h"

#include <stdint.h>

enum {
    TEMP_NAME_SIZE = 32,
    LONG_EXPANSION_SIZE = 1 << 20 // compressed bytes
};

// The LZ library's open results: a handle number of 0 or more, or a negative code.
static int LzResult(FileHandle file) {
    return file == NO_FILE ? LZERROR_BADINHANDLE : (int)(file & 0x7FFFFFFF);
}

// Expands name into the temporary file; 1 on success, 0 after a warning.
static int ExpandToTemporary(const char *name, const char *temp) {
    // Both opens come before either result is looked at, so the warning can
    // report both. The temporary file is made anew: never a file of the
    // product's that happens to have its name.
    FileHandle tempFile, source;
    CreateNewFile(temp, &tempFile);
    OpenToRead(name, SHARE_ALL, &source);
    int tempResult = LzResult(tempFile);
    int sourceResult = LzResult(source);
    int ok = 0;
    if (tempResult < 0 || sourceResult < 0) {
        ShowWarningF("An error occured during file open (%s:%d)(%s:%d).", temp, tempResult, name,
                     sourceResult);
    } else {
        // A large file takes longer than a frame to expand: its status is shown first.
        int64_t size = 0;
        if (SizeOfFile(source, &size) == 0 && size >= LONG_EXPANSION_SIZE)
            ShowStatusNow();
        int64_t written = 0;
        int result = SzddExpand(source, tempFile, &written);
        if (result != 0)
            ShowWarningF("An error occured during file copy(%d).", result);
        else
            ok = 1;
    }
    CloseFileHandle(source);
    CloseFileHandle(tempFile);
    return ok;
}

int ExpandIfCompressed(const char *name, WorkEntry *entry) {
    int compressed = 0;
    int error = ProbeCompressed(name, &compressed);
    if (error != 0) {
        // Held by another program: it cannot be told whether it is compressed.
        ShowWarningF("Could not read file (%s)[%d].", name, error);
        return 0;
    }
    if (!compressed)
        return 1;
    char temp[TEMP_NAME_SIZE];
    if (NextTemporaryName(temp, sizeof temp) != 0) {
        // No name: its open fails and the warning says so.
        temp[0] = '\0';
    }
    if (!ExpandToTemporary(name, temp)) {
        // A partial temporary file would only take up room: on a full disk it
        // would make every later expansion of the run fail as well.
        if (temp[0] != '\0' && FileExists(temp))
            DeleteFileOnce(temp);
        TemporaryNameDone(temp);
        return 0;
    }
    // The expansion takes the name's place with its batch: until then the
    // compressed file stays, which a stopped run expands again.
    QueueReplacement(temp, name, entry);
    return 1;
}
