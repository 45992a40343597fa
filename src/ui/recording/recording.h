// The recording backend of the tests: the in-process windows of ui/model, with
// every visible effect written down in order and the user's actions injected
// by the test at chosen points.
//
// Events, one line each:
//   "warning <text>"            a ShowWarning box
//   "confirm"                   the cancel confirmation box
//   "status <text>"             the text of StatusText
//   "text <id> <text>"          the text of another control
//   "enable <id> <0|1>"         a control enabled or disabled
//   "bar <message> <wparam> <lparam>"   PBM_SETRANGE, PBM_SETPOS, PBM_SETSTEP, PBM_STEPIT
//   "title <text>", "show", "destroy", "agreement", "quit"
#ifndef WIZARD_UI_RECORDING_RECORDING_H
#define WIZARD_UI_RECORDING_RECORDING_H

#include "ui/model/model.h"

#include <functional>
#include <string>
#include <vector>

// Clears windows, queue, events, answers and hooks, and the wizard's state
// (CancelRequested, names, handles), ready for a new run. The work list must
// have been freed.
void RecordingReset();

const std::vector<std::string> &RecordedEvents();

// The events that start with prefix, with the prefix removed.
std::vector<std::string> RecordedWith(const std::string &prefix);

// The agreement: 1 accepts (the default), 0 declines, -1 makes it fail to show.
void RecordingSetAgreementAnswer(int answer);

// Answers to the cancel confirmations, in order: 1 Yes, 0 No, -1 the box cannot
// be shown. Once they run out, Yes.
void RecordingQueueConfirmAnswers(const std::vector<int> &answers);

// Makes the next progress window fail to be created with this error code.
void RecordingFailWindowCreation(int error);

// Called at the start of every PumpMessages with the number of calls so far
// (1 for the first); the test may press buttons from it.
void RecordingOnPump(std::function<void(int)> hook);

// Called whenever a status text is set, with the text.
void RecordingOnStatus(std::function<void(const std::string &)> hook);

// Called when the main loop finds the queue empty: the user's next action. When
// it queues nothing, the loop ends as on the quit message ("quit").
// The default presses nothing.
void RecordingOnIdle(std::function<void()> hook);

// The user's actions on the progress window: each posts what the platform would.
void PressCancel();
void PressFinish();
void CloseProgressWindow();

// The last progress window created (it may have been destroyed since).
ModelWindow *RecordedProgressWindow();

#endif
