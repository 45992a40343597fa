// The sample resource utility against the system's tar: archives that restool
// writes are read by tar, archives that tar writes are read by restool, and
// bad archives are refused without anything being written.
#include "tar.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

void WriteFile(const std::string &name, const std::string &content) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string ReadWhole(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

long long MtimeOf(const std::string &name) {
    struct stat info;
    return stat(name.c_str(), &info) == 0 ? static_cast<long long>(info.st_mtime) : -1;
}

void SetMtime(const std::string &name, long long mtime) {
    struct utimbuf times = {static_cast<time_t>(mtime), static_cast<time_t>(mtime)};
    utime(name.c_str(), &times);
}

class ResourceUtility : public ::testing::Test {
  protected:
    fs::path home;
    fs::path dir;

    void SetUp() override {
        home = fs::current_path();
        dir =
            home / "restool_work" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::current_path(dir);
    }

    void TearDown() override {
        fs::current_path(home);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // Runs a command in the test's directory; its exit code. Output goes to out.txt, err.txt.
    static int Run(const std::string &command) {
        int status = system((command + " >out.txt 2>err.txt").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static int RunRestool(const std::string &arguments) {
        return Run(std::string(RESTOOL_PATH) + " " + arguments);
    }
};

TEST_F(ResourceUtility, ArchivesItWritesAreReadByTar) {
    WriteFile("logo.bmp", "logo bytes");
    WriteFile("empty.txt", "");
    WriteFile("big.dat", std::string(1500, 'x'));
    SetMtime("logo.bmp", 123456789);
    EXPECT_EQ(RunRestool("data.res logo.bmp empty.txt big.dat /ENCODE"), 0);
    EXPECT_EQ(Run("tar -tf data.res"), 0);
    EXPECT_EQ(ReadWhole("out.txt"), "logo.bmp\nempty.txt\nbig.dat\n");
    fs::create_directory("x");
    ASSERT_EQ(Run("tar -xf data.res -C x"), 0) << ReadWhole("err.txt");
    EXPECT_EQ(ReadWhole("x/logo.bmp"), "logo bytes");
    EXPECT_EQ(ReadWhole("x/empty.txt"), "");
    EXPECT_EQ(ReadWhole("x/big.dat"), std::string(1500, 'x'));
    EXPECT_EQ(MtimeOf("x/logo.bmp"), 123456789);
    EXPECT_FALSE(fs::exists("data.res.new"));
}

TEST_F(ResourceUtility, EncodeReplacesMembersAndSkipsMissingNames) {
    WriteFile("a.txt", "first a");
    WriteFile("b.txt", "first b");
    ASSERT_EQ(RunRestool("data.res a.txt b.txt /ENCODE"), 0);
    WriteFile("a.txt", "second a");
    EXPECT_EQ(RunRestool("data.res a.txt missing.txt /ENCODE"), 1);
    EXPECT_NE(ReadWhole("out.txt").find("missing.txt"), std::string::npos);
    EXPECT_EQ(Run("tar -tf data.res"), 0);
    EXPECT_EQ(ReadWhole("out.txt"), "b.txt\na.txt\n");
    EXPECT_EQ(Run("tar -xOf data.res a.txt"), 0);
    EXPECT_EQ(ReadWhole("out.txt"), "second a");
}

TEST_F(ResourceUtility, ArchivesTarWritesAreReadByWork) {
    const char *const formats[] = {"ustar", "gnu"};
    for (const char *format : formats) {
        TearDown();
        SetUp();
        WriteFile("same.txt", "same");
        WriteFile("changed.txt", "old");
        std::string tar = std::string("tar --format=") + format;
        ASSERT_EQ(Run(tar + " -cf data.res same.txt changed.txt"), 0);
        WriteFile("changed.txt", "new content");
        WriteFile("added.txt", "added");
        SetMtime("changed.txt", 1000000);
        SetMtime("added.txt", 2000000);
        ASSERT_EQ(Run(tar + " -cf patch.src same.txt changed.txt added.txt"), 0);
        fs::create_directory("product");
        fs::rename("data.res", "product/data.res");
        fs::rename("patch.src", "product/patch.src");
        fs::current_path("product");

        EXPECT_EQ(RunRestool("data.res patch.src /WORK"), 0) << format << ReadWhole("err.txt");
        EXPECT_EQ(ReadWhole("update.lst"),
                  "[ADD]\r\nFILE=changed.txt,1000000\r\nFILE=added.txt,2000000\r\n")
            << format;
        EXPECT_EQ(ReadWhole("changed.txt"), "new content");
        EXPECT_EQ(ReadWhole("added.txt"), "added");
        EXPECT_EQ(MtimeOf("added.txt"), 2000000);
        EXPECT_FALSE(fs::exists("same.txt"));

        EXPECT_EQ(RunRestool("patch.src /DUMP"), 0);
        EXPECT_EQ(ReadWhole("update.dmp"), "[PFF]\r\nENTRY=patch.src\r\n");
        fs::current_path(dir);
    }
}

TEST_F(ResourceUtility, VerbMayComeFirstAndEmptyArgumentsAreDropped) {
    WriteFile("a.txt", "a");
    ASSERT_EQ(Run("tar --format=ustar -cf patch.src a.txt"), 0);
    EXPECT_EQ(RunRestool("/DUMP '' patch.src"), 0);
    EXPECT_EQ(ReadWhole("update.dmp"), "[PFF]\r\nENTRY=patch.src\r\n");
    EXPECT_EQ(RunRestool("patch.src /LIST"), 0);
    EXPECT_EQ(ReadWhole("out.txt").substr(0, 4), "a.tx");
    EXPECT_EQ(RunRestool("data.res /WORK"), 2);
    EXPECT_EQ(RunRestool(""), 2);
}

// Bad archives, made with tar or by hand, side by side with what restool says.
struct BadArchive {
    const char *name;
    const char *make; // shell commands that leave bad.tar
    const char *message;
};

TEST_F(ResourceUtility, BadInputIsRefusedAndNothingIsWritten) {
    const std::vector<BadArchive> cases = {
        {"empty file", ": >bad.tar", "empty file"},
        {"text file", "head -c 2000 /dev/zero | tr '\\0' 'x' >bad.tar", "not a ustar"},
        {"short file", "printf abc >bad.tar", "not a ustar"},
        {"cut inside data",
         "head -c 5000 /dev/zero >f; tar --format=ustar -cf t f; "
         "head -c 2048 t >bad.tar",
         "truncated"},
        {"no end marker", "echo hi >f; tar --format=ustar -cf t f; head -c 1024 t >bad.tar",
         "truncated"},
        {"bad checksum",
         "echo hi >f; tar --format=ustar -cf bad.tar f; "
         "printf 'X' | dd of=bad.tar bs=1 seek=1 conv=notrunc 2>/dev/null",
         "not a ustar"},
        {"dot dot",
         "echo hi >f; tar --format=ustar -cf bad.tar --transform='s,^f,../f,' "
         "-P f",
         "\"..\""},
        {"absolute", "echo hi >f; tar --format=ustar -cf bad.tar -P \"$PWD/f\"", "absolute"},
        {"directory part", "mkdir -p d; echo hi >d/f; tar --format=ustar -cf bad.tar d/f",
         "directory part"},
        {"directory member", "mkdir -p d; tar --format=ustar -cf bad.tar d", "type '5'"},
        {"pax header", "echo hi >f; tar --format=pax -cf bad.tar f", "type 'x'"},
    };
    for (const BadArchive &bad : cases) {
        TearDown();
        SetUp();
        WriteFile("keep.txt", "keep");
        ASSERT_EQ(Run("tar --format=ustar -cf data.res keep.txt"), 0);
        ASSERT_EQ(Run(std::string("(") + bad.make + ")"), 0) << bad.name;
        std::string before = ReadWhole("data.res");
        fs::create_directory("run");
        fs::current_path("run");
        EXPECT_EQ(RunRestool("../data.res ../bad.tar /WORK"), 3) << bad.name;
        EXPECT_NE(ReadWhole("err.txt").find(bad.message), std::string::npos)
            << bad.name << ": " << ReadWhole("err.txt");
        EXPECT_EQ(RunRestool("../bad.tar /DUMP"), 3) << bad.name;
        // Only the outputs of the runs themselves are in the directory.
        std::vector<std::string> left;
        for (const fs::directory_entry &entry : fs::directory_iterator("."))
            left.push_back(entry.path().filename().string());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{"err.txt", "out.txt"})) << bad.name;
        fs::current_path(dir);
        // A bad archive is never rewritten by /ENCODE either.
        std::string badBefore = ReadWhole("bad.tar");
        EXPECT_EQ(RunRestool("bad.tar keep.txt /ENCODE"), 3) << bad.name;
        EXPECT_EQ(ReadWhole("bad.tar"), badBefore) << bad.name;
        EXPECT_EQ(ReadWhole("data.res"), before);
    }
}

TEST_F(ResourceUtility, WorkNeverOverwritesTheUpdatesOwnFiles) {
    WriteFile("keep.txt", "keep");
    ASSERT_EQ(Run("tar --format=ustar -cf data.res keep.txt"), 0);
    const char *const names[] = {"update.lst", "UPDATE.DMP", "data.res", "patch.src"};
    for (const char *name : names) {
        fs::create_directory("m");
        WriteFile(std::string("m/") + name, "member");
        ASSERT_EQ(Run(std::string("tar --format=ustar -cf patch.src -C m ") + name), 0);
        fs::remove_all("m");
        std::string before = ReadWhole("data.res");
        EXPECT_EQ(RunRestool("data.res patch.src /WORK"), 3) << name;
        EXPECT_NE(ReadWhole("err.txt").find("overwrite"), std::string::npos) << name;
        EXPECT_FALSE(fs::exists("update.lst")) << name;
        EXPECT_EQ(ReadWhole("data.res"), before) << name;
    }
}

TEST_F(ResourceUtility, EncodeRefusesNamesThatCannotBeMembers) {
    WriteFile("a.txt", "a");
    ASSERT_EQ(RunRestool("data.res a.txt /ENCODE"), 0);
    std::string before = ReadWhole("data.res");
    const char *const names[] = {"../a.txt", "/etc/hostname", "sub/a.txt", "data.res",
                                 "update.lst"};
    for (const char *name : names) {
        EXPECT_EQ(RunRestool(std::string("data.res a.txt ") + name + " /ENCODE"), 3) << name;
        EXPECT_EQ(ReadWhole("data.res"), before) << name;
    }
}

TEST(TarParse, FindsTheLatestCopyOfAName) {
    std::string archive;
    auto add = [&archive](const char *name, const std::string &data) {
        FILE *out = tmpfile();
        ASSERT_NE(out, nullptr);
        ASSERT_TRUE(TarWriteHeader(out, name, static_cast<int64_t>(data.size()), 5, 0644));
        ASSERT_TRUE(TarWriteData(out, data.data(), static_cast<int64_t>(data.size())));
        long size = ftell(out);
        rewind(out);
        std::string bytes(static_cast<size_t>(size), '\0');
        ASSERT_EQ(fread(&bytes[0], 1, bytes.size(), out), bytes.size());
        fclose(out);
        archive += bytes;
    };
    add("a", "one");
    add("b", "two");
    add("a", "three");
    archive += std::string(2 * TAR_BLOCK, '\0');
    TarArchive parsed;
    char problem[TAR_PROBLEM_SIZE];
    ASSERT_EQ(TarParse(reinterpret_cast<const unsigned char *>(archive.data()), archive.size(),
                       &parsed, problem, sizeof problem),
              TAR_OK)
        << problem;
    const TarMember *a = TarFind(&parsed, "a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(a->data), 5), "three");
    EXPECT_TRUE(TarIsLatest(a));
    EXPECT_FALSE(TarIsLatest(parsed.first));
    TarFree(&parsed);
}

} // namespace
