#include "update/expansion.h"

#include "sys/files.h"
#include "sys/szdd.h"
#include "ui/progress.h"
#include "update/removal.h"

#include <stdint.h>

enum {
    TEMP_NAME_SIZE = 260,
    LONG_EXPANSION_SIZE = 1 << 20 // compressed bytes
};

// The runtime's generator, written out so that both platforms draw the same
// temporary names in the same order.
static uint32_t RandomState = 1;

int NextRandom() {
    RandomState = RandomState * 214013u + 2531011u;
    return (int)((RandomState >> 16) & 0x7FFF);
}

void ResetRandom() {
    RandomState = 1;
}

// The LZ library's open results: a handle number of 0 or more, or a negative code.
static int LzResult(FileHandle file) {
    return file == NO_FILE ? LZERROR_BADINHANDLE : (int)(file & 0x7FFFFFFF);
}

// Expands name into the temporary file; 1 on success, 0 after a warning.
static int ExpandToTemporary(const char *name, const char *temp) {
    // Both opens come before either result is looked at, so the warning can
    // report both.
    FileHandle tempFile = CreateFileAnew(temp);
    FileHandle source = OpenFileShared(name);
    int tempResult = LzResult(tempFile);
    int sourceResult = LzResult(source);
    int ok = 0;
    if (tempResult < 0 || sourceResult < 0) {
        ShowWarningF("An error occured during file open (%s:%d)(%s:%d).", temp, tempResult, name,
                     sourceResult);
    } else {
        // A large file takes longer than a frame to expand: its status is shown first.
        if (FileSizeOf(source) >= LONG_EXPANSION_SIZE)
            ShowStatusNow();
        int64_t written = SzddExpand(source, tempFile);
        if (written < 0) {
            ShowWarningF("An error occured during file copy(%d).", (int)written);
        } else {
            ok = 1;
        }
    }
    CloseFileHandle(source);
    CloseFileHandle(tempFile);
    return ok;
}

// Removes the temporary file, waiting while something holds it open. 0 when the
// user cancelled meanwhile.
static int RemoveTemporary(const char *temp) {
    while (RemoveFile(temp, 0) != 0) {
        SleepMilliseconds(5);
        PumpMessages();
        if (Wizard.CancelRequested) {
            return 0;
        }
    }
    return 1;
}

int ExpandIfCompressed(const char *name) {
    if (!IsCompressed(name)) {
        return 1;
    }
    char temp[TEMP_NAME_SIZE];
    if (!FormTempFileName((unsigned)NextRandom(), temp, sizeof temp)) {
        // No name: its open fails and the warning says so.
        temp[0] = 0;
    }
    if (!ExpandToTemporary(name, temp)) {
        // A partial temporary file would only take up room: on a full disk it
        // would make every later expansion of the run fail as well.
        RemoveFile(temp, 0);
        return 0;
    }
    // The expanded file replaces the named one all or nothing: a stop at any
    // moment leaves the compressed file, which the next run expands again. A
    // failed replacement leaves it compressed too: callers must not take it as
    // expanded and go on to time-stamp it.
    int copyError = MoveFileOver(temp, name);
    if (copyError != 0) {
        ShowWarningF("An error occured during file copy(%d).", copyError);
    }
    if (!RemoveTemporary(temp)) {
        return 0;
    }
    return copyError == 0;
}
