// The file pass and the cleanup pass over the recording backend, with real
// files in a work directory and the test utility as the program that EXECUTE
// entries run and as the resource utility.
#include "execution_fixture.h"

#include "sys/szdd.h"
#include "update/execution.h"

class FilePass : public ExecutionFixture {};

static std::string Counting(int handled, int total) {
    return "Decompressing file " + std::to_string(handled) + " of " + std::to_string(total) + ".";
}

// The SZDD header: magic, mode 'A', the missing last character, the expanded size.
static std::string SzddHeader(uint32_t size) {
    std::string header("SZDD\x88\xF0\x27\x33"
                       "A_",
                       10);
    for (int i = 0; i < 4; i++)
        header.push_back(static_cast<char>((size >> (8 * i)) & 0xFF));
    return header;
}

// "hello" stored as five literals after one flag byte with all bits set.
static std::string SzddHello() {
    return SzddHeader(5) + std::string("\xFFhello", 6);
}

// A valid header that promises more than its data holds.
static std::string SzddTruncated() {
    return SzddHeader(4096) + std::string("\xFF"
                                          "ab",
                                          3);
}

static time_t ModifiedTime(const std::string &name) {
    struct stat info;
    return stat(name.c_str(), &info) == 0 ? info.st_mtime : static_cast<time_t>(-2);
}

static time_t AccessedTime(const std::string &name) {
    struct stat info;
    return stat(name.c_str(), &info) == 0 ? info.st_atime : static_cast<time_t>(-2);
}

TEST_F(FilePass, EmptyListGoesStraightToTheEnd) {
    ExecutionPass();
    EXPECT_EQ(Since("status "), (std::vector<std::string>{"Processing resource files.",
                                                          "Cleaning up.", "All done."}));
    EXPECT_EQ(Since("enable "), (std::vector<std::string>{"1035 1", "1010 1"}));
    EXPECT_TRUE(Since("bar ").empty());
    EXPECT_FALSE(Exists("!tmpexec.$$$"));
}

TEST_F(FilePass, RemoveExecuteAndCleanupEntriesCountNothing) {
    InstallUtility();
    WriteFile("old.dll", "old");
    WriteFile("stale.tmp", "stale");
    Add(ENTRY_EXECUTE, std::string(UtilityName) + " first");
    Add(ENTRY_REMOVE, "old.dll");
    Add(ENTRY_CLEANUP, "stale.tmp");

    ExecutionPass();

    std::vector<std::string> statuses = Since("status ");
    EXPECT_EQ(statuses, (std::vector<std::string>{Counting(1, 0), Counting(1, 0), Counting(1, 0),
                                                  "Processing resource files.", "Cleaning up.",
                                                  "All done."}));
    EXPECT_FALSE(Exists("old.dll"));
    EXPECT_FALSE(Exists("stale.tmp"));
    ASSERT_EQ(UtilityRuns().size(), 1u);
    EXPECT_EQ(Arguments(UtilityRuns()[0]), (std::vector<std::string>{"first"}));
    EXPECT_FALSE(Exists("!tmpexec.tmp"));
    EXPECT_TRUE(Since("warning ").empty());
}

// The list is met newest first: files are removed before commands run, and
// commands run before any COPY file is expanded.
TEST_F(FilePass, KindsAreMetInListOrder) {
    InstallUtility();
    WriteFile("gone.txt", "x");
    WriteFile("plain.txt", "plain");
    Add(ENTRY_COPY, "plain.txt,1000000000");
    // The program runs only if the file that the REMOVE entry names is gone,
    // which the log shows by the entry's argument.
    Add(ENTRY_EXECUTE, std::string(UtilityName) + " ran");
    Add(ENTRY_REMOVE, "gone.txt");

    ExecutionPass();

    EXPECT_FALSE(Exists("gone.txt"));
    ASSERT_EQ(UtilityRuns().size(), 1u);
    EXPECT_EQ(ModifiedTime("plain.txt"), 1000000000);
    EXPECT_EQ(Since("status ")[0], Counting(1, 1));
    EXPECT_EQ(Since("status ")[2], Counting(1, 1));
}

