// The LZ expansion library as oracle, and what only Windows can arrange: a
// read-only file to expand and a temporary file held open by someone else.
#include "app/wizard.h"
#include "sys/files.h"
#include "sys/szdd.h"
#include "ui/recording/recording.h"

#include "szdd_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <lzexpand.h>

#include <string>

using namespace szdd_test;

namespace {

class WindowsTest : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        RecordingReset();
        ResetRandom();
    }
};

std::string ExpandWithLzCopy(const std::string &packedName) {
    OFSTRUCT sourceRecord = {}, targetRecord = {};
    sourceRecord.cBytes = sizeof sourceRecord;
    targetRecord.cBytes = sizeof targetRecord;
    INT source = LZOpenFileA((LPSTR)packedName.c_str(), &sourceRecord, OF_READ);
    INT target = LZOpenFileA((LPSTR) "lzcopy.out", &targetRecord, OF_CREATE | OF_READWRITE);
    LONG copied = source >= 0 && target >= 0 ? LZCopy(source, target) : -100;
    if (source >= 0) {
        LZClose(source);
    }
    if (target >= 0) {
        LZClose(target);
    }
    return copied < 0 ? "<error " + std::to_string(copied) + ">" : ReadBytes("lzcopy.out");
}

} // namespace

TEST_F(WindowsTest, OurFilesExpandAlikeWithLzCopy) {
    for (const Sample &sample : Samples()) {
        WriteBytes("packed.da_", Compress(sample.data));
        EXPECT_TRUE(ExpandWithLzCopy("packed.da_") == sample.data) << sample.name;
    }
}

// The copy over a read-only file fails: the caller hears of it and the file
// keeps its compressed content; the temporary file is still removed.
TEST_F(WindowsTest, FailedCopyIsReported) {
    WriteBytes("probe", "x");
    SetFileAttributesA("probe", FILE_ATTRIBUTE_READONLY);
    WriteBytes("probe.src", "y");
    int probe = CopyFileOver("probe.src", "probe");
    SetFileAttributesA("probe", FILE_ATTRIBUTE_NORMAL);
    if (probe == 0) {
        GTEST_SKIP() << "this system lets a copy replace a read-only file (Wine run as root)";
    }
    std::string packed = Compress(TextBytes(5000));
    WriteBytes("packed.ex_", packed);
    ASSERT_TRUE(SetFileAttributesA("packed.ex_", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ExpandIfCompressed("packed.ex_"), 0);
    SetFileAttributesA("packed.ex_", FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(RecordedWith("warning "),
              std::vector<std::string>{"An error occured during file copy(5)."});
    EXPECT_EQ(ReadBytes("packed.ex_"), packed);
    EXPECT_FALSE(FileExists("WIZ29.TMP"));
}

// Someone else holds the temporary file without allowing its deletion.
static HANDLE HoldTemporaryFile() {
    return CreateFileA("WIZ29.TMP", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
}

TEST_F(WindowsTest, WaitsForTheTemporaryFileWithTheWindowServiced) {
    std::string data = TextBytes(5000);
    WriteBytes("packed.ex_", Compress(data));
    HANDLE held = HoldTemporaryFile();
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    int pumps = 0;
    RecordingOnPump([&](int calls) {
        pumps = calls;
        if (calls == 4) {
            CloseHandle(held);
        }
    });
    DWORD start = GetTickCount();
    EXPECT_EQ(ExpandIfCompressed("packed.ex_"), 1);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(pumps, 4);
    EXPECT_LT(elapsed, 2000u) << "5 ms steps, not RemoveFile's retry";
    EXPECT_EQ(ReadBytes("packed.ex_"), data);
    EXPECT_FALSE(FileExists("WIZ29.TMP"));
    EXPECT_TRUE(RecordedWith("warning ").empty());
}

TEST_F(WindowsTest, CancelWhileWaitingLeavesTheTemporaryFile) {
    std::string data = TextBytes(5000);
    WriteBytes("packed.ex_", Compress(data));
    HANDLE held = HoldTemporaryFile();
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    RecordingOnPump([&](int calls) {
        if (calls == 2) {
            Wizard.CancelRequested = 1;
        }
    });
    EXPECT_EQ(ExpandIfCompressed("packed.ex_"), 0);
    CloseHandle(held);
    EXPECT_EQ(ReadBytes("packed.ex_"), data) << "replaced before the removal";
    EXPECT_TRUE(FileExists("WIZ29.TMP"));
    EXPECT_TRUE(RecordedWith("warning ").empty());
}
