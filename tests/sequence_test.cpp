// The run sequence over the recording backend: start-up, the agreement, the
// progress window's states and the ways a run ends.
#include "app/startup.h"
#include "sys/files.h"
#include "ui/agreement.h"
#include "app/progress_window.h"
#include "ui/progress.h"
#include "ui/recording/recording.h"
#include "ui/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <list>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A fresh directory for one test, entered for its duration.
class SequenceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        start = fs::current_path();
        dir = fs::temp_directory_path() /
              ("wizard-seq-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::current_path(dir);
        RecordingReset();
    }
    void TearDown() override {
        fs::current_path(start);
        fs::remove_all(dir);
    }
    fs::path start, dir;
};

void WriteFile(const fs::path &name, const std::string &content) {
    std::ofstream(name, std::ios::binary | std::ios::trunc) << content;
}

// putenv keeps the pointer, so every text given to it stays alive.
void SetEnvironment(const std::string &name, const std::string &value) {
    static std::list<std::string> texts;
    texts.push_back(name + "=" + value);
    putenv(&texts.back()[0]);
}

// A complete, valid update in the current directory: three COPY entries whose
// files are missing (each counts as handled, and the file pass pumps messages
// for each), a resource utility that writes an empty cleanup list.
void WriteUpdate() {
    WriteFile("update.wiz", "[HEADER]\r\nCMD=update.txt\r\n");
    WriteFile("update.txt", "[HEADER]\r\nDST=data.res\r\n[PRECHECK]\r\nRESEXE=utility.exe\r\n"
                            "[COPY]\r\nCOPY=a.dat,1\r\nCOPY=b.dat,2\r\nCOPY=c.dat,3\r\n");
    WriteFile("data.res", "archive");
    WriteFile("given.dmp", "[PFF]\r\n");
    // MinGW's copy_file does not overwrite, whatever the options say.
    fs::remove("utility.exe");
    fs::copy_file(TEST_UTILITY_PATH, "utility.exe");
    SetEnvironment("WIZARD_TEST_DMP", "given.dmp");
}

} // namespace

TEST_F(SequenceTest, DeclinedAgreementEndsWithoutWindow) {
    for (int answer : {0, -1}) {
        RecordingReset();
        RecordingSetAgreementAnswer(answer);
        EXPECT_EQ(WizardMain(""), 0);
        EXPECT_EQ(RecordedEvents().front(), "agreement");
        EXPECT_TRUE(RecordedWith("show").empty());
        EXPECT_TRUE(RecordedWith("warning").empty());
        EXPECT_EQ(RecordedProgressWindow(), nullptr);
    }
}

TEST_F(SequenceTest, AgreementTextJoinsBothTextsWithCrLf) {
    WizardMain("");
    std::vector<std::string> texts = RecordedWith("text 1020 ");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], std::string(AgreementTextFirst) + AgreementTextSecond);
    EXPECT_NE(texts[0].find("\r\n\r\nLIMITATION"), std::string::npos);
    EXPECT_EQ(texts[0].find('\n') - 1, texts[0].find("\r\n"));
}

TEST_F(SequenceTest, WindowCreationFailureGivesItsErrorCode) {
    RecordingFailWindowCreation(1407);
    EXPECT_EQ(WizardMain(""), 1407);
    EXPECT_TRUE(RecordedWith("warning").empty());
    EXPECT_TRUE(RecordedWith("show").empty());
}

TEST_F(SequenceTest, WindowStartsWithFinishAndResourcesGreyed) {
    // The window as created, before the main loop takes MSG_PLAN.
    snprintf(Wizard.BaseDirectory, sizeof Wizard.BaseDirectory, "%s", dir.string().c_str());
    int error = 0;
    WindowHandle window = CreateProgressWindow(ProgressDialogProc, &error);
    ASSERT_NE(window, nullptr);
    ModelWindow *w = ModelWindowOf(window);
    EXPECT_EQ(ModelItem(w, IDC_DESTINATION_TEXT)->text, dir.string());
    EXPECT_TRUE(ModelItem(w, IDC_CANCEL_BUTTON)->enabled);
    EXPECT_FALSE(ModelItem(w, IDC_FINISH_BUTTON)->enabled);
    EXPECT_FALSE(ModelItem(w, IDC_RESOURCES_LABEL)->enabled);
    EXPECT_FALSE(ModelItem(w, IDC_PROGRESS_BAR)->enabled);
    EXPECT_STREQ(ModelItem(w, IDC_STATUS_TEXT)->text, "");
    EXPECT_EQ(RecordedWith("bar "),
              (std::vector<std::string>{"PBM_SETSTEP 1 0", "PBM_SETPOS 0 0"}));
    ProgressState bar = ModelItem(w, IDC_PROGRESS_BAR)->bar;
    EXPECT_EQ(bar.minimum, 0);
    EXPECT_EQ(bar.maximum, 100);
    EXPECT_EQ(bar.position, 0);
    EXPECT_FALSE(ModelQueueEmpty()); // MSG_PLAN is waiting
    DestroyWindowHandle(window);
}

TEST(CenterWindow, HalvesEachSideBeforeSubtracting) {
    struct Case {
        WindowRect screen, window;
        int x, y;
    } cases[] = {
        {{0, 0, 1024, 768}, {10, 20, 461, 331}, 287, 229},
        {{0, 0, 1024, 768}, {0, 0, 450, 310}, 287, 229},
        {{0, 0, 800, 600}, {0, 0, 801, 601}, 0, 0},
        {{0, 0, 640, 480}, {0, 0, 3, 1}, 319, 240},
    };
    for (const Case &c : cases) {
        int x = -1, y = -1;
        CenterPosition(&c.screen, &c.window, &x, &y);
        EXPECT_EQ(x, c.x);
        EXPECT_EQ(y, c.y);
    }
}

