// The portable front of the file services and child programs: each operation
// that changes the disk or starts a program asks the seam, then the platform
// carries it out.
#include "sys/fault.h"
#include "sys/files.h"
#include "sys/platform.h"
#include "sys/process.h"

int CreateNewFile(const char *name, FileHandle *file) {
    *file = NO_FILE;
    int error = FaultBefore(FAULT_CREATE, name, nullptr);
    return error != 0 ? error : PlatformCreateNew(name, file);
}

int CreateFileAnew(const char *name, FileHandle *file) {
    *file = NO_FILE;
    int error = FaultBefore(FAULT_CREATE, name, nullptr);
    return error != 0 ? error : PlatformCreateAnew(name, file);
}

int WriteToFile(FileHandle file, const void *buffer, size_t size) {
    const char *at = static_cast<const char *>(buffer);
    int error = 0;
    do {
        size_t piece = size < (size_t)FAULT_WRITE_PIECE ? size : (size_t)FAULT_WRITE_PIECE;
        error = FaultBefore(FAULT_WRITE, nullptr, nullptr);
        if (error == 0)
            error = PlatformWrite(file, at, piece);
        at += piece;
        size -= piece;
    } while (error == 0 && size > 0);
    return error;
}

int DeleteFileOnce(const char *name) {
    int error = FaultBefore(FAULT_DELETE, name, nullptr);
    return error != 0 ? error : PlatformDelete(name);
}

int RenameOver(const char *from, const char *to) {
    int error = FaultBefore(FAULT_REPLACE, from, to);
    return error != 0 ? error : PlatformRename(from, to);
}

int CarryIdentity(const char *from, const char *to) {
    int error = FaultBefore(FAULT_MODE, from, to);
    return error != 0 ? error : PlatformCarryIdentity(from, to);
}

int StampFileTime(const char *name, int32_t time) {
    int error = FaultBefore(FAULT_STAMP, name, nullptr);
    return error != 0 ? error : PlatformStamp(name, time);
}

int SyncFiles(SyncKind kind, const char *const *names, int count) {
    if (count <= 0)
        return 0;
    int error = FaultBefore(kind == SYNC_DATA ? FAULT_FLUSH : FAULT_SYNC, names[0], nullptr);
    return error != 0 ? error : PlatformSync(kind, names, count);
}

// On Windows the lock is a file that vanishes with it; taking it is no change
// that a stop could leave behind, so it passes no seam.
int LockDirectory(const char *name, FileHandle *lock) {
    *lock = NO_FILE;
    return PlatformLock(name, lock);
}

int RunChild(const char *commandLine, ChildPriority priority, FileHandle output,
             int32_t *exitCode) {
    int error = FaultBefore(FAULT_START, commandLine, nullptr);
    return error != 0 ? error : PlatformRunChild(commandLine, priority, output, exitCode);
}
