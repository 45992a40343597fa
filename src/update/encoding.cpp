#include "update/encoding.h"

#include "state/wizard_state.h"
#include "ui/progress.h"
#include "update/removal.h"
#include "update/utility.h"

#include <stdio.h>

// The progress bar's range travels in 16 bits.
enum { BAR_RANGE_MAX = 0xFFFF };

// The bar position for a number of files. Up to 65,535 files the bar counts
// files; beyond that the files are scaled to 0..65,535, so that the bar still
// runs from empty to full in proportion.
static int32_t BarUnits(int32_t files, int32_t addCount) {
    if (addCount <= BAR_RANGE_MAX)
        return files;
    return (int32_t)((int64_t)files * BAR_RANGE_MAX / addCount);
}

// Before a batch is sent: sets the bar's step to the files of the batch from
// sentBefore to sentAfter. The step is sent only when it differs from the last
// one, so an unscaled bar gets no new step for full batches and one for the
// last, partial batch.
static void ChangeBarStep(int32_t *step, int32_t sentBefore, int32_t sentAfter, int32_t addCount) {
    int32_t units = BarUnits(sentAfter, addCount) - BarUnits(sentBefore, addCount);
    if (units != *step) {
        *step = units;
        SetBarStep(units);
    }
}

int EncodeBatch(WorkEntry **slots, int count) {
    static char names[UTILITY_NAMES_SIZE];
    if (count > BATCH_SIZE)
        count = BATCH_SIZE;
    // Each item is a blank and a name of at most 127 characters, so a full
    // batch always fits.
    size_t length = 0;
    names[0] = 0;
    for (int i = 0; i < count; i++) {
        if (slots[i] == nullptr)
            continue;
        int written = snprintf(names + length, sizeof names - length, " %.*s", (int)(NAME_SIZE - 1),
                               slots[i]->name);
        if (written > 0 && (size_t)written < sizeof names - length)
            length += (size_t)written;
    }
    // A utility that never started, or that says it failed, may have taken
    // nothing in, and the batch's files may be the only copy of what the
    // update adds: they stay. One that fails and says otherwise cannot be told.
    int32_t code = 0;
    if (!CallUtility(UTILITY_ENCODE, names, &code))
        return 0;
    if (code != 0) {
        ShowWarningF("Process ended with an error (%s)[%d].  Skipping.", Wizard.ResourceFile,
                     (int)code);
        return 0;
    }
    for (int i = 0; i < count; i++) {
        if (slots[i] == nullptr)
            continue;
        RemoveFile(slots[i]->name, 1);
        slots[i] = nullptr;
    }
    return 1;
}

// Sends the first count slots: the bar's step for them, the utility's run and
// the bar's step. 0 when the utility did not take them in.
static int SendBatch(WorkEntry **slots, int count, int32_t *encoded, int32_t *step,
                     int32_t addCount) {
    ChangeBarStep(step, *encoded, *encoded + count, addCount);
    *encoded += count;
    if (!EncodeBatch(slots, count))
        return 0;
    StepBar();
    return 1;
}

EncodingResult ResourceEncodingPass(int32_t addCount) {
    WorkEntry *slots[BATCH_SIZE] = {};
    int batchSize = 0;
    int32_t encoded = 0;

    SetStatusF("Processing %d resource files.", addCount);
    SetBarRange(BarUnits(addCount, addCount));
    int32_t step = BarUnits(BATCH_SIZE, addCount);
    SetBarStep(step);

    int takenIn = 1;
    for (WorkEntry *entry = Wizard.WorkListHead; entry != nullptr && takenIn; entry = entry->next) {
        PumpMessages();
        if ((entry->kind & ENTRY_ADD) && !(entry->kind & ENTRY_FAILED)) {
            // The number shown is that of the batch's first file: the count
            // grows only when a batch is sent.
            SetStatusF("Processing resource file %d of %d.", encoded + 1, addCount);
            slots[batchSize++] = entry;
            if (batchSize == BATCH_SIZE) {
                takenIn = SendBatch(slots, BATCH_SIZE, &encoded, &step, addCount);
                batchSize = 0;
            }
        }
        // A partly filled batch is dropped unsent: its files stay as they are.
        if (Wizard.CancelRequested)
            return ENCODING_STOPPED;
    }
    if (takenIn && batchSize != 0)
        takenIn = SendBatch(slots, batchSize, &encoded, &step, addCount);
    RemoveFile(UtilityCaptureFile, 1);
    return takenIn ? ENCODING_DONE : ENCODING_FAILED;
}
