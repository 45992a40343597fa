#include "update/child.h"

#include "sys/files.h"
#include "sys/process.h"

static int RunWithCapture(const char *commandLine, ChildPriority priority, int32_t *exitCode,
                          const char *captureFile) {
    FileHandle capture;
    if (captureFile == nullptr || CreateFileAnew(captureFile, &capture) != 0)
        return -1;
    int32_t code = 0;
    // The child holds its own handle of the capture file.
    int failure = RunChild(commandLine != nullptr ? commandLine : "", priority, capture, &code);
    CloseFileHandle(capture);
    if (exitCode != nullptr)
        *exitCode = failure != 0 ? failure : code;
    return failure != 0 ? -1 : 0;
}

int RunCaptured(const char *program, const char *commandLine, int32_t *exitCode,
                const char *captureFile) {
    if (program == nullptr || program[0] == '\0' || commandLine == nullptr ||
        commandLine[0] == '\0')
        return -1;
    return RunWithCapture(commandLine, PRIORITY_NORMAL, exitCode, captureFile);
}

int RunEntryCommand(const char *commandLine, int32_t *exitCode, const char *captureFile) {
    return RunWithCapture(commandLine, PRIORITY_HIGH, exitCode, captureFile);
}
