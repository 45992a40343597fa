#include "update/planning.h"

#include "state/wizard_state.h"
#include "script/text_reader.h"
#include "script/values.h"
#include "sys/files.h"
#include "sys/process.h"
#include "ui/progress.h"
#include "update/expansion.h"
#include "update/leftovers.h"
#include "update/removal.h"
#include "update/work_list.h"

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>

// The utility's full path: the longest BaseDirectory (259 characters), the
// separator and the longest name (127) with its zero. Sized so that no
// composition is ever cut: a cut path would start some other program.
enum { UTILITY_PATH_SIZE = (PATH_SIZE - 1) + 1 + (NAME_SIZE - 1) + 1 };

// "<path> <ResourceFile> <SourceFile> /WORK" is the longer of the two lines.
enum { VERB_ROOM = 8, COMMAND_LINE_SIZE = UTILITY_PATH_SIZE + 2 * NAME_SIZE + VERB_ROOM };
static_assert(COMMAND_LINE_SIZE >= (UTILITY_PATH_SIZE - 1) + 2 * NAME_SIZE + sizeof " /WORK",
              "the longest /WORK command line must fit");

static const char CaptureFile[] = "!tmpexec.$$$";
static const char AddListFile[] = "update.lst";
static const char CleanupListFile[] = "update.dmp";

// Working storage of one run of the pass.
struct PlanningStorage {
    char value[NAME_SIZE];
    char utilityPath[UTILITY_PATH_SIZE];
    char commandLine[COMMAND_LINE_SIZE];
    int32_t resultCode; // shown only when a start fails; never tested
};

static void ShowStatus(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

static void ShowStatus(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(Wizard.Message, sizeof Wizard.Message, format, args);
    va_end(args);
    SetStatus(Wizard.Message);
    PumpMessages();
}

// The first *.wiz file that the directory search yields names the update script.
static int ReadPointerFile() {
    ShowStatus("Reading configuration file (.WIZ)");
    if (!FindFirstMatch("*.wiz", Wizard.PointerFileName, sizeof Wizard.PointerFileName))
        Wizard.PointerFileName[0] = '\0';
    if (!LoadTextFile(Wizard.PointerFileName)) {
        ShowWarning("Configuration file (.WIZ) could not be located. Aborting.");
        return 0;
    }
    GetSectionValue("HEADER", "CMD", Wizard.ScriptFileName, NAME_SIZE, nullptr);
    ReleaseText();
    // An update lies here: what an interrupted run of it left goes first.
    RemoveLeftovers();
    return 1;
}

// First comma field of a PRECHECK key into dest; empty when there is none.
static void ReadPrecheckName(PlanningStorage *work, const char *key, char *dest, size_t size) {
    work->value[0] = '\0';
    GetSectionValue("PRECHECK", key, work->value, sizeof work->value, nullptr);
    char *field = nullptr;
    if (SplitCommaFields(work->value, &field, 1) == 1)
        snprintf(dest, size, "%s", field);
    else
        dest[0] = '\0';
}

// The script stays loaded: its COPY, EXECUTE and REMOVE lines are read next.
static int ReadScriptNames(PlanningStorage *work) {
    ShowStatus("Reading configuration file (%s)", Wizard.ScriptFileName);
    if (!LoadTextFile(Wizard.ScriptFileName)) {
        ShowWarningF("Configuration file (%s) could not be located. Aborting.",
                     Wizard.ScriptFileName);
        return 0;
    }
    GetSectionValue("HEADER", "EXE", Wizard.HeaderProgram, sizeof Wizard.HeaderProgram, nullptr);
    GetSectionValue("HEADER", "DST", Wizard.ResourceFile, sizeof Wizard.ResourceFile, nullptr);
    ReadPrecheckName(work, "SRC", Wizard.SourceFile, sizeof Wizard.SourceFile);
    ReadPrecheckName(work, "RESEXE", Wizard.ResourceUtility, sizeof Wizard.ResourceUtility);
    ReadPrecheckName(work, "UPD", Wizard.UpdateFile, sizeof Wizard.UpdateFile);
    return 1;
}

// The utility and the archive must exist. The archive itself is never expanded:
// only the utility reads it.
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
    const char *inputs[] = {Wizard.ResourceUtility, Wizard.SourceFile, Wizard.UpdateFile};
    for (const char *name : inputs) {
        if (!ExpandIfCompressed(name)) {
            ShowWarningF("An error occured during decompression of file (%s). Skipping.", name);
            return 0;
        }
    }
    return 1;
}

