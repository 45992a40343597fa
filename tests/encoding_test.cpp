// The resource encoding pass over the recording backend: batches of at most
// 100 names handed to the test utility, which logs each command line, the
// per-file texts, the progress bar's messages and the files left on disk.
#include "execution_fixture.h"

#include "update/encoding.h"
#include "update/execution.h"

class Encoding : public ExecutionFixture {
  protected:
    // count ADD entries with files "f1.dat" and on, the list meeting them in
    // that order.
    void AddFiles(int count, bool write = true) {
        for (int i = count; i >= 1; i--) {
            if (write)
                WriteFile(FileName(i), "data");
            Add(ENTRY_ADD, FileName(i));
        }
    }

    // Each case starts, as a run does, from an empty bar.
    void EmptyBar() {
        SendWindowMessage(Wizard.ProgressBar, PBM_SETPOS, 0, 0);
        mark = RecordedEvents().size();
    }

    static std::string FileName(int i) { return "f" + std::to_string(i) + ".dat"; }

    // The bar's state in the window model after the pass.
    static const ProgressState &Bar() {
        return ModelItem(RecordedProgressWindow(), IDC_PROGRESS_BAR)->bar;
    }
};

static std::string PerFile(int first, int total) {
    return "Processing resource file " + std::to_string(first) + " of " + std::to_string(total) +
           ".";
}

static std::string Range(int maximum) {
    return "PBM_SETRANGE 0 " + std::to_string(maximum * 65536LL);
}

TEST_F(Encoding, BatchesOfAtMostHundred) {
    struct Case {
        int files;
        std::vector<size_t> runs;
        std::vector<std::string> bar;
    };
    const Case cases[] = {
        {100, {100}, {Range(100), "PBM_SETSTEP 100 0", "PBM_STEPIT 0 0"}},
        {101,
         {100, 1},
         {Range(101), "PBM_SETSTEP 100 0", "PBM_STEPIT 0 0", "PBM_SETSTEP 1 0", "PBM_STEPIT 0 0"}},
        {250,
         {100, 100, 50},
         {Range(250), "PBM_SETSTEP 100 0", "PBM_STEPIT 0 0", "PBM_STEPIT 0 0", "PBM_SETSTEP 50 0",
          "PBM_STEPIT 0 0"}},
        {7, {7}, {Range(7), "PBM_SETSTEP 100 0", "PBM_SETSTEP 7 0", "PBM_STEPIT 0 0"}},
    };
    InstallUtility();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.files);
        FreeWorkList();
        fs::remove(UtilityLogName);
        EmptyBar();
        AddFiles(c.files);
        WriteFile("!tmpexec.$$$", "left from before");

        EXPECT_EQ(ResourceEncodingPass(c.files), 1);

        std::vector<std::string> statuses = Since("status ");
        ASSERT_EQ(statuses.size(), static_cast<size_t>(c.files) + 1);
        EXPECT_EQ(statuses[0], "Processing " + std::to_string(c.files) + " resource files.");
        for (int i = 1; i <= c.files; i++)
            ASSERT_EQ(statuses[i], PerFile((i - 1) / 100 * 100 + 1, c.files)) << i;

        // Each run gets its names in list order, after the archive's name.
        std::vector<std::string> runs = UtilityRuns();
        ASSERT_EQ(runs.size(), c.runs.size());
        int next = 1;
        for (size_t r = 0; r < runs.size(); r++) {
            std::vector<std::string> expected{"product.res"};
            for (size_t k = 0; k < c.runs[r]; k++)
                expected.push_back(FileName(next++));
            expected.push_back("/ENCODE");
            EXPECT_EQ(Arguments(runs[r]), expected) << "run " << r;
        }

        EXPECT_EQ(Since("bar "), c.bar);
        EXPECT_EQ(Bar().position, c.files);
        EXPECT_EQ(Bar().maximum, c.files);
        for (int i = 1; i <= c.files; i++)
            ASSERT_FALSE(Exists(FileName(i))) << i;
        EXPECT_FALSE(Exists("!tmpexec.$$$"));
    }
}

TEST_F(Encoding, UtilityPathIsTheBaseDirectoryAndTheUtility) {
    InstallUtility();
    AddFiles(1);
    EXPECT_EQ(ResourceEncodingPass(1), 1);
    ASSERT_EQ(UtilityRuns().size(), 1u);
    std::string run = UtilityRuns()[0];
    std::string program = run.substr(0, run.find(' '));
    EXPECT_EQ(fs::path(program).filename().string(), UtilityName);
    EXPECT_TRUE(fs::equivalent(fs::path(program).parent_path(), fs::path(Wizard.BaseDirectory)))
        << program;
}

TEST_F(Encoding, AllFilesFailed) {
    InstallUtility();
    for (int i = 3; i >= 1; i--) {
        WriteFile(FileName(i), "data");
        Add(ENTRY_ADD | ENTRY_FAILED, FileName(i));
    }
    WriteFile("!tmpexec.$$$", "left from before");

    EXPECT_EQ(ResourceEncodingPass(3), 1);

    EXPECT_EQ(Since("status "), (std::vector<std::string>{"Processing 3 resource files."}));
    EXPECT_EQ(Since("bar "), (std::vector<std::string>{Range(3), "PBM_SETSTEP 100 0"}));
    EXPECT_EQ(Bar().position, 0);
    EXPECT_TRUE(UtilityRuns().empty());
    for (int i = 1; i <= 3; i++)
        EXPECT_TRUE(Exists(FileName(i))) << i;
    EXPECT_FALSE(Exists("!tmpexec.$$$"));
}

