// The resource utility's three calls, composed and run in one place.
#ifndef WIZARD_UPDATE_UTILITY_H
#define WIZARD_UPDATE_UTILITY_H

#include "script/contract.h"
#include "state/wizard_state.h"

#include <stdint.h>

// The names of a full /ENCODE batch: a blank and at most 127 characters each.
enum { UTILITY_NAMES_SIZE = (int)BATCH_SIZE * (int)NAME_SIZE + 1 };

enum UtilityVerb { UTILITY_WORK, UTILITY_DUMP, UTILITY_ENCODE };

// Runs the utility by its full path, BaseDirectory, the separator and
// ResourceUtility, with single blanks between the items: for /WORK the
// archive and the package, for /DUMP the package, for /ENCODE the archive and
// names (each name already preceded by a blank); then the verb. Its standard
// output goes into the capture file, which the caller removes. 1 when it ran:
// *code holds its exit code. 0 when it could not be started: the warning has
// been shown with *code, which then holds the platform's error code, or is
// untouched when the capture file could not be made.
int CallUtility(UtilityVerb verb, const char *names, int32_t *code);

#endif
