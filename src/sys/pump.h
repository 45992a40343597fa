// Dispatching of waiting window messages, implemented by each UI backend.
#ifndef WIZARD_SYS_PUMP_H
#define WIZARD_SYS_PUMP_H

// Dispatches every message that is waiting for any window of this thread and
// returns when the queue is empty; never waits. Handlers run nested inside the
// caller and may set CancelRequested or destroy the progress window.
void PumpMessages();

#endif
