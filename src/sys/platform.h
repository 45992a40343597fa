// What each platform folder (sys/posix, sys/win32) carries out for the
// portable fronts of sys/, which ask the seam first. Only sys/ includes this.
#ifndef WIZARD_SYS_PLATFORM_H
#define WIZARD_SYS_PLATFORM_H

#include "sys/files.h"
#include "sys/process.h"

// The operations of sys/files.h that change the disk, as the platform does
// them; each answers 0 or the platform's error code.
int PlatformCreateNew(const char *name, FileHandle *file);
int PlatformCreateAnew(const char *name, FileHandle *file);
int PlatformWrite(FileHandle file, const void *buffer, size_t size);
int PlatformDelete(const char *name);
int PlatformRename(const char *from, const char *to);
int PlatformCarryIdentity(const char *from, const char *to);
int PlatformStamp(const char *name, int32_t time);
int PlatformSync(SyncKind kind, const char *const *names, int count);
int PlatformLock(const char *name, FileHandle *lock);

// Starts the child of RunChild and waits for its end.
int PlatformRunChild(const char *commandLine, ChildPriority priority, FileHandle output,
                     int32_t *exitCode);

// SHA-256 in steps for sys/hash.cpp, which changes nothing and asks no seam:
// a state begun (none after a failure), fed any number of times, and ended,
// which lets go of it and, unless digest is none, writes the 32 bytes there.
int PlatformHashBegin(void **state);
int PlatformHashFeed(void *state, const void *bytes, size_t size);
int PlatformHashEnd(void *state, unsigned char *digest);

#endif
