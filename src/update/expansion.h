// Expansion in place of SZDD-compressed inputs, with the warnings that tell the
// user which step failed: the update's use of the decoder of sys/szdd.h.
#ifndef WIZARD_UPDATE_EXPANSION_H
#define WIZARD_UPDATE_EXPANSION_H

#include "update/work_list.h"

// 1: not compressed (nothing done), or expanded into a temporary file that
// waits in the batch of update/replacement.h to take the name's place, for
// entry (none for a file of the planning pass); 0: failed, a warning has
// been shown, and the named file is untouched and no temporary file stays.
// A file that another program holds, so that it cannot be read, fails too.
int ExpandIfCompressed(const char *name, WorkEntry *entry);

#endif
