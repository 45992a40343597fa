// File removal on POSIX: a file that the file system refuses to delete.
#include "sys/files.h"
#include "sys_test_support.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Sets or clears the immutable attribute (chattr +i): 1 when it took effect.
int SetImmutable(const char *name, int on) {
    int fd = open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    int flags = 0;
    int done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return done;
}

class PosixRemoveFile : public ScratchTest {};

TEST_F(PosixRemoveFile, AnImmutableFileGivesThePlatformsCodeAfterSixAttempts) {
    WriteWholeFile("pinned", "x");
    if (!SetImmutable("pinned", 1))
        GTEST_SKIP() << "this file system or user cannot set the immutable attribute";
    int withRetry = RemoveFile("pinned", 1);
    int withoutRetry = RemoveFile("pinned", 0);
    SetImmutable("pinned", 0);
    EXPECT_EQ(withRetry, EPERM);
    EXPECT_EQ(withoutRetry, EPERM);
    EXPECT_TRUE(Exists("pinned"));
}

} // namespace
