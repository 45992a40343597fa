// update-check's value checks: the names, numbers and compressed inputs of
// the loaded script, each taken as the planning pass takes it.
#ifndef UPDATE_CHECK_VALUE_CHECKS_H
#define UPDATE_CHECK_VALUE_CHECKS_H

#include "script/contract.h"

#include <stddef.h>
#include <stdint.h>

// The length of the full name of the directory checked, for the name limits.
void SetCheckedDirectoryLength(size_t length);

// The pointer file, the update script and the manifest ("" for none) of the
// update checked.
void SetUpdateFiles(const char *pointer, const char *script, const char *manifest);

// A name that the wizard opens, given by key what at line of file.
void CheckName(const char *file, uint32_t line, const char *what, const char *name);

// The archive (DST), the PRECHECK names and every entry of an entry key
// (COPY, EXECUTE, REMOVE), of the loaded script, named script in the findings.
void CheckArchive(const char *script);
void CheckPrecheck(const char *script);
void CheckEntries(const char *script, const ContractKey *key);

#endif
