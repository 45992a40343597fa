#include "script/contract.h"

#include <string.h>

const char PointerPattern[] = "*.wiz";
const char PointerExtension[] = ".wiz";
const char AddListFile[] = "update.lst";
const char CleanupListFile[] = "update.dmp";
const char UtilityCaptureFile[] = "!tmpexec.$$$";
const char ExecuteCaptureFile[] = "!tmpexec.tmp";

const char TemporaryPrefix[] = "WIZ";
const char TemporaryExtension[] = ".TMP";
const char TwinPrefix[] = ".wizcopy";

const char RecordFile[] = "!wizard.rec";
const char RecordDraftFile[] = "!wizard.new";
const char DirectoryLockFile[] = "!wizard.lck";

const char ManifestFile[] = "update.sum";

const char WorkMarkerFile[] = "restool.ok";
const char CleanupMember[] = ".cleanup";

const char WorkVerb[] = "/WORK";
const char DumpVerb[] = "/DUMP";
const char EncodeVerb[] = "/ENCODE";

const ContractKey ScriptKey = {"HEADER", "CMD", 0};
const ContractKey HeaderProgramKey = {"HEADER", "EXE", 0};
const ContractKey ArchiveKey = {"HEADER", "DST", 0};
const ContractKey SourceKey = {"PRECHECK", "SRC", 0};
const ContractKey UtilityKey = {"PRECHECK", "RESEXE", 0};
const ContractKey UpdateFileKey = {"PRECHECK", "UPD", 0};
const ContractKey ManifestKey = {"HEADER", "MANIFEST", 0};
const ContractKey CopyKey = {"COPY", "COPY", 1};
const ContractKey ExecuteKey = {"EXECUTE", "EXE", 1};
const ContractKey RemoveKey = {"REMOVE", "REMOVE", 1};
const ContractKey AddKey = {"ADD", "FILE", 1};
const ContractKey CleanupKey = {"PFF", "ENTRY", 1};

const ContractKey *const ScriptKeys[] = {&ScriptKey,  &HeaderProgramKey, &ArchiveKey,  &SourceKey,
                                         &UtilityKey, &UpdateFileKey,    &ManifestKey, &CopyKey,
                                         &ExecuteKey, &RemoveKey,        nullptr};

static char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

int SameNameIgnoringCase(const char *a, const char *b) {
    for (; *a != '\0' && *b != '\0'; a++, b++)
        if (LowerAscii(*a) != LowerAscii(*b))
            return 0;
    return *a == *b;
}

static int StartsIgnoringCase(const char *name, const char *start) {
    for (; *start != '\0'; name++, start++)
        if (LowerAscii(*name) != LowerAscii(*start))
            return 0;
    return 1;
}

static int EndsIgnoringCase(const char *name, const char *end) {
    size_t length = strlen(name), endLength = strlen(end);
    return length >= endLength && SameNameIgnoringCase(name + length - endLength, end);
}

// The last part of a name, after either platform's separator.
static const char *LastPart(const char *name) {
    const char *base = name;
    for (const char *at = name; *at != '\0'; at++)
        if (*at == '/' || *at == '\\')
            base = at + 1;
    return base;
}

int IsWizardFileName(const char *name) {
    const char *base = LastPart(name);
    static const char *const Fixed[] = {AddListFile,        CleanupListFile, UtilityCaptureFile,
                                        ExecuteCaptureFile, RecordFile,      RecordDraftFile,
                                        DirectoryLockFile,  WorkMarkerFile,  CleanupMember};
    for (const char *fixed : Fixed)
        if (SameNameIgnoringCase(base, fixed))
            return 1;
    return EndsIgnoringCase(base, PointerExtension) || StartsIgnoringCase(base, TwinPrefix) ||
           (StartsIgnoringCase(base, TemporaryPrefix) &&
            EndsIgnoringCase(base, TemporaryExtension));
}
