// The resource encoding pass: ADD files handed to the resource utility in batches.
#ifndef WIZARD_UPDATE_ENCODING_H
#define WIZARD_UPDATE_ENCODING_H

#include "update/work_list.h"

#include <stdint.h>

enum { BATCH_SIZE = 100 };

// addCount: the number of ENTRY_ADD entries, failed ones included, not 0.
// 1: ran to its end; 0: stopped because CancelRequested was set.
int ResourceEncodingPass(int32_t addCount);

// Runs the utility with /ENCODE over the first count slots (1 to 100), then
// deletes their files and empties the slots.
void EncodeBatch(WorkEntry **slots, int count);

#endif
