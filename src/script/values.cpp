// Stand-in until the module is written.
#include "script/values.h"
int SplitCommaFields(char *, char **, int) { return 0; }
int32_t ParseInteger(const char *) { return 0; }
