// Stand-in until the module is written.
#include "sys/process.h"
int RunCaptured(const char *, const char *, int, int32_t *, const char *) { return -1; }
int RunEntryCommand(const char *, int, int32_t *, const char *) { return -1; }
