// Writing an update: its pointer file, its script in CR LF, the files it ships
// (SZDD-compressed where that makes them smaller), and the package for the
// sample utility.
#ifndef UPDATE_MAKE_WRITE_H
#define UPDATE_MAKE_WRITE_H

#include "plan.h"

// Writes the plan's update into options->out, which must not exist: whole in
// a directory beside it, renamed at the end, so that a failure leaves nothing.
// Says what it wrote, file by file, with the sizes. 1, or 0 after a message.
int WriteUpdate(const MakeOptions *options, const Plan *plan);

#endif
