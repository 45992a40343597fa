#include "app/startup.h"

#include "app/progress_window.h"
#include "sys/files.h"
#include "ui/agreement.h"
#include "ui/progress.h"
#include "ui/resource.h"
#include "update/record.h"
#include "update/work_list.h"

#include <stdio.h>
#include <string.h>

static const char DirOption[] = "/DIR=";

// The warning's fixed text takes 38 characters of the message buffer; a longer
// directory text is shortened with "..." so that the sentence stays whole.
enum { DIR_TEXT_ROOM = MESSAGE_SIZE - 39 };

int ApplyDirOption(const char *commandTail) {
    const char *found = strstr(commandTail, DirOption);
    if (found == nullptr)
        return 1;
    const char *dir = found + strlen(DirOption);
    if (ChangeDirectory(dir) == 0)
        return 1;
    if (strlen(dir) <= DIR_TEXT_ROOM)
        ShowWarningF("Could not set current directory to (%s).", dir);
    else
        ShowWarningF("Could not set current directory to (%.*s...).", DIR_TEXT_ROOM - 3, dir);
    return 0;
}

// Start-up clears the names before it reads BaseDirectory, and starts the
// generator of temporary names afresh, as a new process would.
static void ClearWizardNames() {
    Wizard.RandomState = 1;
    Wizard.BaseDirectory[0] = '\0';
    Wizard.PointerFileName[0] = '\0';
    Wizard.ScriptFileName[0] = '\0';
    Wizard.ResourceFile[0] = '\0';
    Wizard.SourceFile[0] = '\0';
    Wizard.UpdateFile[0] = '\0';
    Wizard.ResourceUtility[0] = '\0';
    Wizard.HeaderProgram[0] = '\0';
}

int WizardMain(const char *commandTail) {
    ApplyDirOption(commandTail);
    UiInitialise();
    ClearWizardNames();
    if (ReadCurrentDirectory(Wizard.BaseDirectory, sizeof Wizard.BaseDirectory) != 0) {
        ShowWarning("Error! Could not set BaseDirectory variable.");
        return 0;
    }
    if (ShowAgreement() == 0)
        return 0;
    int error = 0;
    WindowHandle window = CreateProgressWindow(ProgressDialogProc, &error);
    if (window == nullptr)
        return error;
    Wizard.ProgressWindow = window;
    ShowProgressWindow(window, WizardTitle);
    RunMessageLoop();
    FreeWorkList();
    ReleaseDirectory();
    if (WindowExists(window))
        DestroyWindowHandle(window);
    return 0;
}
