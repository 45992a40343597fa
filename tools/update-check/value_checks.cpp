#include "value_checks.h"

#include "findings.h"
#include "script/contract.h"
#include "script/text_reader.h"
#include "script/values.h"
#include "state/wizard_state.h"
#include "sys/files.h"
#include "sys/szdd.h"
#include "sys/szdd_format.h"

#include <ctype.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum {
    WINDOWS_PATH_LIMIT = 259, // what Windows opens, directory included
    ENTRY_FIELDS = 3          // name, time and extra, as the work list takes them
};

static size_t BaseLength; // of the checked directory's full name
// The files that a rerun of an interrupted update needs, as the wizard names them.
static char PointerFile[PATH_SIZE], ScriptFile[PATH_SIZE], ManifestName[NAME_SIZE],
    Utility[NAME_SIZE], Package[NAME_SIZE];

void SetCheckedDirectoryLength(size_t length) {
    BaseLength = length;
}

void SetUpdateFiles(const char *pointer, const char *script, const char *manifest) {
    snprintf(PointerFile, sizeof PointerFile, "%s", pointer);
    snprintf(ScriptFile, sizeof ScriptFile, "%s", script);
    snprintf(ManifestName, sizeof ManifestName, "%s", manifest);
    Utility[0] = '\0';
    Package[0] = '\0';
}

// The file pass removes files before the encoding runs, and a rerun needs the
// pointer file, the script and the manifest: those go through the cleanup list.
static void CheckRemoval(const char *file, uint32_t line, const char *name) {
    const char *early = SameNameIgnoringCase(name, PointerFile)  ? "pointer file"
                        : SameNameIgnoringCase(name, ScriptFile) ? "update script"
                        : Package[0] != '\0' && SameNameIgnoringCase(name, Package) ? "package"
                        : ManifestName[0] != '\0' && SameNameIgnoringCase(name, ManifestName)
                            ? "manifest"
                            : nullptr;
    if (Utility[0] != '\0' && SameNameIgnoringCase(name, Utility))
        Report(file, line,
               "REMOVE %s deletes the resource utility before it adds the new files to the "
               "archive: they never get there; let the cleanup list delete it",
               name);
    else if (early != nullptr)
        Report(file, line,
               "REMOVE %s deletes the %s early: an interrupted run could not be run again; let "
               "the cleanup list delete it",
               name, early);
}

// Values: names, numbers and compressed inputs.
void CheckName(const char *file, uint32_t line, const char *what, const char *name) {
    size_t length = strlen(name);
    if (length > 0 && (name[length - 1] == ' ' || name[length - 1] == '.'))
        Report(file, line,
               "%s \"%s\" ends in a %s: Windows drops it when it opens the file, "
               "POSIX does not",
               what, name, name[length - 1] == ' ' ? "blank" : "dot");
    if (name[0] != '/' && name[0] != '\\' && BaseLength + 1 + length > WINDOWS_PATH_LIMIT)
        Report(file, line, "%s %s: with this directory %u characters, more than Windows opens (%d)",
               what, name, (unsigned)(BaseLength + 1 + length), WINDOWS_PATH_LIMIT);
}

// A name on the utility's command lines, which are split at blanks.
static void CheckArgument(const char *file, uint32_t line, const char *what, const char *name) {
    const char *blank = strpbrk(name, " \t");
    if (blank != nullptr && blank[strspn(blank, " \t")] != '\0')
        Report(file, line, "%s \"%s\" holds a blank: the utility's command line splits it there",
               what, name);
}

// Decodes a compressed input whole, to nowhere, with the wizard's decoder.
static void CheckCompressed(const char *file, uint32_t line, const char *name,
                            const char *consequence) {
    if (!IsCompressed(name))
        return;
    unsigned char header[SZDD_HEADER_SIZE];
    FileHandle in;
    size_t got = 0;
    if (OpenToRead(name, SHARE_ALL, &in) == 0) {
        ReadFromFile(in, header, sizeof header, &got);
        CloseFileHandle(in);
    }
    int64_t size = 0;
    int result = LZERROR_BADINHANDLE;
    if (OpenToRead(name, SHARE_ALL, &in) == 0) {
        result = SzddVerify(in, &size);
        CloseFileHandle(in);
    }
    if (result == 0)
        return;
    if (got < SZDD_HEADER_SIZE)
        Report(file, line, "%s is SZDD-compressed but cut inside its header: %s", name,
               consequence);
    else if (result == LZERROR_READ)
        Report(file, line, "%s is SZDD-compressed but does not expand to its declared %u bytes: %s",
               name, SzddDeclaredSize(header), consequence);
    else
        Report(file, line, "%s is SZDD-compressed but cannot be expanded (%d): %s", name,
               (int)result, consequence);
}

// A whole decimal number that atoi reads unchanged: blanks, a sign, digits,
// blanks, within 32 bits (the wizard wraps larger ones).
static int IsPlainNumber(const char *text) {
    const char *at = text + strspn(text, " \t");
    const char *digits = at + (*at == '+' || *at == '-');
    size_t count = strspn(digits, "0123456789");
    if (count == 0 || count > 10 || digits[count + strspn(digits + count, " \t")] != '\0')
        return 0;
    long long value = strtoll(at, nullptr, 10);
    return value >= INT32_MIN && value <= INT32_MAX;
}

