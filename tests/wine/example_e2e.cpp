// Drives the real update-wizard.exe through the example update in a prepared
// product directory, from outside as a user would, and reports what it saw.
// The files the run leaves are checked afterwards on the host side.
//   example_e2e whole DIR      accept, wait for "All done.", check the finished
//                              window's state, press Finish, exit code 0
//   example_e2e cancel DIR     the script's EXECUTE program is wait_for_file:
//                              while it runs, press Cancel, release it, answer
//                              Yes; the window goes and the program ends with 0
// Exit code 0 when everything held; the wizard is always ended.
#include "driver.h"

#include <commctrl.h>

#include <stdio.h>
#include <string.h>

#include <string>

enum { CANCEL_BUTTON = 1025, FINISH_BUTTON = 1026, STATUS_TEXT = 1031, PROGRESS_BAR = 1010 };

// A whole run of the example starts the resource utility four times; under
// Wine each start takes a while.
enum { RUN_MS = 90000 };

static const char CancelQuestionText[] =
    "Are you sure you want to cancel?  Doing so will leave this update incomplete and may "
    "result in product instability.  If this occurs, you will need to re-install the product.";

static int failures;

static void Check(bool holds, const char *what) {
    if (!holds) {
        printf("FAIL: %s\n", what);
        fflush(stdout);
        ++failures;
    }
}

static bool FileExists(const std::string &path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The progress window after the agreement has been accepted, or none.
static HWND StartAndAccept(WizardRun *run, const std::string &dir) {
    if (!StartWizard(run, dir, std::string())) {
        Check(false, "the wizard did not start");
        return nullptr;
    }
    HWND agreement = WaitForAgreement(run->info.dwProcessId);
    Check(agreement != nullptr, "no agreement");
    if (agreement == nullptr)
        return nullptr;
    Press(GetDlgItem(agreement, IDOK));
    HWND progress = WaitForProgressWindow(run->info.dwProcessId);
    Check(progress != nullptr, "no progress window");
    return progress;
}

static void RunWhole(WizardRun *run, const std::string &dir) {
    HWND progress = StartAndAccept(run, dir);
    if (progress == nullptr)
        return;
    HWND status = GetDlgItem(progress, STATUS_TEXT);
    bool done = WaitUntil([&] { return TextOf(status) == "All done."; }, RUN_MS);
    Check(done, "the status never became \"All done.\"");
    if (!done) {
        printf("status: %s\n", TextOf(status).c_str());
        return;
    }
    Check(!IsWindowEnabled(GetDlgItem(progress, CANCEL_BUTTON)), "Cancel still enabled");
    Check(IsWindowEnabled(GetDlgItem(progress, FINISH_BUTTON)) != 0, "Finish not enabled");
    HWND bar = GetDlgItem(progress, PROGRESS_BAR);
    LRESULT position = AskWindow(bar, PBM_GETPOS);
    LRESULT high = AskWindow(bar, PBM_GETRANGE, FALSE);
    LRESULT low = AskWindow(bar, PBM_GETRANGE, TRUE);
    printf("bar: %ld in %ld..%ld\n", static_cast<long>(position), static_cast<long>(low),
           static_cast<long>(high));
    Check(high > low && position == high, "the bar is not full");
    Check(FindMessageBox(run->info.dwProcessId) == nullptr, "a warning was shown");
    Press(GetDlgItem(progress, FINISH_BUTTON));
    long code = WaitForExit(run);
    Check(code == 0, "Finish did not end the program with exit code 0");
}

static void RunCancelled(WizardRun *run, const std::string &dir) {
    HWND progress = StartAndAccept(run, dir);
    if (progress == nullptr)
        return;
    // The file pass holds at the EXECUTE entry; the window does not answer
    // while the program runs, so the click waits in the queue until the next
    // entry's message pumping.
    bool started = WaitUntil([&] { return FileExists(dir + "\\started.flag"); }, RUN_MS);
    Check(started, "the EXECUTE program never started");
    if (!started)
        return;
    Press(GetDlgItem(progress, CANCEL_BUTTON));
    HANDLE release = CreateFileA((dir + "\\release.flag").c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    Check(release != INVALID_HANDLE_VALUE, "could not create release.flag");
    if (release == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(release);
    HWND question = WaitForBoxWithButton(run->info.dwProcessId, IDYES);
    Check(question != nullptr, "no cancel question");
    if (question == nullptr)
        return;
    Check(MessageBoxText(question) == CancelQuestionText, "not the cancel question");
    Check(PressBoxButton(question, IDYES), "no Yes button");
    Check(WaitUntil([&] { return !IsWindow(progress); }), "the progress window stayed");
    long code = WaitForExit(run);
    Check(code == 0, "the cancelled program did not end with exit code 0");
    Check(FindMessageBox(run->info.dwProcessId) == nullptr, "a box is left");
}

int main(int argc, char **argv) {
    if (argc != 3 || (strcmp(argv[1], "whole") != 0 && strcmp(argv[1], "cancel") != 0)) {
        fprintf(stderr, "usage: example_e2e whole|cancel DIR\n");
        return 2;
    }
    PrepareWineDisplay();
    WizardRun run = {};
    if (strcmp(argv[1], "whole") == 0)
        RunWhole(&run, argv[2]);
    else
        RunCancelled(&run, argv[2]);
    long code = WaitForExit(&run, 0);
    Check(code != -1 || !run.started, "the wizard was still running: ended");
    EndWizard(&run);
    printf("%s: %d failure(s)\n", argv[1], failures);
    return failures == 0 ? 0 : 1;
}