// Two ADD and three COPY entries, the first ADD entry met failing to expand:
// the failed entry is not counted, and the number never reaches the total.
TEST_F(FilePass, FailedExpansionIsSkippedAndNotCounted) {
    InstallUtility();
    WriteFile("c1.dat", SzddHello());
    WriteFile("c2.dat", "two");
    WriteFile("c3.dat", "three");
    WriteFile("a1.dat", "first add");
    WriteFile("a2.dat", SzddTruncated());
    Add(ENTRY_COPY, "c1.dat,1000000000");
    Add(ENTRY_COPY, "c2.dat,1000000000");
    Add(ENTRY_COPY, "c3.dat,1000000000");
    Add(ENTRY_ADD, "a1.dat,1000000000");
    WorkEntry *failing = Add(ENTRY_ADD, "a2.dat,1000000000");

    ExecutionPass();

    std::vector<std::string> statuses = Since("status ");
    ASSERT_GE(statuses.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(statuses.begin(), statuses.begin() + 5),
              (std::vector<std::string>{Counting(1, 5), Counting(1, 5), Counting(2, 5),
                                        Counting(3, 5), Counting(4, 5)}));
    EXPECT_EQ(statuses[5], "Processing resource files.");
    EXPECT_EQ(statuses[6], "Processing 2 resource files.");
    std::vector<std::string> warnings = Since("warning ");
    ASSERT_FALSE(warnings.empty());
    EXPECT_EQ(warnings.back(), "An error occured during decompression of file (a2.dat). Skipping.");
    EXPECT_EQ(failing->kind, ENTRY_ADD | ENTRY_FAILED);

    // Only the good ADD file goes to the utility; the bar ends one short of full.
    ASSERT_EQ(UtilityRuns().size(), 1u);
    EXPECT_EQ(Arguments(UtilityRuns()[0]),
              (std::vector<std::string>{"product.res", "a1.dat", "/ENCODE"}));
    EXPECT_FALSE(Exists("a1.dat"));
    EXPECT_TRUE(Exists("a2.dat"));
    EXPECT_EQ(Since("bar "), (std::vector<std::string>{"PBM_SETRANGE 0 131072", "PBM_SETSTEP 100 0",
                                                       "PBM_SETSTEP 1 0", "PBM_STEPIT 0 0"}));

    EXPECT_EQ(ReadFile("c1.dat"), "hello");
    EXPECT_EQ(ModifiedTime("c1.dat"), 1000000000);
    EXPECT_EQ(ModifiedTime("c3.dat"), 1000000000);
    EXPECT_NE(ModifiedTime("a2.dat"), 1000000000);
}

// Time stamping sets both times from the entry's time, also for files that
// are not compressed and are therefore not rewritten.
TEST_F(FilePass, FilesGetTheEntryTimes) {
    struct Case {
        const char *value;
        time_t expected;
    };
    const Case cases[] = {
        {"epoch.txt,0", 0},
        {"nofield.txt", 0},
        {"later.txt,1234567890", 1234567890},
        {"big.txt,2147483647", 2147483647},
    };
    for (const Case &c : cases) {
        std::string name(c.value, strcspn(c.value, ","));
        WriteFile(name, "content of " + name);
        Add(ENTRY_COPY, c.value);
    }

    ExecutionPass();

    for (const Case &c : cases) {
        std::string name(c.value, strcspn(c.value, ","));
        EXPECT_EQ(ModifiedTime(name), c.expected) << name;
        EXPECT_EQ(AccessedTime(name), c.expected) << name;
        EXPECT_EQ(ReadFile(name), "content of " + name);
    }
    EXPECT_EQ(Since("status ")[3], Counting(4, 4));
    EXPECT_TRUE(Since("warning ").empty());
}

