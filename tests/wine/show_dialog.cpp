// Brings the real program to one of its two dialogs and holds it there for a
// screenshot: show_dialog agreement|progress RECT-FILE [SECONDS]. Writes the
// dialog's screen rectangle ("x y width height") to RECT-FILE once it is
// painted, waits, then ends the program. Used by scripts/screenshots.
#include "driver.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HWND ReachDialog(const char *which, WizardRun *run) {
    DWORD pid = run->info.dwProcessId;
    HWND agreement = WaitForAgreement(pid);
    if (agreement == nullptr || strcmp(which, "agreement") == 0)
        return agreement;
    Press(GetDlgItem(agreement, IDOK));
    HWND progress = WaitForProgressWindow(pid);
    if (progress == nullptr)
        return nullptr;
    // The finished state: the bar full and Finish enabled.
    HWND finish = GetDlgItem(progress, 1026);
    WaitUntil([&] { return IsWindowEnabled(finish) != 0; });
    return progress;
}

int main(int argc, char **argv) {
    if (argc < 3 || (strcmp(argv[1], "agreement") != 0 && strcmp(argv[1], "progress") != 0)) {
        fprintf(stderr, "usage: show_dialog agreement|progress RECT-FILE [SECONDS]\n");
        return 2;
    }
    int seconds = argc > 3 ? atoi(argv[3]) : 5;
    PrepareWineDisplay();
    std::string dir = MakeTempDirectory();
    if (dir.empty())
        return 1;
    MakeValidUpdate(dir);
    WizardRun run = {};
    int result = 1;
    if (StartWizard(&run, dir, "")) {
        HWND dialog = ReachDialog(argv[1], &run);
        if (dialog != nullptr) {
            Sleep(700); // let it paint
            RECT rect;
            GetWindowRect(dialog, &rect);
            FILE *out = fopen(argv[2], "w");
            if (out != nullptr) {
                fprintf(out, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                        rect.bottom - rect.top);
                fclose(out);
                result = 0;
            }
            Sleep(static_cast<DWORD>(seconds) * 1000);
        }
    }
    EndWizard(&run);
    RemoveDirectoryTree(dir);
    return result;
}
