// Expansion in place of SZDD-compressed inputs, with the warnings that tell the
// user which step failed: the update's use of the decoder of sys/szdd.h.
#ifndef WIZARD_UPDATE_EXPANSION_H
#define WIZARD_UPDATE_EXPANSION_H

// 1: not compressed, or expanded in place; 0: failed (a warning has been shown)
// or cancelled while the temporary file was being removed. A failed expansion
// leaves the named file untouched and removes its temporary file; a cancel
// leaves the temporary file behind.
int ExpandIfCompressed(const char *name);

// The next value of the runtime's unseeded generator (41, 18467, 6334, ...).
int NextRandom();
// Starts the generator again, as a new run would.
void ResetRandom();

#endif
