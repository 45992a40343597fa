#include "update/execution.h"

#include "state/wizard_state.h"
#include "script/contract.h"
#include "sys/files.h"
#include "ui/progress.h"
#include "update/child.h"
#include "update/encoding.h"
#include "update/expansion.h"
#include "update/manifest_check.h"
#include "update/record.h"
#include "update/removal.h"
#include "update/replacement.h"
#include "update/work_list.h"

#include <stdio.h>

// A name holds at most 127 characters, so every command line of an entry fits.
enum { COMMAND_SIZE = 132 };

static void RunExecuteEntry(const WorkEntry *entry) {
    char command[COMMAND_SIZE];
    snprintf(command, sizeof command, "%s", entry->name);
    ShowStatusNow();
    // Neither a failed start nor the program's exit code stops the update.
    RunEntryCommand(command, nullptr, ExecuteCaptureFile);
    RemoveFile(ExecuteCaptureFile, 1);
}

// Expands the entry's file if needed and gives it the entry's time: 1 when the
// file is ready or waits for its place, 0 when the expansion failed (the entry
// is then marked failed and the resource encoding pass leaves it out).
static int PrepareEntryFile(WorkEntry *entry) {
    if (ExpandIfCompressed(entry->name, entry) == 0) {
        ShowWarningF("An error occured during decompression of file (%s). Skipping.", entry->name);
        entry->kind |= ENTRY_FAILED;
        return 0;
    }
    // An expansion that waits for its place is stamped under its temporary
    // name and keeps the time when it takes the place. A file that cannot be
    // opened for writing keeps its times; nothing to report.
    StampFileTime(PendingName(entry->name), entry->time);
    return 1;
}

// Removes files, runs commands, expands and time-stamps files, in list order.
// Waiting expansions take their places before a file is removed or a program
// runs, as each would have found them, and before the pass returns, also on
// a cancel. 1 when it ran to the end, 0 when it stopped on a cancel.
static int FilePass(int32_t fileCount) {
    int32_t handled = 0;
    for (WorkEntry *entry = Wizard.WorkListHead; entry != nullptr; entry = entry->next) {
        SetStatusF("Decompressing file %d of %d.", handled + 1, fileCount);
        PumpMessages();
        if (entry->kind & (ENTRY_REMOVE | ENTRY_EXECUTE))
            CommitReplacements(nullptr);
        if (entry->kind & ENTRY_REMOVE)
            RemoveFile(entry->name, 1);
        else if (entry->kind & ENTRY_EXECUTE)
            RunExecuteEntry(entry);
        else if (entry->kind & (ENTRY_ADD | ENTRY_COPY))
            handled += PrepareEntryFile(entry);
        if (Wizard.CancelRequested) {
            CommitReplacements(nullptr);
            return 0;
        }
    }
    CommitReplacements(nullptr);
    return 1;
}

// Once begun, the cleanup runs to the end even when the user cancels: stopping
// half-way would leave a mix of old and new files behind.
static void CleanupPass() {
    SetStatus("Cleaning up.");
    for (WorkEntry *entry = Wizard.WorkListHead; entry != nullptr; entry = entry->next) {
        PumpMessages();
        if ((entry->kind & ENTRY_CLEANUP) == 0)
            continue;
        int error = RemoveFile(entry->name, 1);
        if (error != 0) {
            // Only the status line tells, so the outcome counts it as a warning.
            Wizard.WarningCount++;
            SetStatusF("Could not delete file: %s (%d)", entry->name, error);
        }
    }
}

// A COPY or ADD file that did not reach its place: the update keeps its files.
static int AnyEntryFailed() {
    for (const WorkEntry *entry = Wizard.WorkListHead; entry != nullptr; entry = entry->next)
        if (entry->kind & ENTRY_FAILED)
            return 1;
    return 0;
}

void ExecutionPass() {
    // The ADD count is taken before the file pass, so it includes the entries
    // that fail to expand.
    int32_t addCount = CountWorkEntries(ENTRY_ADD);
    int32_t copyCount = CountWorkEntries(ENTRY_COPY);
    if (FilePass(addCount + copyCount) == 0)
        return;

    SetStatus("Processing resource files.");
    ShowResourcePhase();
    EncodingResult encoding = addCount != 0 ? ResourceEncodingPass(addCount) : ENCODING_DONE;
    if (encoding == ENCODING_STOPPED)
        return;

    // The cleanup names are relative to the product's directory. They name
    // what the update no longer needs once all its files are in the archive:
    // while one is not, the package and the update files stay for another run.
    ChangeDirectory(Wizard.BaseDirectory);
    // An update with a manifest proves its result first: one that differs
    // keeps the update for another look.
    int complete = encoding == ENCODING_DONE && !AnyEntryFailed() && ProveResults();
    int recorded = complete ? RecordCleanup() : 0;
    if (recorded != 0)
        ShowWarningF("Could not write file (%s)[%d].", RecordFile, recorded);
    complete = complete && recorded == 0;
    if (complete)
        CleanupPass();
    // What the run did reaches the disk before it says so; a complete update
    // leaves no record behind.
    EndRecord(complete);
    SetStatus("All done.");
    Wizard.RunCompleted = 1;
}
