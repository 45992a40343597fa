// Value forms of the update files: comma lists and numbers.
#ifndef WIZARD_SCRIPT_VALUES_H
#define WIZARD_SCRIPT_VALUES_H

#include <stdint.h>

// Splits value in place at commas as strtok does (empty fields vanish) and
// stores up to max field pointers; returns how many fields were stored.
int SplitCommaFields(char *value, char **fields, int max);

// The leading decimal integer by the rules of atoi, wrapping instead of
// overflowing.
int32_t ParseInteger(const char *text);

#endif
