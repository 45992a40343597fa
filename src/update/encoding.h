// The resource encoding pass: ADD files handed to the resource utility in batches.
#ifndef WIZARD_UPDATE_ENCODING_H
#define WIZARD_UPDATE_ENCODING_H

#include "script/contract.h"
#include "update/work_list.h"

#include <stdint.h>

enum EncodingResult {
    ENCODING_STOPPED = 0, // CancelRequested was found set
    ENCODING_DONE = 1,    // ran to its end
    // The utility could not be started or ended with an error (a warning has
    // been shown): the files of the batch and of the batches after it are
    // where they were, for a run of the update once the cause is mended.
    ENCODING_FAILED = 2
};

// addCount: the number of ENTRY_ADD entries, failed ones included, not 0.
EncodingResult ResourceEncodingPass(int32_t addCount);

// Runs the utility with /ENCODE over the first count slots (1 to 100), then
// deletes their files and empties the slots. 0 when the utility could not be
// started or ended with an exit code other than 0: a warning has been shown,
// and the files and slots are left alone.
int EncodeBatch(WorkEntry **slots, int count);

#endif
