#include "update/manifest_check.h"

#include "script/contract.h"
#include "script/manifest.h"
#include "script/text_reader.h"
#include "state/wizard_state.h"
#include "sys/files.h"
#include "ui/progress.h"
#include "update/record.h"
#include "update/work_list.h"

#include <stdio.h>
#include <string.h>

// Pieces of a mebibyte and files read between two pumps: the window stays
// alive through a large product without a pump for every small file.
enum { READS_PER_PUMP = 64 };

// From the check to the proof of one run, for the script that named it: a
// run that only finishes an interrupted cleanup reads no script and proves
// nothing.
static Manifest Loaded;
static char LoadedName[NAME_SIZE];
static char CheckedScript[PATH_SIZE];
static int ReadsSincePump;

static void Forget() {
    FreeManifest(&Loaded);
    LoadedName[0] = '\0';
}

static void PumpNowAndThen() {
    if (++ReadsSincePump < READS_PER_PUMP)
        return;
    ReadsSincePump = 0;
    PumpMessages();
}

// The planning pass has its own words for these two.
static int LeftToPlanning(const ManifestLine *line) {
    return strcmp(line->name, Wizard.ResourceUtility) == 0 ||
           strcmp(line->name, Wizard.ResourceFile) == 0;
}

// The warning for a file that is not as the update expects it.
static void ShowMismatch(const ManifestLine *line, const FileJudgement *judgement) {
    int ofUpdate = line->group == GROUP_INPUT;
    if (judgement->verdict == FILE_UNREADABLE)
        ShowWarningF("Could not read file (%s)[%d].  Aborting.", line->name, judgement->error);
    else if (judgement->verdict == FILE_MISSING && ofUpdate)
        ShowWarningF("Update file (%s) could not be located. Aborting.", line->name);
    else if (judgement->verdict == FILE_MISSING)
        ShowWarningF("Product file (%s) could not be located: this update is for another "
                     "version. Aborting.",
                     line->name);
    else if (ofUpdate)
        ShowWarningF("Update file (%s) is damaged or incomplete. Aborting.", line->name);
    else
        ShowWarningF("Product file (%s) is not the version this update is for. Aborting.",
                     line->name);
}

static int LoadNamedManifest() {
    FreeManifest(&Loaded);
    LoadedName[0] = '\0';
    snprintf(CheckedScript, sizeof CheckedScript, "%s", Wizard.ScriptFileName);
    GetSectionValue(ManifestKey.section, ManifestKey.key, LoadedName, sizeof LoadedName);
    if (LoadedName[0] == '\0')
        return 1;
    SetStatusF("Checking product files (%s)", LoadedName);
    PumpMessages();
    int error = LoadManifest(LoadedName, &Loaded);
    if (error != 0 && IsMissingError(error))
        ShowWarningF("Update file (%s) could not be located. Aborting.", LoadedName);
    else if (error != 0)
        ShowWarningF("Could not read file (%s)[%d].  Aborting.", LoadedName, error);
    else if (Loaded.damaged != 0)
        ShowWarningF("Update file (%s) is damaged or incomplete. Aborting.", LoadedName);
    return error == 0 && Loaded.damaged == 0;
}

int CheckProduct() {
    if (!LoadNamedManifest()) {
        Forget();
        return 0;
    }
    char recorded[PATH_SIZE];
    int underWay =
        RecordedScript(recorded, sizeof recorded) && strcmp(recorded, Wizard.ScriptFileName) == 0;
    for (size_t i = 0; i < Loaded.count; i++) {
        const ManifestLine *line = &Loaded.lines[i];
        if (!JudgedAt(line->group, STAGE_BEFORE))
            continue;
        PumpNowAndThen();
        if (Wizard.CancelRequested) {
            Forget();
            return 0;
        }
        FileJudgement judgement;
        JudgeFile(&Loaded, line, STAGE_BEFORE, underWay, PumpNowAndThen, &judgement);
        if (judgement.verdict == FILE_AS_EXPECTED ||
            (judgement.verdict == FILE_MISSING && LeftToPlanning(line)))
            continue;
        ShowMismatch(line, &judgement);
        Forget();
        return 0;
    }
    return 1;
}

int ProveResults() {
    if (LoadedName[0] == '\0' || strcmp(CheckedScript, Wizard.ScriptFileName) != 0)
        return 1;
    SetStatusF("Checking updated files (%s)", LoadedName);
    PumpMessages();
    int proven = 1;
    for (size_t i = 0; i < Loaded.count; i++) {
        const ManifestLine *line = &Loaded.lines[i];
        if (!JudgedAt(line->group, STAGE_AFTER))
            continue;
        PumpNowAndThen();
        FileJudgement judgement;
        JudgeFile(&Loaded, line, STAGE_AFTER, 0, PumpNowAndThen, &judgement);
        if (judgement.verdict == FILE_AS_EXPECTED)
            continue;
        ShowWarningF("File (%s) is not as this update should leave it.  Skipping cleanup.",
                     line->name);
        proven = 0;
    }
    Forget();
    // Without a cleanup list the update stays, and so must the record: the
    // run that finishes it finds the archive as this one left it.
    return proven && CountWorkEntries(ENTRY_CLEANUP) > 0;
}
