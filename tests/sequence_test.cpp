// The run sequence over the recording backend: start-up, the agreement, the
// progress window's states and the ways a run ends.
#include "app/startup.h"
#include "ui/agreement.h"
#include "ui/progress.h"
#include "ui/recording/recording.h"
#include "ui/resource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// A fresh directory for one test, entered for its duration.
class SequenceTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        start = fs::current_path();
        dir = fs::temp_directory_path() /
              ("wizard-seq-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::current_path(dir);
        RecordingReset();
    }
    void TearDown() override
    {
        fs::current_path(start);
        fs::remove_all(dir);
    }
    fs::path start, dir;
};

} // namespace

TEST_F(SequenceTest, DeclinedAgreementEndsWithoutWindow)
{
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

TEST_F(SequenceTest, AgreementTextJoinsBothTextsWithCrLf)
{
    WizardMain("");
    std::vector<std::string> texts = RecordedWith("text 1020 ");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], std::string(AgreementTextFirst) + AgreementTextSecond);
    EXPECT_NE(texts[0].find("\r\n\r\nLIMITATION"), std::string::npos);
    EXPECT_EQ(texts[0].find('\n') - 1, texts[0].find("\r\n"));
}

TEST_F(SequenceTest, WindowCreationFailureGivesItsErrorCode)
{
    RecordingFailWindowCreation(1407);
    EXPECT_EQ(WizardMain(""), 1407);
    EXPECT_TRUE(RecordedWith("warning").empty());
    EXPECT_TRUE(RecordedWith("show").empty());
}

TEST_F(SequenceTest, WindowStartsWithFinishAndResourcesGreyed)
{
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

TEST(CenterWindow, HalvesEachSideBeforeSubtracting)
{
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
