// The platform file primitives, as the rest of the program relies on them.
#include "sys/files.h"

#include "szdd_support.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

using namespace szdd_test;

namespace {
class FilesTest : public ScratchTest {};
} // namespace

TEST_F(FilesTest, ReadsAndWritesWholeBlocks) {
    std::string data = RandomBytes(3 << 20, 4);
    FileHandle out = CreateFileAnew("data");
    ASSERT_NE(out, NO_FILE);
    EXPECT_EQ(WriteToFile(out, data.data(), data.size()), (int64_t)data.size());
    EXPECT_EQ(FileSizeOf(out), (int64_t)data.size());
    CloseFileHandle(out);

    std::string back(data.size() + 100, '\0');
    FileHandle in = OpenFileExclusive("data");
    ASSERT_NE(in, NO_FILE);
    EXPECT_EQ(ReadFromFile(in, &back[0], back.size()), (int64_t)data.size()) << "short at the end";
    EXPECT_EQ(ReadFromFile(in, &back[0], back.size()), 0);
    CloseFileHandle(in);
    back.resize(data.size());
    EXPECT_TRUE(back == data);
}

TEST_F(FilesTest, CreatingEmptiesAnExistingFile) {
    WriteBytes("old", "old content");
    FileHandle file = CreateFileAnew("old");
    ASSERT_NE(file, NO_FILE);
    EXPECT_EQ(FileSizeOf(file), 0);
    CloseFileHandle(file);
    EXPECT_EQ(ReadBytes("old"), "");
}

TEST_F(FilesTest, MissingFiles) {
    EXPECT_EQ(OpenFileExclusive("missing"), NO_FILE);
    EXPECT_EQ(OpenFileShared("missing"), NO_FILE);
    EXPECT_FALSE(FileExists("missing"));
    EXPECT_EQ(DeleteFileOnce("missing"), 2) << "file not found, the same code on both platforms";
    EXPECT_EQ(CreateFileAnew("no/such/dir/file"), NO_FILE);
    EXPECT_EQ(FileSizeOf(NO_FILE), -1);
}

TEST_F(FilesTest, DeletesOnce) {
    WriteBytes("gone", "x");
    EXPECT_TRUE(FileExists("gone"));
    EXPECT_EQ(DeleteFileOnce("gone"), 0);
    EXPECT_FALSE(FileExists("gone"));
}

TEST_F(FilesTest, CopyReplacesTheTargetWhole) {
    WriteBytes("from", RandomBytes(200000, 6));
    WriteBytes("to", "a longer old content that must not survive in any part");
    EXPECT_EQ(CopyFileOver("from", "to"), 0);
    EXPECT_EQ(ReadBytes("to"), ReadBytes("from"));
    WriteBytes("small", "s");
    EXPECT_EQ(CopyFileOver("small", "to"), 0);
    EXPECT_EQ(ReadBytes("to"), "s");
    int files = 0;
    for (const fs::directory_entry &entry : fs::directory_iterator(".")) {
        (void)entry;
        files++;
    }
    EXPECT_EQ(files, 3) << "nothing left beside the copies";
}

TEST_F(FilesTest, FailedCopyGivesTheErrorAndKeepsTheTarget) {
    WriteBytes("to", "kept");
    EXPECT_NE(CopyFileOver("missing", "to"), 0);
    EXPECT_EQ(ReadBytes("to"), "kept");
    WriteBytes("from", "x");
    EXPECT_NE(CopyFileOver("from", "no/such/dir/to"), 0);
}

TEST_F(FilesTest, StampsBothTimes) {
    WriteBytes("stamped", "x");
    const int32_t when = 1000000000; // 2001-09-09
    EXPECT_EQ(StampFileTime("stamped", when), 0);
    struct stat info;
    ASSERT_EQ(stat("stamped", &info), 0);
    EXPECT_EQ((int64_t)info.st_mtime, when);
    EXPECT_EQ((int64_t)info.st_atime, when);
    EXPECT_EQ(StampFileTime("missing", when), -1);
}

TEST_F(FilesTest, FindsTheFirstMatch) {
    char name[64];
    EXPECT_EQ(FindFirstMatch("*.wiz", name, sizeof name), 0);
    WriteBytes("notes.txt", "");
    WriteBytes("update.wiz", "");
    EXPECT_EQ(FindFirstMatch("*.wiz", name, sizeof name), 1);
    EXPECT_STREQ(name, "update.wiz");
    char tiny[4];
    EXPECT_EQ(FindFirstMatch("*.wiz", tiny, sizeof tiny), 0) << "the name does not fit";
}

TEST_F(FilesTest, CurrentDirectory) {
    char here[4096];
    ASSERT_TRUE(ReadCurrentDirectory(here, sizeof here));
    EXPECT_TRUE(fs::equivalent(here, dir));
    char tiny[4];
    EXPECT_FALSE(ReadCurrentDirectory(tiny, sizeof tiny));
    fs::create_directory("sub");
    ASSERT_TRUE(ChangeDirectory("sub"));
    EXPECT_TRUE(fs::equivalent(fs::current_path(), dir / "sub"));
    EXPECT_FALSE(ChangeDirectory("missing"));
    EXPECT_TRUE(ChangeDirectory(here));
}

TEST_F(FilesTest, SeparatorMatchesThePlatform) {
    fs::path joined = fs::path("a") / "b";
    EXPECT_EQ(joined.string()[1], PathSeparator);
}
