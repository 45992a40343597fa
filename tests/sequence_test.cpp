// The run sequence over the recording backend: start-up, the two phases and the
// ways a run ends.
#include "app/startup.h"
#include "ui/recording/recording.h"

#include <gtest/gtest.h>

TEST(Sequence, DeclinedAgreementShowsNothingElse)
{
    RecordingReset();
    RecordingSetAgreementAnswer(0);
    EXPECT_EQ(WizardMain(""), 0);
    EXPECT_EQ(RecordedEvents().front(), "agreement");
    EXPECT_TRUE(RecordedWith("show").empty());
    EXPECT_TRUE(RecordedWith("warning").empty());
}