// Every value of key in the loaded text's section becomes an entry of kind.
// 0 when memory ran out; entries added so far stay in the list.
static int AddSectionEntries(PlanningStorage *work, const char *section, const char *key,
                             uint32_t kind) {
    if (!SeekSection(section))
        return 1;
    for (;;) {
        // Emptied each time so that a line without a value never repeats the last one.
        work->value[0] = '\0';
        if (!NextSectionValue(key, work->value, sizeof work->value, nullptr))
            return 1;
        WorkEntry *entry = AddWorkEntry(work->value);
        if (entry == nullptr)
            return 0;
        entry->kind |= kind;
    }
}

// In the order whose reverse the execution passes walk.
static int AddScriptEntries(PlanningStorage *work) {
    if (AddSectionEntries(work, "COPY", "COPY", ENTRY_COPY) &&
        AddSectionEntries(work, "EXECUTE", "EXE", ENTRY_EXECUTE) &&
        AddSectionEntries(work, "REMOVE", "REMOVE", ENTRY_REMOVE))
        return 1;
    ShowWarning("An error occured during memory link. Aborting.");
    return 0;
}

// One utility call. listFile names the list that the call should write; it is
// what a start failure reports.
static int RunUtility(PlanningStorage *work, const char *verb, int withResource,
                      const char *listFile) {
    // Both buffers are sized for the longest names, so neither line is ever cut.
    snprintf(work->utilityPath, sizeof work->utilityPath, "%s%c%s", Wizard.BaseDirectory,
             PathSeparator, Wizard.ResourceUtility);
    if (withResource)
        snprintf(work->commandLine, sizeof work->commandLine, "%s %s %s %s", work->utilityPath,
                 Wizard.ResourceFile, Wizard.SourceFile, verb);
    else
        snprintf(work->commandLine, sizeof work->commandLine, "%s %s %s", work->utilityPath,
                 Wizard.SourceFile, verb);
    ShowStatusNow();
    if (RunCaptured(work->utilityPath, work->commandLine, 1, &work->resultCode, CaptureFile) ==
        -1) {
        ShowWarningF("Could not create process (%s)[%d].  Aborting.", listFile,
                     static_cast<int>(work->resultCode));
        ShowWarning(work->commandLine);
        return 0;
    }
    RemoveFile(CaptureFile, 1);
    return 1;
}

// A missing "update.lst" means nothing to add. Out of memory stops
// without a message.
static int ReadAddList(PlanningStorage *work) {
    if (!LoadTextFile(AddListFile))
        return 1;
    int added = AddSectionEntries(work, "ADD", "FILE", ENTRY_ADD);
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
    if (!AddSectionEntries(work, "PFF", "ENTRY", ENTRY_CLEANUP)) {
        ShowWarning("An error occured during memory link. Aborting.");
        return 0;
    }
    ReleaseText();
    RemoveFile(CleanupListFile, 1);
    return 1;
}

// Everything that comes from the pointer file and the script.
static int ReadUpdateScript(PlanningStorage *work) {
    if (!ReadPointerFile() || !ReadScriptNames(work) || !CheckInputs() || !AddScriptEntries(work))
        return 0;
    ReleaseText();
    return 1;
}

// What the resource utility says is to be added and cleaned up.
static int AskResourceUtility(PlanningStorage *work) {
    ShowStatus("Examining resource file. (%s)", Wizard.ResourceFile);
    if (!RunUtility(work, "/WORK", 1, AddListFile) || !ReadAddList(work))
        return 0;
    if (!RunUtility(work, "/DUMP", 0, CleanupListFile))
        return 0;
    return ReadCleanupList(work);
}

int PlanningPass() {
    PlanningStorage work;
    work.value[0] = '\0';
    work.resultCode = 0;
    int result = ReadUpdateScript(&work) && AskResourceUtility(&work);
    // Wherever the pass stopped, the reader must be empty for its next user.
    ReleaseText();
    return result;
}
