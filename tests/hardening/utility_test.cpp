// A resource utility that misbehaves: it crashes, fails, writes no lists,
// writes malformed lists, names 10,000 files, or floods its standard output.
// The wizard must complete the run, lose no file and leave no capture behind.
#include "support.h"

#include <stdio.h>

using namespace hardening;

namespace {

class BadUtility : public ProductTest {};

TEST_F(BadUtility, CrashesAndFailuresEndInACompleteRunWithoutCleanup) {
    for (const char *mode : {"crash", "exit"}) {
        SCOPED_TRACE(mode);
        RecordingReset();
        WriteUpdate(Script({"[COPY]", "COPY=keep.dat,100"}), BAD_UTILITY_PATH);
        WriteFile("keep.dat", "keep");
        fs::remove("given.dmp");
        SetSetting("WIZARD_BAD_MODE", mode);
        Picture before = TakePicture();

        EXPECT_EQ(RunWizard(), 0);

        EXPECT_EQ(Warnings(),
                  std::vector<std::string>{"Warning.  Could not open cleanup configuration file."});
        EXPECT_EQ(LastStatus(), "All done.");
        EXPECT_EQ(ReadFile("calls.log"), "/WORK\n/DUMP\n");
        // Only the utility's own log is new; the capture file is gone.
        EXPECT_EQ(Changed(before, TakePicture()), std::vector<std::string>{"calls.log"});
        fs::remove("calls.log");
    }
}

TEST_F(BadUtility, MegabytesOnStandardOutput) {
    WriteUpdate(Script({}), BAD_UTILITY_PATH);
    fs::remove("given.dmp");
    SetSetting("WIZARD_BAD_MODE", "flood");
    SetSetting("WIZARD_BAD_MB", "8");

    EXPECT_EQ(RunWizard(), 0);

    EXPECT_EQ(LastStatus(), "All done.");
    EXPECT_EQ(ReadFile("calls.log"), "/WORK\n/DUMP\n");
    EXPECT_FALSE(fs::exists("!tmpexec.$$$"));
}

// Lists that name 10,000 files to add and 10,000 to clean up (1,000 where big
// cases are not run): every file is sent in runs of 100 and then deleted.
TEST_F(BadUtility, ListsNamingTenThousandFiles) {
    const int count = BigCasesWanted() ? 10000 : 1000;
    WriteUpdate(Script({}), BAD_UTILITY_PATH);
    fs::remove("given.dmp");
    SetSetting("WIZARD_BAD_MODE", "many");
    SetSetting("WIZARD_BAD_COUNT", std::to_string(count));

    EXPECT_EQ(RunWizard(), 0);

    EXPECT_TRUE(Warnings().empty());
    EXPECT_EQ(LastStatus(), "All done.");
    std::string runs;
    for (int i = 0; i < count / 100; i++)
        runs += "100\n";
    EXPECT_EQ(ReadFile("encode.log"), runs);
    std::vector<std::string> left;
    for (const fs::directory_entry &entry : fs::directory_iterator("."))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"calls.log", "encode.log", "product.res",
                                              "restool.exe", "setup.txt", "update.wiz"}));
    std::vector<std::string> bar = RecordedWith("bar ");
    ASSERT_FALSE(bar.empty());
}

// Malformed "update.lst" files: only well-formed FILE lines of the first ADD
// section become entries; nothing breaks.
TEST_F(BadUtility, MalformedAddLists) {
    const std::string nul(1, '\0');
    struct Case {
        const char *what;
        std::string list;
        std::vector<std::string> names;
    } cases[] = {
        {"empty", "", {}},
        {"no section", "FILE=a.dat\r\n", {}},
        {"lower-case section", "[add]\r\nFILE=a.dat\r\n", {}},
        {"unclosed header", "[ADD\r\nFILE=a.dat\r\n", {"a.dat"}},
        {"keys without values", "[ADD]\r\nFILE\r\nFILE=\r\nFILE=;x\r\n", {"", "", ""}},
        {"only commas", "[ADD]\r\nFILE=,,,\r\n", {""}},
        {"an overlong line",
         "[ADD]\r\nFILE=" + std::string(300, 'x') + "\r\nFILE=b.dat\r\n",
         {"b.dat"}},
        {"NUL bytes", "[ADD]\r\nFILE=a" + nul + ".dat\r\nFILE=b.dat\r\n", {"b.dat"}},
        {"bare line ends", "[ADD]\nFILE=a.dat\rFILE=b.dat\nFILE=c.dat", {"a.dat"}},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WriteUpdate(Script({}), TEST_UTILITY_PATH);
        WriteFile("given.lst", c.list);
        SetSetting("WIZARD_TEST_LST", "given.lst");
        EXPECT_EQ(Plan(), 1);
        std::vector<std::string> names;
        for (WorkEntry *e = Wizard.WorkListHead; e != nullptr; e = e->next)
            if (e->kind & ENTRY_ADD)
                names.insert(names.begin(), e->name);
        EXPECT_EQ(names, c.names);
        EXPECT_TRUE(Warnings().empty());
        EXPECT_FALSE(fs::exists("update.lst"));
        FreeWorkList();
    }
}

// An "update.lst" that cannot be loaded (here a directory) means nothing to add.
TEST_F(BadUtility, AnAddListThatCannotBeLoaded) {
    WriteUpdate(Script({}), TEST_UTILITY_PATH);
    fs::create_directory("update.lst");
    EXPECT_EQ(Plan(), 1);
    EXPECT_EQ(CountWorkEntries(ENTRY_ADD), 0);
    EXPECT_TRUE(Warnings().empty());
}

} // namespace

namespace {

// Cleanup names that are no files: directories, wildcards, nothing. Each is
// reported or skipped; no other file is touched and the run completes.
TEST_F(BadUtility, CleanupNamesThatAreNoFiles) {
    WriteUpdate(Script({}), TEST_UTILITY_PATH);
    fs::create_directory("sub");
    WriteFile("sub/inner.dat", "inner");
    WriteFile("keep.dat", "keep");
    WriteFile("given.dmp", Lines({"[PFF]", "ENTRY=", "ENTRY=.", "ENTRY=..", "ENTRY=sub", "ENTRY=*",
                                  "ENTRY=*.dat", "ENTRY=?eep.dat", "ENTRY=,,,", "ENTRY=gone.dat"}));
    Picture before = TakePicture();

    EXPECT_EQ(RunWizard(), 0);

    EXPECT_TRUE(Warnings().empty());
    EXPECT_EQ(LastStatus(), "All done.");
    EXPECT_EQ(Changed(before, TakePicture()), std::vector<std::string>{"given.dmp"});
    EXPECT_TRUE(fs::is_directory("sub"));
}

// Times at the ends of their range, and past them: the files are stamped or
// keep their times, and nothing is reported.
TEST_F(BadUtility, ExtremeTimes) {
    WriteUpdate(
        Script({"[COPY]", "COPY=a.dat,-1", "COPY=b.dat,2147483647", "COPY=c.dat,-2147483648",
                "COPY=d.dat,99999999999999999999", "COPY=e.dat,abc", "COPY=f.dat,+7"}),
        TEST_UTILITY_PATH);
    for (const char *name : {"a.dat", "b.dat", "c.dat", "d.dat", "e.dat", "f.dat"})
        WriteFile(name, name);
    Picture before = TakePicture();

    EXPECT_EQ(RunWizard(), 0);

    EXPECT_TRUE(Warnings().empty());
    EXPECT_EQ(LastStatus(), "All done.");
    EXPECT_EQ(Changed(before, TakePicture()), std::vector<std::string>{"given.dmp"});
}

} // namespace
