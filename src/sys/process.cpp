#include "sys/process.h"

int RunCaptured(const char *program, const char *commandLine, int wait, int32_t *exitCode,
                const char *captureFile) {
    if (program == nullptr || program[0] == '\0' || commandLine == nullptr ||
        commandLine[0] == '\0')
        return -1;
    return StartCapturedChild(commandLine, PRIORITY_NORMAL, wait, exitCode, captureFile);
}

int RunEntryCommand(const char *commandLine, int wait, int32_t *exitCode, const char *captureFile) {
    return StartCapturedChild(commandLine, PRIORITY_HIGH, wait, exitCode, captureFile);
}
