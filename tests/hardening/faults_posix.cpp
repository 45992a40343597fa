// Faults of the file system, made with small tmpfs mounts: a disk that fills
// up during an expansion, and targets on a read-only file system. Mounting
// needs root; elsewhere the tests are skipped with a message.
#include "support.h"

#include "compressed.h"

#include <errno.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/stat.h>

using namespace hardening;

namespace {

class DiskFaults : public ProductTest {
  protected:
    std::vector<std::string> mounts;

    void TearDown() override {
        fs::current_path(dir);
        for (const std::string &path : mounts)
            umount2(path.c_str(), MNT_DETACH);
        ProductTest::TearDown();
    }

    // A tmpfs of size bytes at name below the product directory: false when
    // this machine does not allow it.
    bool Mount(const std::string &name, size_t size, std::string *why) {
        fs::create_directories(name);
        std::string path = (dir / name).string();
        std::string options = "size=" + std::to_string(size);
        if (mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            *why = std::string("cannot mount a tmpfs here (") + strerror(errno) +
                   "); run as root to test a full disk";
            return false;
        }
        mounts.push_back(path);
        return true;
    }

    bool MakeReadOnly(const std::string &name, std::string *why) {
        std::string path = (dir / name).string();
        if (mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            *why = std::string("cannot make the tmpfs read-only (") + strerror(errno) + ")";
            return false;
        }
        return true;
    }
};

// The expansion's temporary file fills the disk: the named file keeps its
// compressed content.
TEST_F(DiskFaults, DiskFullWhileExpanding) {
    std::string why;
    if (!Mount("disk", 256 * 1024, &why))
        GTEST_SKIP() << why;
    fs::current_path("disk");
    const std::string packed = Compress(std::string(2 << 20, '\0'));
    WriteFile("packed.dat", packed);

    EXPECT_EQ(ExpandIfCompressed("packed.dat"), 0);

    EXPECT_EQ(Warnings(), std::vector<std::string>{"An error occured during file copy(-4)."});
    EXPECT_TRUE(ReadFile("packed.dat") == packed) << "the named file changed";
}

// The temporary file fits, the copy over the named file does not: the named
// file keeps its compressed content, and the failure is reported.
TEST_F(DiskFaults, DiskFullWhileCopyingOverTheNamedFile) {
    std::string why;
    if (!Mount("disk", 512 * 1024, &why))
        GTEST_SKIP() << why;
    fs::current_path("disk");
    const std::string data(300 * 1024, 'z');
    const std::string packed = Compress(data);
    WriteFile("packed.dat", packed);

    EXPECT_EQ(ExpandIfCompressed("packed.dat"), 0);

    EXPECT_EQ(Warnings(), std::vector<std::string>{"An error occured during file copy(28)."});
    EXPECT_TRUE(ReadFile("packed.dat") == packed) << "the named file changed";
}

// A whole run on a disk too small for one of its files: the others are
// expanded, the one that does not fit is reported and keeps its content, and
// its partial temporary file is removed so that it takes no room from the rest.
TEST_F(DiskFaults, WholeRunOnAFullDisk) {
    std::string why;
    // Room for the utility and 1 MB: the big file fits packed, not expanded.
    size_t room = (size_t)fs::file_size(TEST_UTILITY_PATH) + (1u << 20);
    if (!Mount("disk", room, &why))
        GTEST_SKIP() << why;
    fs::current_path("disk");
    const std::string small(20 * 1024, 's');
    const std::string big(2u << 20, 'b');
    // Entries are walked newest first: big.dat fails before small.dat is expanded.
    WriteUpdate(Script({"[COPY]", "COPY=small.dat,100", "COPY=big.dat,100"}), TEST_UTILITY_PATH);
    WriteFile("small.dat", Compress(small));
    WriteFile("big.dat", Compress(big));
    ASSERT_TRUE(ReadFile("big.dat") == Compress(big)) << "the disk is too small for the test";

    EXPECT_EQ(RunWizard(), 0);

    EXPECT_EQ(Warnings(),
              (std::vector<std::string>{
                  "An error occured during file copy(-4).",
                  "An error occured during decompression of file (big.dat). Skipping."}));
    EXPECT_EQ(LastStatus(), "All done.");
    EXPECT_TRUE(ReadFile("small.dat") == small);
    EXPECT_TRUE(ReadFile("big.dat") == Compress(big)) << "the file that did not fit changed";
    for (const fs::directory_entry &entry : fs::directory_iterator("."))
        EXPECT_NE(entry.path().filename().string().compare(0, 3, "WIZ"), 0) << entry.path();
}

// Targets on a read-only file system: time stamping fails silently, a failed
// copy over a compressed file is reported, and neither file changes.
TEST_F(DiskFaults, ReadOnlyTargets) {
    std::string why;
    if (!Mount("ro", 256 * 1024, &why))
        GTEST_SKIP() << why;
    const std::string data(5000, 'd');
    WriteFile("ro/plain.dat", "plain");
    WriteFile("ro/packed.dat", Compress(data));
    struct stat before;
    ASSERT_EQ(stat("ro/plain.dat", &before), 0);
    if (!MakeReadOnly("ro", &why))
        GTEST_SKIP() << why;
    WriteUpdate(Script({"[COPY]", "COPY=ro/plain.dat,100", "COPY=ro/packed.dat,100"}),
                TEST_UTILITY_PATH);

    EXPECT_EQ(RunWizard(), 0);

    EXPECT_EQ(Warnings(),
              (std::vector<std::string>{
                  "An error occured during file copy(30).",
                  "An error occured during decompression of file (ro/packed.dat). Skipping."}));
    EXPECT_EQ(LastStatus(), "All done.");
    struct stat after;
    ASSERT_EQ(stat("ro/plain.dat", &after), 0);
    EXPECT_EQ(after.st_mtime, before.st_mtime);
    EXPECT_EQ(ReadFile("ro/plain.dat"), "plain");
    EXPECT_TRUE(ReadFile("ro/packed.dat") == Compress(data));
    // The temporary file was removed from the product directory.
    for (const fs::directory_entry &entry : fs::directory_iterator("."))
        EXPECT_NE(entry.path().filename().string().compare(0, 3, "WIZ"), 0) << entry.path();
}

} // namespace