// The events from the first one equal to first, count of them.
std::vector<std::string> EventsFrom(const std::string &first, size_t count) {
    const std::vector<std::string> &events = RecordedEvents();
    for (size_t i = 0; i < events.size(); i++)
        if (events[i] == first)
            return std::vector<std::string>(events.begin() + i,
                                            events.begin() + std::min(events.size(), i + count));
    return {};
}

const std::vector<std::string> Finished = {"enable 1025 0", "enable 1026 1",
                                           "bar PBM_SETRANGE 0 6553600", "bar PBM_SETPOS 100 0"};

TEST_F(SequenceTest, CompleteRunWaitsForFinishOrClose) {
    for (bool close : {false, true}) {
        RecordingReset();
        WriteUpdate();
        int actions = 0;
        RecordingOnIdle([&] {
            actions++;
            close ? CloseProgressWindow() : PressFinish();
        });
        EXPECT_EQ(WizardMain(""), 0);
        EXPECT_EQ(actions, 1);
        EXPECT_TRUE(RecordedWith("warning").empty());
        EXPECT_TRUE(RecordedWith("confirm").empty());
        std::vector<std::string> statuses = RecordedWith("status ");
        ASSERT_FALSE(statuses.empty());
        EXPECT_EQ(statuses.back(), "All done.");
        EXPECT_EQ(EventsFrom("enable 1025 0", 4), Finished);
        EXPECT_EQ(RecordedEvents().back(), "destroy");
        EXPECT_EQ(Wizard.WorkListHead, nullptr);
    }
}

TEST_F(SequenceTest, FailedPlanningClosesTheWindowByItself) {
    // No pointer file here. Finish is disabled, yet the pass's Finish command closes the window.
    EXPECT_EQ(WizardMain(""), 0);
    EXPECT_EQ(
        RecordedWith("warning "),
        std::vector<std::string>{"Configuration file (.WIZ) could not be located. Aborting."});
    EXPECT_TRUE(EventsFrom("enable 1026 1", 1).empty());
    EXPECT_EQ(RecordedEvents().back(), "destroy");
    EXPECT_EQ(Wizard.CancelRequested, 1);
}

// A user action during the file pass, at the pump that follows the second entry's text.
struct CancelCase {
    const char *name;
    int answer;     // to the confirmation; -1: none asked
    bool closeBox;  // the close box instead of Cancel
    bool completes; // the run reaches "All done."
};

TEST_F(SequenceTest, CancelAndCloseDuringTheFilePass) {
    const CancelCase cases[] = {
        {"cancel answered No", 0, false, true},
        {"cancel answered Yes", 1, false, false},
        {"confirmation not shown", -2, false, false},
        {"close box", -1, true, false},
    };
    for (const CancelCase &c : cases) {
        SCOPED_TRACE(c.name);
        RecordingReset();
        WriteUpdate();
        if (c.answer != -1)
            RecordingQueueConfirmAnswers({c.answer == -2 ? -1 : c.answer});
        RecordingOnStatus([&](const std::string &text) {
            if (text.rfind("Decompressing file 2 of", 0) == 0)
                c.closeBox ? CloseProgressWindow() : PressCancel();
        });
        RecordingOnIdle([] { PressFinish(); });
        EXPECT_EQ(WizardMain(""), 0);
        std::vector<std::string> statuses = RecordedWith("status ");
        EXPECT_EQ(RecordedWith("confirm").size(), c.closeBox ? 0u : 1u);
        if (c.completes) {
            EXPECT_EQ(statuses.back(), "All done.");
            EXPECT_EQ(EventsFrom("enable 1025 0", 4), Finished);
            continue;
        }
        // The entry under way is finished, then the pass stops: nothing after it. A
        // window that was only closed still gets the finished state before it goes.
        EXPECT_EQ(statuses.back(), "Decompressing file 2 of 3.");
        EXPECT_EQ(EventsFrom("enable 1025 0", 4),
                  c.closeBox ? Finished : std::vector<std::string>{});
        EXPECT_EQ(RecordedEvents().back(), "destroy");
    }
}

TEST_F(SequenceTest, DirOption) {
    fs::create_directories(dir / "product dir");
    std::string product = (dir / "product dir").string();
    std::string longText = "/DIR=" + std::string(300, 'x');
    struct Case {
        std::string tail;
        std::string warning; // empty: none
        fs::path base;
    } cases[] = {
        {"/DIR=" + product, "", dir / "product dir"},
        {"-q /DIR=" + product, "", dir / "product dir"},
        {"/DIR=\"" + product + "\"", "Could not set current directory to (\"" + product + "\").",
         dir},
        {"/DIR=", "Could not set current directory to ().", dir},
        {"/dir=" + product, "", dir},
        {"/DIR=" + product + " /Q", "Could not set current directory to (" + product + " /Q).",
         dir},
        {longText, "Could not set current directory to (" + std::string(214, 'x') + "...).", dir},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tail);
        fs::current_path(dir);
        RecordingReset();
        RecordingSetAgreementAnswer(0);
        WizardMain(c.tail.c_str());
        std::vector<std::string> warnings = RecordedWith("warning ");
        if (c.warning.empty()) {
            EXPECT_TRUE(warnings.empty());
        } else {
            ASSERT_EQ(warnings.size(), 1u);
            EXPECT_EQ(warnings[0], c.warning);
            EXPECT_LT(warnings[0].size(), static_cast<size_t>(MESSAGE_SIZE));
        }
        EXPECT_EQ(fs::path(Wizard.BaseDirectory), c.base);
    }
}
