#include "update/utility.h"

#include "sys/files.h"
#include "ui/progress.h"
#include "update/child.h"

#include <stdio.h>

// The utility's full path: the longest BaseDirectory (259 characters), the
// separator and the longest name (127) with its zero. Every buffer is sized
// for the longest inputs, so no composition is ever cut: a cut path or name
// would start some other program or name some other file.
enum {
    UTILITY_PATH_SIZE = (PATH_SIZE - 1) + 1 + (NAME_SIZE - 1) + 1,
    VERB_ROOM = 16, // a blank, the longest verb of the contract and the zero, with room
    COMMAND_LINE_SIZE = (UTILITY_PATH_SIZE - 1) + 2 * NAME_SIZE + (UTILITY_NAMES_SIZE - 1) +
                        VERB_ROOM
};

// What each verb's command line carries before the verb, and what a failed
// start says: the list that the call should have written and the end of the
// update, or the archive and a skipped batch.
struct VerbForm {
    const char *verb;
    int archive, source;
    const char *list; // none: the archive is named, and the run goes on
};

static const VerbForm Forms[] = {
    {WorkVerb, 1, 1, AddListFile}, {DumpVerb, 0, 1, CleanupListFile}, {EncodeVerb, 1, 0, nullptr}};

int CallUtility(UtilityVerb verb, const char *names, int32_t *code) {
    static char utilityPath[UTILITY_PATH_SIZE];
    static char commandLine[COMMAND_LINE_SIZE];
    const VerbForm *form = &Forms[verb];
    snprintf(utilityPath, sizeof utilityPath, "%s%c%s", Wizard.BaseDirectory, PathSeparator,
             Wizard.ResourceUtility);
    snprintf(commandLine, sizeof commandLine, "%s%s%s%s%s%s %s", utilityPath,
             form->archive ? " " : "", form->archive ? Wizard.ResourceFile : "",
             form->source ? " " : "", form->source ? Wizard.SourceFile : "",
             names != nullptr ? names : "", form->verb);
    ShowStatusNow();
    if (RunCaptured(utilityPath, commandLine, code, UtilityCaptureFile) != -1)
        return 1;
    if (form->list != nullptr) {
        ShowWarningF("Could not create process (%s)[%d].  Aborting.", form->list, (int)*code);
        ShowWarning(commandLine);
    } else {
        ShowWarningF("Could not create process (%s)[%d].  Skipping.", Wizard.ResourceFile,
                     (int)*code);
    }
    return 0;
}
