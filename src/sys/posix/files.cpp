// Stand-in until the module is written.
#include "sys/files.h"
FileHandle OpenFileExclusive(const char *) { return NO_FILE; }
FileHandle OpenFileShared(const char *) { return NO_FILE; }
FileHandle CreateFileAnew(const char *) { return NO_FILE; }
int64_t FileSizeOf(FileHandle) { return -1; }
int64_t ReadFromFile(FileHandle, void *, size_t) { return -1; }
int64_t WriteToFile(FileHandle, const void *, size_t) { return -1; }
void CloseFileHandle(FileHandle) {}
int LastPlatformError() { return 0; }
int FileExists(const char *) { return 0; }
int DeleteFileOnce(const char *) { return 0; }
int CopyFileOver(const char *, const char *) { return 0; }
int StampFileTime(const char *, int32_t) { return -1; }
int FindFirstMatch(const char *, char *, size_t) { return 0; }
int ChangeDirectory(const char *) { return 0; }
int ReadCurrentDirectory(char *dest, size_t size) { if (size) dest[0] = 0; return 1; }
void SleepMilliseconds(unsigned) {}
int FormTempFileName(unsigned, char *, size_t) { return 0; }
const char PathSeparator = '/';
