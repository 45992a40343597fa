// Faults that only Windows can arrange: files held open by another process
// without sharing, and read-only targets.
#include "support.h"

#include "compressed.h"
#include "win32_holder.h"

#include <windows.h>

using namespace hardening;

namespace {

// The probe is found beside the tests, in the directory they start in.
const std::filesystem::path &Start = StartDirectory();

class HeldFiles : public ProductTest {};

// A cleanup file that another process holds: RemoveFile retries for about
// 500 ms, the status names the sharing violation, the run completes, and the
// other cleanup files are deleted.
TEST_F(HeldFiles, AHeldCleanupFileIsReportedAndTheRunCompletes) {
    WriteUpdate(Script({}), TEST_UTILITY_PATH);
    WriteFile("held.dat", "held");
    WriteFile("free.dat", "free");
    WriteFile("given.dmp", Lines({"[PFF]", "ENTRY=held.dat", "ENTRY=free.dat"}));
    FileHolder holder;
    ASSERT_TRUE(StartHolding(&holder, "held.dat"));
    DWORD start = GetTickCount();

    EXPECT_EQ(RunWizard(), 0);

    DWORD elapsed = GetTickCount() - start;
    StopHolding(&holder);
    std::vector<std::string> statuses = RecordedWith("status ");
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Could not delete file: held.dat (32)"),
              statuses.end());
    EXPECT_EQ(LastStatus(), "All done.");
    EXPECT_TRUE(Warnings().empty());
    EXPECT_EQ(ReadFile("held.dat"), "held");
    EXPECT_FALSE(fs::exists("free.dat"));
    EXPECT_GE(elapsed, 400u) << "five retries 100 ms apart";
    EXPECT_LT(elapsed, 20000u);
}

// The temporary file of an expansion held without delete sharing: the window
// keeps answering while the wizard waits, and a confirmed Cancel ends the run.
TEST_F(HeldFiles, CancelWhileWaitingForAHeldTemporaryFile) {
    const std::string data(5000, 'd');
    WriteUpdate(Script({"[COPY]", "COPY=packed.dat,100", "COPY=later.dat,100"}), TEST_UTILITY_PATH);
    WriteFile("packed.dat", Compress(data));
    WriteFile("later.dat", Compress(data));
    HANDLE held = CreateFileA("WIZ29.TMP", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    int waits = 0;
    RecordingOnPump([&](int) {
        // Once the expanded content is in place, the wizard is waiting.
        if (ReadFile("later.dat") == data && ++waits == 3)
            PressCancel();
    });

    EXPECT_EQ(RunWizard(), 0);
    CloseHandle(held);

    EXPECT_EQ(waits, 3);
    EXPECT_EQ(RecordedWith("confirm").size(), 1u);
    EXPECT_EQ(Warnings(),
              std::vector<std::string>{
                  "An error occured during decompression of file (later.dat). Skipping."});
    EXPECT_NE(LastStatus(), "All done.");
    EXPECT_TRUE(ReadFile("packed.dat") == Compress(data)) << "no entry after the cancel is handled";
}

// Read-only targets: time stamping fails silently; a copy over a compressed
// read-only file fails and is reported, and the file keeps its content.
TEST_F(HeldFiles, ReadOnlyTargets) {
    const std::string data(5000, 'd');
    WriteUpdate(Script({"[COPY]", "COPY=plain.dat,100", "COPY=packed.dat,100"}), TEST_UTILITY_PATH);
    WriteFile("plain.dat", "plain");
    WriteFile("packed.dat", Compress(data));
    FILETIME before = {};
    HANDLE file =
        CreateFileA("plain.dat", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileTime(file, nullptr, nullptr, &before);
    CloseHandle(file);
    SetFileAttributesA("plain.dat", FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA("packed.dat", FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(RunWizard(), 0);

    std::string packed = ReadFile("packed.dat");
    SetFileAttributesA("plain.dat", FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA("packed.dat", FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(LastStatus(), "All done.");
    EXPECT_EQ(ReadFile("plain.dat"), "plain");
    if (packed == data)
        GTEST_SKIP() << "this system lets a copy replace a read-only file (Wine run as root)";
    EXPECT_TRUE(packed == Compress(data));
    std::vector<std::string> warnings = Warnings();
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0], "An error occured during file copy(5).");
    EXPECT_EQ(warnings[1], "An error occured during decompression of file (packed.dat). Skipping.");
}

} // namespace
