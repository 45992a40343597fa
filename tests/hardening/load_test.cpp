// Load: whole updates of 10,000 and 100,000 entries: half COPY entries of the
// script, a quarter ADD files and a quarter leftovers named by the utility. Prints the time of each
// step and the memory the work list holds, per entry; asserts only that every run completes and
// that no step grows much faster than the entry count.
#include "support.h"

#include <malloc.h>
#include <stdio.h>
#include <unistd.h>

#include <chrono>

using namespace hardening;

namespace {

typedef std::chrono::steady_clock Clock;

struct Figures {
    double planning;
    double filePass;
    double encoding;
    double cleanup;
    double bytesPerEntry;
};

class Load : public ProductTest {
  protected:
    // In memory where the machine offers it: the figures are the wizard's,
    // not the disk's.
    void SetUp() override {
        ProductTest::SetUp();
        std::error_code error;
        if (!fs::is_directory("/dev/shm", error))
            return;
        fs::current_path(home);
        fs::remove_all(dir, error);
        dir = "/dev/shm/wizard-load-" + std::to_string(getpid());
        fs::remove_all(dir, error);
        fs::create_directories(dir);
        fs::current_path(dir);
    }

    Figures RunOfSize(int entries) {
        Figures figures = {};
        RecordingReset();
        ResetRandom();
        std::string script = Script({"[COPY]"});
        for (int i = 0; i < entries / 2; i++) {
            char name[32];
            snprintf(name, sizeof name, "copy%06d.dat", i);
            WriteFile(name, name);
            script += std::string("COPY=") + name + ",100\r\n";
        }
        WriteUpdate(script, BAD_UTILITY_PATH);
        fs::remove("given.dmp");
        SetSetting("WIZARD_BAD_MODE", "many");
        SetSetting("WIZARD_BAD_COUNT", std::to_string(entries / 4));
        SetSetting("WIZARD_BAD_LEFTOVERS", std::to_string(entries / 4));

        Clock::time_point start = Clock::now(), planned = start, filesDone = start, encoded = start,
                          done = start;
        size_t heapBefore = mallinfo2().uordblks;
        RecordingOnStatus([&](const std::string &text) {
            Clock::time_point now = Clock::now();
            if (text.compare(0, 15, "Decompressing f") == 0 && planned == start) {
                planned = now;
                figures.bytesPerEntry =
                    (double)(mallinfo2().uordblks - heapBefore) / (double)CountWorkEntries(~0u);
            } else if (text == "Processing resource files.") {
                filesDone = now;
            } else if (text == "Cleaning up.") {
                encoded = now;
            } else if (text == "All done.") {
                done = now;
            }
        });

        EXPECT_EQ(RunWizard(), 0);

        EXPECT_EQ(LastStatus(), "All done.");
        EXPECT_TRUE(Warnings().empty());
        EXPECT_FALSE(fs::exists("add00000.dat"));
        EXPECT_FALSE(fs::exists("old00000.dat"));
        RecordingOnStatus(nullptr);
        figures.planning = std::chrono::duration<double>(planned - start).count();
        figures.filePass = std::chrono::duration<double>(filesDone - planned).count();
        figures.encoding = std::chrono::duration<double>(encoded - filesDone).count();
        figures.cleanup = std::chrono::duration<double>(done - encoded).count();
        printf("[ figures  ] %6d entries: planning %.3f s, file pass %.3f s, encoding %.3f s, "
               "cleanup %.3f s; work list %.0f bytes per entry\n",
               entries, figures.planning, figures.filePass, figures.encoding, figures.cleanup,
               figures.bytesPerEntry);
        fflush(stdout);
        fs::current_path(home);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
        fs::create_directories(dir);
        fs::current_path(dir);
        return figures;
    }
};

TEST_F(Load, HundredThousandEntriesCompleteInLinearTime) {
    if (!BigCasesWanted())
        GTEST_SKIP() << "big cases run natively only (WIZARD_BIG_CASES=1)";
    Figures small = RunOfSize(10000);
    Figures big = RunOfSize(100000);
    // Ten times the entries; a quadratic step would take about a hundred times
    // as long. The bound is generous: the machine is shared.
    EXPECT_LT(big.planning, 30 * small.planning + 1.0);
    EXPECT_LT(big.filePass, 30 * small.filePass + 1.0);
    EXPECT_LT(big.encoding, 30 * small.encoding + 1.0);
    EXPECT_LT(big.bytesPerEntry, 2 * small.bytesPerEntry + 64);
}

} // namespace
