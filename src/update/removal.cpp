#include "update/removal.h"

#include "sys/files.h"
#include "ui/progress.h"

enum {
    RETRY_ATTEMPTS = 5,     // after the first: six attempts in all
    RETRY_INTERVAL_MS = 100 // about half a second for a file that stays locked
};

int RemoveFile(const char *name, int retry) {
    // A file that is not there counts as removed, and costs no waiting.
    if (name == nullptr || !FileExists(name))
        return 0;
    int result = DeleteFileOnce(name);
    for (int attempt = 0; result != 0 && retry && attempt < RETRY_ATTEMPTS; attempt++) {
        SleepMilliseconds(RETRY_INTERVAL_MS);
        result = DeleteFileOnce(name);
        // Keeps the window alive meanwhile; its handlers may set CancelRequested,
        // which the caller, not this loop, looks at.
        PumpMessages();
    }
    return result;
}
