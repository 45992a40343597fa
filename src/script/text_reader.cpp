// Stand-in until the module is written.
#include "script/text_reader.h"
TextReader Reader;
int LoadTextFile(const char *) { return 0; }
int ReleaseText() { return 1; }
char *ReadLine(char *, size_t) { return nullptr; }
int SeekSection(const char *) { return 0; }
int GetSectionValue(const char *, const char *, char *, size_t, int32_t *) { return 0; }
int NextSectionValue(const char *, char *, size_t, int32_t *) { return 0; }
