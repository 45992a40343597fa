// The user stops a whole update at every point where the window answers: a
// confirmed Cancel, and the close box, at each PumpMessages call in turn. Every
// run must end with exit code 0 and leave each file either as it was or as the
// update meant it, with no temporary or capture file behind.
#include "support.h"

#include "compressed.h"

using namespace hardening;

namespace {

const std::string Data(3000, 'e');

class StopAnywhere : public ProductTest {
  protected:
    // COPY files compressed, two ADD files and two leftovers from the utility,
    // a REMOVE and an EXECUTE entry.
    void WriteWholeUpdate() {
        RecordingReset();
        ResetRandom();
        WriteUpdate(Script({"[COPY]", "COPY=one.dat,100", "COPY=two.dat,100", "[EXECUTE]",
                            "EXE=restool.exe /RUN", "[REMOVE]", "REMOVE=old.dll"}),
                    TEST_UTILITY_PATH);
        WriteFile("one.dat", Compress(Data));
        WriteFile("two.dat", Compress(Data));
        WriteFile("add1.dat", Compress(Data));
        WriteFile("add2.dat", Compress(Data));
        WriteFile("old.dll", "old");
        WriteFile("left1.tmp", "left");
        WriteFile("left2.tmp", "left");
        WriteFile("given.lst", Lines({"[ADD]", "FILE=add1.dat,100", "FILE=add2.dat,100"}));
        WriteFile("given.dmp", Lines({"[PFF]", "ENTRY=left1.tmp", "ENTRY=left2.tmp"}));
        SetSetting("WIZARD_TEST_LST", "given.lst");
        SetSetting("WIZARD_TEST_DMP", "given.dmp");
    }

    // Files are as they were or as the update leaves them; nothing else is left.
    void CheckNothingHalfDone() {
        for (const char *name : {"one.dat", "two.dat", "add1.dat", "add2.dat"}) {
            if (!fs::exists(name)) {
                EXPECT_TRUE(strncmp(name, "add", 3) == 0) << name << " is gone";
                continue;
            }
            std::string content = ReadFile(name);
            EXPECT_TRUE(content == Data || content == Compress(Data)) << name << " is half done";
        }
        for (const fs::directory_entry &entry : fs::directory_iterator(".")) {
            std::string name = entry.path().filename().string();
            EXPECT_NE(name.compare(0, 3, "WIZ"), 0) << name;
            EXPECT_NE(name.compare(0, 8, "!tmpexec"), 0) << name;
        }
    }
};

TEST_F(StopAnywhere, CancelOrCloseAtEveryPump) {
    WriteWholeUpdate();
    int pumps = 0;
    RecordingOnPump([&](int calls) { pumps = calls; });
    ASSERT_EQ(RunWizard(), 0);
    ASSERT_EQ(LastStatus(), "All done.");
    ASSERT_GT(pumps, 5);
    RecordingOnPump(nullptr);
    CheckNothingHalfDone();

    for (int how = 0; how < 2; how++) {
        for (int at = 1; at <= pumps; at++) {
            SCOPED_TRACE(std::string(how == 0 ? "cancel" : "close") + " at pump " +
                         std::to_string(at));
            fs::current_path(home);
            std::error_code ignored;
            fs::remove_all(dir, ignored);
            fs::create_directories(dir);
            fs::current_path(dir);
            WriteWholeUpdate();
            RecordingOnPump([&](int calls) {
                if (calls != at)
                    return;
                if (how == 0)
                    PressCancel();
                else
                    CloseProgressWindow();
            });
            EXPECT_EQ(RunWizard(), 0);
            RecordingOnPump(nullptr);
            CheckNothingHalfDone();
            // The cleanup pass never stops half-way: once it has begun, every
            // leftover is deleted (the window may be gone by then).
            if (!RecordedWith("status Cleaning up.").empty()) {
                EXPECT_FALSE(fs::exists("left1.tmp"));
                EXPECT_FALSE(fs::exists("left2.tmp"));
            }
        }
    }
}

} // namespace