// A cancel confirmed while the pass pumps messages before the 150th entry: that
// entry still joins the batch, then the pass stops; the batch is never sent and
// nothing after the pass runs.
TEST_F(Encoding, CancelBeforeThe150thEntry) {
    InstallUtility();
    WriteFile("stale.tmp", "x");
    Add(ENTRY_CLEANUP, "stale.tmp");
    AddFiles(250);
    static bool encoding;
    static int pumps;
    encoding = false;
    pumps = 0;
    RecordingOnStatus([](const std::string &text) {
        if (text == "Processing 250 resource files.")
            encoding = true;
    });
    RecordingOnPump([](int) {
        if (encoding && ++pumps == 150)
            PressCancel();
    });

    ExecutionPass();

    EXPECT_EQ(Since("confirm").size(), 1u);
    std::vector<std::string> runs = UtilityRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(Arguments(runs[0]).size(), 102u);
    for (int i = 1; i <= 100; i++)
        ASSERT_FALSE(Exists(FileName(i))) << i;
    for (int i = 101; i <= 250; i++)
        ASSERT_TRUE(Exists(FileName(i))) << i;
    EXPECT_TRUE(Exists("!tmpexec.$$$"));
    EXPECT_TRUE(Exists("stale.tmp"));
    EXPECT_EQ(Since("status ").back(), PerFile(101, 250));
    EXPECT_EQ(Since("bar ").back(), "PBM_STEPIT 0 0");
}

// An empty name takes a slot; the utility sees only the others.
TEST_F(Encoding, EmptyNameTakesASlot) {
    InstallUtility();
    WriteFile("a.dat", "a");
    WriteFile("b.dat", "b");
    Add(ENTRY_ADD, "b.dat");
    Add(ENTRY_ADD, "");
    Add(ENTRY_ADD, "a.dat");

    EXPECT_EQ(ResourceEncodingPass(3), 1);

    ASSERT_EQ(UtilityRuns().size(), 1u);
    EXPECT_EQ(Arguments(UtilityRuns()[0]),
              (std::vector<std::string>{"product.res", "a.dat", "b.dat", "/ENCODE"}));
    EXPECT_EQ(Since("bar ").back(), "PBM_STEPIT 0 0");
    EXPECT_EQ(Bar().position, 3);
    EXPECT_FALSE(Exists("a.dat"));
    EXPECT_FALSE(Exists("b.dat"));
}

// A full batch of the longest names, and the longest archive name, reach the
// utility whole.
TEST_F(Encoding, FullBatchOfLongestNames) {
    InstallUtility();
    std::string archive(127, 'r');
    snprintf(Wizard.ResourceFile, sizeof Wizard.ResourceFile, "%s", archive.c_str());
    std::vector<std::string> names;
    for (int i = 0; i < 100; i++) {
        char prefix[8];
        snprintf(prefix, sizeof prefix, "%03d", i);
        names.push_back(prefix + std::string(127 - 3, 'n'));
    }
    for (int i = 99; i >= 0; i--) {
        WriteFile(names[i], "x");
        Add(ENTRY_ADD, names[i]);
    }

    EXPECT_EQ(ResourceEncodingPass(100), 1);

    ASSERT_EQ(UtilityRuns().size(), 1u);
    std::vector<std::string> expected{archive};
    expected.insert(expected.end(), names.begin(), names.end());
    expected.push_back("/ENCODE");
    EXPECT_EQ(Arguments(UtilityRuns()[0]), expected);
    for (const std::string &name : names)
        ASSERT_FALSE(Exists(name)) << name;
}

// A utility that cannot be started, here behind a BaseDirectory of the longest
// length: nothing is shown and the batch's files are deleted all the same.
TEST_F(Encoding, UtilityThatCannotStart) {
    std::string longest(PATH_SIZE - 1, 'd');
    snprintf(Wizard.BaseDirectory, sizeof Wizard.BaseDirectory, "%s", longest.c_str());
    AddFiles(3);

    EXPECT_EQ(ResourceEncodingPass(3), 1);

    EXPECT_TRUE(Since("warning ").empty());
    for (int i = 1; i <= 3; i++)
        EXPECT_FALSE(Exists(FileName(i))) << i;
    EXPECT_FALSE(Exists("!tmpexec.$$$"));
}

// The bar's range has 16 bits. Up to 65,535 files it counts files; beyond
// that it still runs from empty to full, each batch moving it in proportion.
TEST_F(Encoding, BarBeyondSixteenBits) {
    // A capture file that cannot be created keeps the utility from being
    // started at all, which keeps the 700 runs quick.
    fs::create_directory("!tmpexec.$$$");
    const int files = 70001;
    AddFiles(files, false);

    EXPECT_EQ(ResourceEncodingPass(files), 1);

    std::vector<std::string> bar = Since("bar ");
    ASSERT_GE(bar.size(), 2u);
    EXPECT_EQ(bar[0], Range(65535));
    int64_t step = 0, position = 0, sent = 0;
    for (size_t i = 1; i < bar.size(); i++) {
        long long wparam = 0;
        if (sscanf(bar[i].c_str(), "PBM_SETSTEP %lld", &wparam) == 1) {
            step = wparam;
            continue;
        }
        ASSERT_EQ(bar[i], "PBM_STEPIT 0 0");
        position += step;
        sent = std::min<int64_t>(sent + 100, files);
        ASSERT_EQ(position, sent * 65535 / files) << "after " << sent << " files";
    }
    EXPECT_EQ(sent, files);
    EXPECT_EQ(Bar().position, 65535);
}
