// update-check's findings: collected as they are made, reported in the order
// of the files (as first met) and of their lines.
#ifndef UPDATE_CHECK_FINDINGS_H
#define UPDATE_CHECK_FINDINGS_H

#include <stddef.h>
#include <stdint.h>

// Forgets every finding and file.
void ResetFindings();

// Gives file its place in the report's order, if it has none yet.
void NoteFile(const char *file);

// One finding about file at line (0: the file as a whole).
void Report(const char *file, uint32_t line, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// The number of findings made, those beyond the report's room included.
int FindingTotal();

// One line per finding, "file:line: message" or "file: message", sorted; cut
// to size and always terminated.
void WriteReport(char *report, size_t size);

#endif
