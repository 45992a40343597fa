#include "update/planning.h"

#include "state/wizard_state.h"
#include "script/contract.h"
#include "script/text_reader.h"
#include "script/values.h"
#include "sys/files.h"
#include "ui/progress.h"
#include "update/expansion.h"
#include "update/manifest_check.h"
#include "update/record.h"
#include "update/replacement.h"
#include "update/removal.h"
#include "update/utility.h"
#include "update/work_list.h"

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

// Working storage of one run of the pass.
struct PlanningStorage {
    char value[NAME_SIZE];
    int32_t resultCode; // shown only when a start fails; never tested
};

static void ShowStatusAndPump(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

static void ShowStatusAndPump(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(Wizard.Message, sizeof Wizard.Message, format, args);
    va_end(args);
    SetStatus(Wizard.Message);
    PumpMessages();
}

// The directory is this run's alone from here on.
static int TakeProductDirectory() {
    int error = TakeDirectory();
    if (error == 0)
        return 1;
    if (IsHeldError(error))
        ShowWarning("Another update wizard is running in this directory. Aborting.");
    else
        ShowWarningF("Could not write file (%s)[%d].  Aborting.", DirectoryLockFile, error);
    return 0;
}

// The first *.wiz file that the directory search yields names the update script.
static int ReadPointerFile() {
    if (FindMatchAt(PointerPattern, 0, Wizard.PointerFileName, sizeof Wizard.PointerFileName))
        Wizard.PointerFileName[0] = '\0';
    if (!LoadTextFile(Wizard.PointerFileName)) {
        ShowWarning("Configuration file (.WIZ) could not be located. Aborting.");
        return 0;
    }
    GetSectionValue(ScriptKey.section, ScriptKey.key, Wizard.ScriptFileName, NAME_SIZE);
    ReleaseText();
    return 1;
}

// First comma field of a PRECHECK key into dest; empty when there is none.
static void ReadPrecheckName(PlanningStorage *work, const ContractKey *key, char *dest,
                             size_t size) {
    work->value[0] = '\0';
    GetSectionValue(key->section, key->key, work->value, sizeof work->value);
    char *field = nullptr;
    if (SplitCommaFields(work->value, &field, 1) == 1)
        snprintf(dest, size, "%s", field);
    else
        dest[0] = '\0';
}

// The script stays loaded: its COPY, EXECUTE and REMOVE lines are read next.
static int ReadScriptNames(PlanningStorage *work) {
    ShowStatusAndPump("Reading configuration file (%s)", Wizard.ScriptFileName);
    if (!LoadTextFile(Wizard.ScriptFileName)) {
        ShowWarningF("Configuration file (%s) could not be located. Aborting.",
                     Wizard.ScriptFileName);
        return 0;
    }
    GetSectionValue(HeaderProgramKey.section, HeaderProgramKey.key, Wizard.HeaderProgram,
                    sizeof Wizard.HeaderProgram);
    GetSectionValue(ArchiveKey.section, ArchiveKey.key, Wizard.ResourceFile,
                    sizeof Wizard.ResourceFile);
    ReadPrecheckName(work, &SourceKey, Wizard.SourceFile, sizeof Wizard.SourceFile);
    ReadPrecheckName(work, &UtilityKey, Wizard.ResourceUtility, sizeof Wizard.ResourceUtility);
    ReadPrecheckName(work, &UpdateFileKey, Wizard.UpdateFile, sizeof Wizard.UpdateFile);
    return 1;
}

// The utility and the archive must exist. The archive itself is never expanded:
// only the utility reads it. The inputs take their places together, before the
// utility runs.
static int CheckInputs() {
    if (!FileExists(Wizard.ResourceUtility)) {
        ShowWarningF("Resource Utility (%s) could not be located. Aborting.",
                     Wizard.ResourceUtility);
        return 0;
    }
    if (!FileExists(Wizard.ResourceFile)) {
        ShowWarningF("Resource file (%s) could not be located. Aborting.", Wizard.ResourceFile);
        return 0;
    }
    // The utility runs by its full path: one the platform cannot start would
    // stop the update only after its inputs were expanded.
    if (strlen(Wizard.BaseDirectory) + 1 + strlen(Wizard.ResourceUtility) > PathLimit) {
        ShowWarningF("Resource Utility (%s) cannot be started from a directory this long: its "
                     "path takes more than %d characters. Aborting.",
                     Wizard.ResourceUtility, (int)PathLimit);
        return 0;
    }
    // What an interrupted run of this update left of the wizard's own goes
    // first; from here on every file the wizard makes is in the record.
    int error = BeginRecord(Wizard.ScriptFileName);
    if (error != 0) {
        ShowWarningF("Could not write file (%s)[%d].  Aborting.", RecordFile, error);
        return 0;
    }
    const char *inputs[] = {Wizard.ResourceUtility, Wizard.SourceFile, Wizard.UpdateFile};
    const char *failed = nullptr;
    for (const char *name : inputs)
        if (!ExpandIfCompressed(name, nullptr)) {
            failed = name;
            break;
        }
    const char *unplaced = nullptr;
    if (CommitReplacements(&unplaced) > 0 && failed == nullptr)
        failed = unplaced;
    if (failed != nullptr) {
        ShowWarningF("An error occured during decompression of file (%s). Skipping.", failed);
        return 0;
    }
    return 1;
}

// Every value of key in the loaded text's section becomes an entry of kind.
// 0 when memory ran out; entries added so far stay in the list.
static int AddSectionEntries(PlanningStorage *work, const ContractKey *key, uint32_t kind) {
    if (!SeekSection(key->section))
        return 1;
    for (;;) {
        // Emptied each time so that a line without a value never repeats the last one.
        work->value[0] = '\0';
        if (!NextSectionValue(key->key, work->value, sizeof work->value))
            return 1;
        WorkEntry *entry = AddWorkEntry(work->value);
        if (entry == nullptr)
            return 0;
        entry->kind |= kind;
    }
}

// In the order whose reverse the execution passes walk.
static int AddScriptEntries(PlanningStorage *work) {
    if (AddSectionEntries(work, &CopyKey, ENTRY_COPY) &&
        AddSectionEntries(work, &ExecuteKey, ENTRY_EXECUTE) &&
        AddSectionEntries(work, &RemoveKey, ENTRY_REMOVE))
        return 1;
    ShowWarning("An error occured during memory link. Aborting.");
    return 0;
}

// One call of the utility for planning: its capture file goes at once.
static int AskUtility(PlanningStorage *work, UtilityVerb verb) {
    if (!CallUtility(verb, nullptr, &work->resultCode))
        return 0;
    RemoveFile(UtilityCaptureFile, 1);
    return 1;
}

// A missing "update.lst" means nothing to add. Out of memory stops
// without a message.
static int ReadAddList(PlanningStorage *work) {
    if (!LoadTextFile(AddListFile))
        return 1;
    int added = AddSectionEntries(work, &AddKey, ENTRY_ADD);
    ReleaseText();
    if (!added)
        return 0;
    RemoveFile(AddListFile, 1);
    return 1;
}

// Without "update.dmp" the update goes on with no cleanup entries.
static int ReadCleanupList(PlanningStorage *work) {
    if (!LoadTextFile(CleanupListFile)) {
        ShowWarning("Warning.  Could not open cleanup configuration file.");
        return 1;
    }
    if (!AddSectionEntries(work, &CleanupKey, ENTRY_CLEANUP)) {
        ShowWarning("An error occured during memory link. Aborting.");
        return 0;
    }
    ReleaseText();
    RemoveFile(CleanupListFile, 1);
    return 1;
}

// Everything that comes from the pointer file and the script. The product is
// checked against the update's manifest before CheckInputs makes the first
// change to the directory.
static int ReadUpdateScript(PlanningStorage *work) {
    if (!ReadPointerFile() || !ReadScriptNames(work) || !CheckProduct() || !CheckInputs() ||
        !AddScriptEntries(work))
        return 0;
    ReleaseText();
    return 1;
}

// What the resource utility says is to be added and cleaned up.
static int AskResourceUtility(PlanningStorage *work) {
    ShowStatusAndPump("Examining resource file. (%s)", Wizard.ResourceFile);
    if (!AskUtility(work, UTILITY_WORK) || !ReadAddList(work))
        return 0;
    if (!AskUtility(work, UTILITY_DUMP))
        return 0;
    return ReadCleanupList(work);
}

// An interrupted cleanup is finished before anything else: the files that
// would name it may be gone already.
int PlanningPass() {
    PlanningStorage work;
    work.value[0] = '\0';
    work.resultCode = 0;
    ShowStatusAndPump("Reading configuration file (.WIZ)");
    int result = 0;
    if (TakeProductDirectory())
        result = ResumeRecordedCleanup() || (ReadUpdateScript(&work) && AskResourceUtility(&work));
    // Wherever the pass stopped, the reader must be empty for its next user.
    ReleaseText();
    return result;
}
