// Expanded files take their places in batches: each waits beside its target
// under its temporary name; then the batch's data is made durable in one
// flush, each file is renamed over its target, and the renames are made
// durable in one more flush. Whenever the process or the power stops, each
// target is either its old file or its new one.
#ifndef WIZARD_UPDATE_REPLACEMENT_H
#define WIZARD_UPDATE_REPLACEMENT_H

#include "update/work_list.h"

// Files in one batch at most; a full batch is committed at once. The record
// keeps room for the temporary names of a whole batch.
enum { REPLACEMENT_BATCH = 512 };

// Queues temp, a whole expansion that the update made, for the place of
// target; entry, when not none, is the work entry whose file target is.
// Commits the batch first when it is full: 0 when that commit had failures
// (see CommitReplacements), else 1.
int QueueReplacement(const char *temp, const char *target, WorkEntry *entry);

// The name under which target's new content waits for its place, or target
// itself when none waits: what a time stamp is given.
const char *PendingName(const char *target);

// Puts every queued file in its place, durably. A file that cannot take its
// place is removed, the target stays as it was, a warning says why, and its
// entry is marked ENTRY_FAILED after the warning "An error occured during
// decompression of file (%s). Skipping."; *firstFailed (when not none)
// receives the first such target. Returns the number of failures.
int CommitReplacements(const char **firstFailed);

#endif
