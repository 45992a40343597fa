// An update's manifest (contract.h: ManifestFile, named by ManifestKey): what
// the update expects of the product before it changes anything, and what it
// leaves after. Plain text that standard tools read, one line per file and
// purpose:
//
//     GROUP SIZE SHA256  NAME
//
// GROUP one of the words below, SIZE the file's bytes in decimal, SHA256 its
// digest in 64 hexadecimal digits, then two blanks and the name as the script
// writes it, to the end of the line (the last three as sha256sum writes
// them). Lines that begin with '#' are comments; the last line, "# end N",
// counts the file lines, so that a manifest cut at a line end is known.
#ifndef WIZARD_SCRIPT_MANIFEST_H
#define WIZARD_SCRIPT_MANIFEST_H

#include "sys/hash.h"

#include <stddef.h>
#include <stdint.h>

enum ManifestGroup {
    GROUP_INPUT,    // "input": the update's own files as it ships them
    GROUP_NEEDED,   // "needed": a file it relies on and does not carry, as the new version has it
    GROUP_REPLACED, // "replaced": a file it replaces, as the old version had it (for the record)
    GROUP_REMOVED,  // "removed": a file it removes, as the old version had it
    GROUP_ARCHIVE,  // "archive": the resource archive as the old version had it
    GROUP_RESULT,   // "result": a file it writes or stamps, as the new version has it
    GROUP_COUNT
};

// The words of the groups, in the order of ManifestGroup; and the start of
// the last line.
extern const char *const ManifestGroupWords[GROUP_COUNT];
extern const char ManifestEndLine[]; // "# end "

struct ManifestLine {
    ManifestGroup group;
    int64_t size;
    Digest digest;
    const char *name; // inside the manifest's text
    uint32_t number;  // of its line in the file, 1 for the first
};

struct Manifest {
    char *text;
    ManifestLine *lines; // in the file's order
    size_t count;
    size_t *byName; // indices of lines, sorted by name
    // The first line that is no manifest line; past the last one when the
    // end line is missing or counts otherwise; 0 when the manifest is whole.
    uint32_t damaged;
};

// Reads and parses the named manifest: 0, or the platform's error code when it
// cannot be read (then nothing is held). Lines of a group unknown to this
// version are passed over. Release with FreeManifest, which an empty manifest
// takes as well.
int LoadManifest(const char *name, Manifest *manifest);
void FreeManifest(Manifest *manifest);

// When a file is judged: before the update changes anything, or after its
// files are in their places.
enum ManifestStage { STAGE_BEFORE, STAGE_AFTER };

enum FileVerdict {
    FILE_AS_EXPECTED,
    FILE_MISSING,
    FILE_DIFFERENT, // a removed file still there, at STAGE_AFTER
    FILE_UNREADABLE
};

struct FileJudgement {
    FileVerdict verdict;
    int error;    // FILE_UNREADABLE: the platform's code
    int64_t size; // the file's, when it was there
};

// 1 when the files of the group are judged at that stage: before, every input (as
// shipped, or as its result line has it: a run that was interrupted left it
// so), every needed file, every removed file (or none there) and the archive;
// after, every result, and every removed file must be gone.
int JudgedAt(ManifestGroup group, ManifestStage stage);

// Judges the file of a line whose group JudgedAt takes, reading it once at most
// (between as for HashFile); with archiveUnderWay, the archive is accepted
// whatever it holds.
void JudgeFile(const Manifest *manifest, const ManifestLine *line, ManifestStage stage,
               int archiveUnderWay, void (*between)(), FileJudgement *judgement);

#endif
