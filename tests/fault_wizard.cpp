// The wizard over the recording backend with the tests' seam (WIZARD_FAULT,
// sys/fault_plan.cpp), run in the product directory by sweep_test: it accepts
// the agreement, runs the update to its end and prints each warning as
// "warning TEXT", then "operations N" and "completed 0|1".
#include "app/startup.h"
#include "state/wizard_state.h"
#include "sys/fault_plan.h"
#include "ui/recording/recording.h"

#include <stdio.h>

int main() {
    RecordingReset();
    int result = WizardMain("");
    for (const std::string &warning : RecordedWith("warning "))
        printf("warning %s\n", warning.c_str());
    printf("operations %d\ncompleted %d\n", FaultOperationCount(), Wizard.RunCompleted);
    return result;
}