// A time before 1970 reaches the file as such, or as the epoch where the
// platform cannot keep it, or the runtime refuses it and the file keeps its
// times; it never wraps into the future.
TEST_F(FilePass, NegativeTimeNeverWraps) {
    WriteFile("before.txt", "x");
    time_t original = ModifiedTime("before.txt");
    Add(ENTRY_COPY, "before.txt,-1");

    ExecutionPass();

    time_t stamped = ModifiedTime("before.txt");
    EXPECT_TRUE(stamped == -1 || stamped == 0 || stamped == original) << stamped;
    EXPECT_EQ(Since("status ").back(), "All done.");
    EXPECT_TRUE(Since("warning ").empty());
}

TEST_F(FilePass, MissingFilesCountAsHandled) {
    Add(ENTRY_COPY, "absent1.txt,5");
    Add(ENTRY_ADD, "absent2.txt,5");
    Add(ENTRY_COPY, "absent3.txt,5");

    ExecutionPass();

    std::vector<std::string> statuses = Since("status ");
    EXPECT_EQ(std::vector<std::string>(statuses.begin(), statuses.begin() + 3),
              (std::vector<std::string>{Counting(1, 3), Counting(2, 3), Counting(3, 3)}));
    EXPECT_TRUE(Since("warning ").empty());
    EXPECT_FALSE(Exists("absent2.txt"));
}

TEST_F(FilePass, EmptyNames) {
    WriteFile("kept.txt", "kept");
    Add(ENTRY_REMOVE, "");
    Add(ENTRY_EXECUTE, "");
    Add(ENTRY_COPY, ",7");
    Add(ENTRY_COPY, "kept.txt,7");

    ExecutionPass();

    // The list is met newest first: both COPY entries count, the empty one included.
    std::vector<std::string> statuses = Since("status ");
    EXPECT_EQ(
        std::vector<std::string>(statuses.begin(), statuses.begin() + 4),
        (std::vector<std::string>{Counting(1, 2), Counting(2, 2), Counting(3, 2), Counting(3, 2)}));
    EXPECT_TRUE(Since("warning ").empty());
    EXPECT_TRUE(Exists("kept.txt"));
    EXPECT_FALSE(Exists("!tmpexec.tmp"));
    EXPECT_EQ(statuses.back(), "All done.");
}

TEST_F(FilePass, ExecuteLineOf127CharactersRunsWhole) {
    InstallUtility();
    std::string line = std::string(UtilityName) + " ";
    std::string argument(127 - line.size() - 1, 'x');
    argument += 'Z';
    line += argument;
    ASSERT_EQ(line.size(), 127u);
    Add(ENTRY_EXECUTE, line);

    ExecutionPass();

    ASSERT_EQ(UtilityRuns().size(), 1u);
    EXPECT_EQ(Arguments(UtilityRuns()[0]), (std::vector<std::string>{argument}));
    EXPECT_FALSE(Exists("!tmpexec.tmp"));
}

// The cancel test follows every entry, the last one too: the entry whose pump
// brought the cancel is still handled, and nothing after the file pass runs.
TEST_F(FilePass, CancelAtTheLastEntryStopsAfterIt) {
    WriteFile("first.txt", "1");
    WriteFile("last.txt", "2");
    WriteFile("stale.tmp", "3");
    Add(ENTRY_COPY, "last.txt,1000000000");
    Add(ENTRY_COPY, "first.txt,1000000000");
    Add(ENTRY_CLEANUP, "stale.tmp");
    RecordingOnPump([](int call) {
        if (call == 3)
            CloseProgressWindow();
    });

    ExecutionPass();

    EXPECT_EQ(ModifiedTime("last.txt"), 1000000000);
    EXPECT_TRUE(Exists("stale.tmp"));
    EXPECT_EQ(Since("status ").back(), Counting(2, 2));
    EXPECT_TRUE(Since("enable ").empty());
}