// An empty field before a later one vanishes, so the later ones move up.
static int HasVanishingField(const char *value) {
    const char *empty = value[0] == ',' ? value : strstr(value, ",,");
    return empty != nullptr && empty[strspn(empty, ",")] != '\0';
}

static void CheckEntry(const char *file, uint32_t line, const ContractKey *entryKey, char *value) {
    const char *key = entryKey->key;
    static const char *const FieldNames[ENTRY_FIELDS] = {"name", "time", "extra"};
    int isCopy = entryKey == &CopyKey, isExecute = entryKey == &ExecuteKey;
    int vanishing = HasVanishingField(value);
    char *fields[ENTRY_FIELDS];
    int count = SplitCommaFields(value, fields, ENTRY_FIELDS);
    if (count == 0) {
        Report(file, line, "%s gives no name: the entry does nothing", key);
        return;
    }
    const char *name = fields[0];
    if (vanishing)
        Report(file, line,
               "an empty field vanishes and the next moves up: the wizard reads time %d",
               count > 1 ? (int)ParseInteger(fields[1]) : 0);
    for (int i = 1; i < count; i++) {
        if (IsPlainNumber(fields[i]))
            continue;
        if (isExecute) {
            Report(file, line, "the command line ends at the first comma: the wizard runs \"%s\"",
                   name);
            break;
        }
        Report(file, line, "%s \"%s\" is not a number: the wizard reads %d", FieldNames[i],
               fields[i], (int)ParseInteger(fields[i]));
    }
    if (isExecute)
        return;
    if (isCopy && count < 2)
        Report(file, line, "COPY %s has no time: the wizard stamps it 1970-01-01 00:00 UTC", name);
    CheckName(file, line, key, name);
    if (!isCopy)
        CheckRemoval(file, line, name);
    if (!FileExists(name))
        Report(file, line,
               isCopy ? "COPY \"%s\" does not exist: the wizard passes over it without a word"
                      : "REMOVE \"%s\" does not exist: nothing is deleted",
               name);
    else if (isCopy) {
        CheckCompressed(file, line, name, "the wizard skips it");
        FileFacts facts;
        if (IsCompressed(name) && ReadFileFacts(name, &facts) == 0 && facts.readOnly)
            Report(file, line,
                   "COPY %s is compressed and read-only: the wizard does not replace a read-only "
                   "file, and the update cannot finish; ship it writable",
                   name);
    }
}

// Every value of key in its section, as the planning pass takes them.
void CheckEntries(const char *script, const ContractKey *key) {
    if (!SeekSection(key->section))
        return;
    char value[NAME_SIZE];
    for (;;) {
        value[0] = '\0';
        if (!NextSectionValue(key->key, value, sizeof value))
            return;
        CheckEntry(script, CurrentLineNumber(), key, value);
    }
}

void CheckArchive(const char *script) {
    char archive[NAME_SIZE] = "";
    if (!GetSectionValue(ArchiveKey.section, ArchiveKey.key, archive, sizeof archive)) {
        Report(script, 0,
               "no DST in [HEADER]: the wizard stops: \"Resource file () could not be "
               "located. Aborting.\"");
        return;
    }
    uint32_t line = CurrentLineNumber();
    CheckName(script, line, ArchiveKey.key, archive);
    CheckArgument(script, line, ArchiveKey.key, archive);
    if (!FileExists(archive))
        Report(script, line, "archive %s (DST) does not exist: the wizard stops", archive);
    else if (IsCompressed(archive))
        Report(script, line, "archive %s is SZDD-compressed: the wizard never expands it", archive);
}

// SRC, RESEXE and UPD: the first comma field, as the planning pass takes it.
void CheckPrecheck(const char *script) {
    static const ContractKey *const Keys[] = {&SourceKey, &UtilityKey, &UpdateFileKey};
    static const char *const What[] = {"package", "utility", "update file"};
    static const char *const Then[] = {"the utility is given its name all the same",
                                       "the wizard stops", "nothing is expanded"};
    for (int i = 0; i < 3; i++) {
        char value[NAME_SIZE] = "";
        int found = GetSectionValue(Keys[i]->section, Keys[i]->key, value, sizeof value);
        uint32_t line = found ? CurrentLineNumber() : 0;
        char *name = nullptr;
        if (SplitCommaFields(value, &name, 1) != 1) {
            if (i == 1)
                Report(script, line,
                       "no RESEXE in [PRECHECK]: the wizard stops: \"Resource "
                       "Utility () could not be located. Aborting.\"");
            continue;
        }
        CheckName(script, line, Keys[i]->key, name);
        if (i < 2)
            snprintf(i == 0 ? Package : Utility, NAME_SIZE, "%s", name);
        if (i < 2)
            CheckArgument(script, line, Keys[i]->key, name);
        if (!FileExists(name))
            Report(script, line, "%s %s (%s) does not exist: %s", What[i], name, Keys[i]->key,
                   Then[i]);
        else
            CheckCompressed(script, line, name, "the wizard stops");
    }
}