TEST_F(FilePass, ConfirmedCancelStopsTheFilePass) {
    WriteFile("first.txt", "1");
    WriteFile("second.txt", "2");
    Add(ENTRY_COPY, "second.txt,1000000000");
    Add(ENTRY_COPY, "first.txt,1000000000");
    RecordingQueueConfirmAnswers({0, 1});
    RecordingOnPump([](int call) {
        PressCancel();
        (void)call;
    });

    ExecutionPass();

    // The first answer keeps the update going, the second stops it after the
    // entry whose pump brought it.
    EXPECT_EQ(Since("confirm").size(), 2u);
    EXPECT_EQ(ModifiedTime("first.txt"), 1000000000);
    EXPECT_EQ(ModifiedTime("second.txt"), 1000000000);
    EXPECT_EQ(Wizard.CancelRequested, 1);
    EXPECT_EQ(Since("destroy").size(), 1u);
}

// Once begun, the cleanup pass deletes every file, whatever the user does.
TEST_F(FilePass, CancelDuringCleanupStillDeletesEverything) {
    struct Case {
        const char *how;
        void (*act)();
        bool windowStays;
    };
    // The close box only sets the flag; a confirmed cancel also destroys the
    // window, after which no text shows.
    const Case cases[] = {{"close box", CloseProgressWindow, true},
                          {"confirmed cancel", PressCancel, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.how);
        FreeWorkList();
        Wizard.CancelRequested = 0;
        for (int i = 0; i < 5; i++) {
            std::string name = "stale" + std::to_string(i) + ".tmp";
            WriteFile(name, "x");
            Add(ENTRY_CLEANUP, name);
        }
        static void (*action)();
        static bool cleaning;
        action = c.act;
        cleaning = false;
        RecordingOnStatus([](const std::string &text) { cleaning = text == "Cleaning up."; });
        RecordingOnPump([](int) {
            if (cleaning) {
                action();
                cleaning = false;
            }
        });

        ExecutionPass();

        for (int i = 0; i < 5; i++)
            EXPECT_FALSE(Exists("stale" + std::to_string(i) + ".tmp")) << i;
        EXPECT_EQ(Wizard.CancelRequested, 1);
        if (c.windowStays) {
            EXPECT_EQ(Since("status ").back(), "All done.");
        }
    }
}

TEST_F(FilePass, UndeletableCleanupFileIsReportedInTheStatus) {
    WriteFile("stale.tmp", "x");
    fs::create_directory("locked");
    Add(ENTRY_CLEANUP, "locked");
    Add(ENTRY_CLEANUP, "absent.tmp");
    Add(ENTRY_CLEANUP, "stale.tmp");

    ExecutionPass();

    std::vector<std::string> statuses = Since("status ");
    ASSERT_GE(statuses.size(), 2u);
    const std::string prefix = "Could not delete file: locked (";
    std::string report = statuses[statuses.size() - 2];
    ASSERT_EQ(report.compare(0, prefix.size(), prefix), 0) << report;
    EXPECT_NE(atoi(report.c_str() + prefix.size()), 0) << report;
    EXPECT_EQ(report.back(), ')');
    EXPECT_EQ(statuses.back(), "All done.");
    EXPECT_EQ(std::count_if(statuses.begin(), statuses.end(),
                            [](const std::string &s) { return s.find("absent") != s.npos; }),
              0);
    EXPECT_FALSE(Exists("stale.tmp"));
    EXPECT_TRUE(Since("warning ").empty());
}

// Cleanup names are relative to the product's directory, wherever the current
// directory has gone meanwhile.
TEST_F(FilePass, CleanupRunsInTheBaseDirectory) {
    WriteFile("stale.tmp", "product's");
    fs::create_directory("elsewhere");
    WriteFile("elsewhere/stale.tmp", "someone else's");
    Add(ENTRY_CLEANUP, "stale.tmp");
    fs::current_path("elsewhere");

    ExecutionPass();

    fs::current_path(Wizard.BaseDirectory);
    EXPECT_FALSE(Exists("stale.tmp"));
    EXPECT_TRUE(Exists("elsewhere/stale.tmp"));
}
