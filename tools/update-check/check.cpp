// update-check's findings. Every value is taken with the wizard's own calls, in
// the way the planning pass takes it, so the checker reads exactly what the
// wizard reads; only the lint of raw lines looks at what the reader passes over.
#include "check.h"

#include "state/wizard_state.h"
#include "script/text_reader.h"
#include "script/values.h"
#include "sys/files.h"
#include "sys/szdd.h"
#include "sys/szdd_format.h"
#include "state/version.h"

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum {
    LINE_LIMIT = 126,         // the longest line the reader takes a value from
    WINDOWS_PATH_LIMIT = 259, // what Windows opens, directory included
    MESSAGE_LENGTH = 256,
    LINT_LINE_SIZE = 256, // what the lint looks at of one line
    HOME_SIZE = 4096,
    MAX_RANKS = 32,
    MAX_SECTIONS = 5,
    MAX_KEYS = 3,
    ENTRY_FIELDS = 3, // name, time and extra, as the work list takes them
    NO_SECTION = -1,  // before the first header
    NOT_READ = -2     // a section the wizard never reads, or its second copy
};

struct Finding {
    int rank; // of its file, in the order the files were first met
    uint32_t line;
    int order; // keeps findings of one line in the order they were made
    char file[PATH_SIZE];
    char message[MESSAGE_LENGTH];
};

static Finding Findings[MAX_FINDINGS];
static int FindingCount;
static int Dropped;
static char Ranks[MAX_RANKS][PATH_SIZE];
static int RankCount;
static size_t BaseLength; // of the update directory's full name

static int RankOf(const char *file) {
    for (int i = 0; i < RankCount; i++)
        if (strcmp(Ranks[i], file) == 0)
            return i;
    if (RankCount == MAX_RANKS)
        return MAX_RANKS;
    snprintf(Ranks[RankCount], sizeof Ranks[RankCount], "%s", file);
    return RankCount++;
}

static void Report(const char *file, uint32_t line, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

static void Report(const char *file, uint32_t line, const char *format, ...) {
    if (FindingCount == MAX_FINDINGS) {
        Dropped++;
        return;
    }
    Finding *f = &Findings[FindingCount];
    f->rank = RankOf(file);
    f->line = line;
    f->order = FindingCount++;
    snprintf(f->file, sizeof f->file, "%s", file);
    va_list args;
    va_start(args, format);
    vsnprintf(f->message, sizeof f->message, format, args);
    va_end(args);
}

static int CompareFindings(const void *a, const void *b) {
    const Finding *x = (const Finding *)a, *y = (const Finding *)b;
    if (x->rank != y->rank)
        return x->rank < y->rank ? -1 : 1;
    if (x->line != y->line)
        return x->line < y->line ? -1 : 1;
    return x->order < y->order ? -1 : 1;
}

static void WriteReport(char *report, size_t size) {
    qsort(Findings, (size_t)FindingCount, sizeof Findings[0], CompareFindings);
    size_t used = 0;
    report[0] = '\0';
    for (int i = 0; i <= FindingCount && used < size; i++) {
        const Finding *f = &Findings[i];
        int n;
        if (i == FindingCount)
            n = Dropped > 0
                    ? snprintf(report + used, size - used, "update-check: %d more\n", Dropped)
                    : 0;
        else if (f->line > 0)
            n = snprintf(report + used, size - used, "%s:%u: %s\n", f->file, f->line, f->message);
        else
            n = snprintf(report + used, size - used, "%s: %s\n", f->file, f->message);
        used += n > 0 ? (size_t)n : 0;
    }
}

// Lint: sections and keys as the author wrote them, against what the reader
// finds. A header is "[" and a run of A-Z, 0-9 and "_" (whatever follows the run
// is ignored); a key is all before the first "=", blanks at its end removed.
struct SectionRule {
    const char *name;
    const char *keys[MAX_KEYS];
    int single; // only the first line of each key is read
};

static const SectionRule PointerRules[] = {{"HEADER", {"CMD"}, 1}};
static const SectionRule ScriptRules[MAX_SECTIONS] = {{"HEADER", {"CMD", "EXE", "DST"}, 1},
                                                      {"PRECHECK", {"SRC", "RESEXE", "UPD"}, 1},
                                                      {"COPY", {"COPY"}, 0},
                                                      {"EXECUTE", {"EXE"}, 0},
                                                      {"REMOVE", {"REMOVE"}, 0}};

struct Lint {
    const char *file;
    const SectionRule *rules;
    int ruleCount;
    int section; // index into rules, NO_SECTION or NOT_READ
    uint32_t sectionLine[MAX_SECTIONS];
    uint32_t keyLine[MAX_SECTIONS][MAX_KEYS];
};

static const char HeaderChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";

static int SameIgnoringCase(const char *a, const char *b, size_t length) {
    for (size_t i = 0; i < length; i++) {
        char x = (a[i] >= 'a' && a[i] <= 'z') ? (char)(a[i] - 'a' + 'A') : a[i];
        if (x != b[i] || b[i] == '\0')
            return 0;
    }
    return b[length] == '\0';
}

// The rule whose name is text[0..length), exactly or ignoring case; -1 if none.
static int FindSection(const Lint *lint, const char *text, size_t length, int anyCase) {
    for (int i = 0; i < lint->ruleCount; i++) {
        const char *name = lint->rules[i].name;
        if (anyCase ? SameIgnoringCase(text, name, length)
                    : strlen(name) == length && strncmp(text, name, length) == 0)
            return i;
    }
    return -1;
}

static int FindKey(const SectionRule *rule, const char *key, int anyCase) {
    for (int k = 0; k < MAX_KEYS && rule->keys[k] != nullptr; k++)
        if (anyCase ? SameIgnoringCase(key, rule->keys[k], strlen(key))
                    : strcmp(key, rule->keys[k]) == 0)
            return k;
    return -1;
}

static void LintHeader(Lint *lint, const char *text, uint32_t number) {
    size_t run = strspn(text + 1, HeaderChars);
    int rule = run > 0 ? FindSection(lint, text + 1, run, 0) : -1;
    if (rule >= 0 && lint->sectionLine[rule] != 0) {
        Report(lint->file, number, "[%s] again: the wizard reads only the first, at line %u",
               lint->rules[rule].name, lint->sectionLine[rule]);
        lint->section = NOT_READ;
    } else if (rule >= 0) {
        lint->sectionLine[rule] = number;
        lint->section = rule;
    } else {
        // What the author meant: all between the brackets, blanks trimmed.
        const char *inner = text + 1 + strspn(text + 1, " \t");
        size_t length = strcspn(inner, "]\r");
        while (length > 0 && (inner[length - 1] == ' ' || inner[length - 1] == '\t'))
            length--;
        int meant = FindSection(lint, inner, length, 1);
        if (meant >= 0)
            Report(lint->file, number, "section %s is not seen: write [%s], in capitals", text,
                   lint->rules[meant].name);
        else
            Report(lint->file, number, "section %s is not read by the wizard", text);
        lint->section = NOT_READ;
    }
}

static void LintKeyLine(Lint *lint, const char *text, uint32_t number) {
    size_t start = strspn(text, " \t");
    if (text[start] == '\0' || text[start] == ';' || text[start] == '\r')
        return;
    if (start > 0 && text[start] == '[') {
        Report(lint->file, number, "\"%s\" is not seen: a section must begin the line", text);
        return;
    }
    char key[LINT_LINE_SIZE];
    size_t length = strcspn(text, "\r=");
    while (length > 0 && text[length - 1] == ' ')
        length--;
    snprintf(key, sizeof key, "%.*s", (int)length, text);
    if (lint->section == NOT_READ)
        return;
    if (lint->section == NO_SECTION) {
        for (int i = 0; i < lint->ruleCount; i++)
            if (FindKey(&lint->rules[i], key + start, 1) >= 0) {
                Report(lint->file, number, "%s is outside any section: the wizard never reads it",
                       key + start);
                return;
            }
        return;
    }
    const SectionRule *rule = &lint->rules[lint->section];
    int k = FindKey(rule, key, 0);
    uint32_t *first = k >= 0 ? &lint->keyLine[lint->section][k] : nullptr;
    if (k >= 0 && rule->single && *first != 0)
        Report(lint->file, number, "%s again: the wizard reads only the first, at line %u", key,
               *first);
    else if (k >= 0)
        *first = number;
    else if (FindKey(rule, key + start, 1) >= 0 && start > 0)
        Report(lint->file, number, "key \"%s\" is not seen: a key must begin the line", key);
    else if (FindKey(rule, key, 1) >= 0)
        Report(lint->file, number, "key %s is not seen: keys are written in capitals", key);
    else
        Report(lint->file, number, "\"%s\" is not a key of [%s]: the wizard ignores this line",
               key + start, rule->name);
}

static void LintLine(Lint *lint, const char *line, uint32_t length, uint32_t number) {
    char text[LINT_LINE_SIZE];
    uint32_t copied = length < sizeof text - 1 ? length : (uint32_t)sizeof text - 1;
    memcpy(text, line, copied);
    text[copied] = '\0';
    if (memchr(line, '\0', length) != nullptr)
        Report(lint->file, number, "holds a NUL byte: the wizard never reads this line");
    else if (length > LINE_LIMIT)
        Report(lint->file, number, "line of %u characters: the wizard never reads it (at most %d)",
               length, LINE_LIMIT);
    // A "[" ends the section whatever the rest of the line holds.
    if (text[0] == '[')
        LintHeader(lint, text, number);
    else if (length <= LINE_LIMIT && strlen(text) == length)
        LintKeyLine(lint, text, number);
}

// Walks the loaded text line by line as the reader does: a line ends at its LF,
// and the NUL that a CR LF left behind belongs to the line end.
static void LintText(const char *file, const SectionRule *rules, int ruleCount) {
    Lint lint;
    memset(&lint, 0, sizeof lint);
    lint.file = file;
    lint.rules = rules;
    lint.ruleCount = ruleCount;
    lint.section = NO_SECTION;
    const char *text = Reader.text;
    uint32_t at = 0, number = 0;
    // A UTF-8 byte order mark is no part of the first line.
    if (Reader.size >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0)
        at = 3;
    while (at < Reader.size) {
        const char *lf = (const char *)memchr(text + at, '\n', Reader.size - at);
        number++;
        if (lf == nullptr) {
            Report(file, number, "the last line has no line end: the wizard never reads it");
            return;
        }
        uint32_t length = (uint32_t)(lf - (text + at));
        LintLine(&lint, text + at, length, number);
        at += length + 1;
        if (at < Reader.size && text[at] == '\0')
            at++;
    }
}

// Values: names, numbers and compressed inputs.
static void CheckName(const char *file, uint32_t line, const char *what, const char *name) {
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
    FileHandle in = OpenFileShared(name);
    int64_t got = in != NO_FILE ? ReadFromFile(in, header, sizeof header) : -1;
    CloseFileHandle(in);
    in = OpenFileShared(name);
    int64_t result = in != NO_FILE ? SzddVerify(in) : (int64_t)LZERROR_BADINHANDLE;
    CloseFileHandle(in);
    if (result >= 0)
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

static void CheckEntry(const char *file, uint32_t line, const char *key, char *value) {
    static const char *const FieldNames[ENTRY_FIELDS] = {"name", "time", "extra"};
    int isCopy = strcmp(key, "COPY") == 0, isExecute = strcmp(key, "EXE") == 0;
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
    if (!FileExists(name))
        Report(file, line,
               isCopy ? "COPY \"%s\" does not exist: the wizard passes over it without a word"
                      : "REMOVE \"%s\" does not exist: nothing is deleted",
               name);
    else if (isCopy)
        CheckCompressed(file, line, name, "the wizard skips it");
}

// Every value of key in section, as the planning pass takes them.
static void CheckEntries(const char *script, const char *section, const char *key) {
    if (!SeekSection(section))
        return;
    char value[NAME_SIZE];
    for (;;) {
        value[0] = '\0';
        if (!NextSectionValue(key, value, sizeof value, nullptr))
            return;
        CheckEntry(script, Reader.lineIndex, key, value);
    }
}

static void CheckArchive(const char *script) {
    char archive[NAME_SIZE] = "";
    if (!GetSectionValue("HEADER", "DST", archive, sizeof archive, nullptr)) {
        Report(script, 0,
               "no DST in [HEADER]: the wizard stops: \"Resource file () could not be "
               "located. Aborting.\"");
        return;
    }
    uint32_t line = Reader.lineIndex;
    CheckName(script, line, "DST", archive);
    CheckArgument(script, line, "DST", archive);
    if (!FileExists(archive))
        Report(script, line, "archive %s (DST) does not exist: the wizard stops", archive);
    else if (IsCompressed(archive))
        Report(script, line, "archive %s is SZDD-compressed: the wizard never expands it", archive);
}

// SRC, RESEXE and UPD: the first comma field, as the planning pass takes it.
static void CheckPrecheck(const char *script) {
    static const char *const Keys[] = {"SRC", "RESEXE", "UPD"};
    static const char *const What[] = {"package", "utility", "update file"};
    static const char *const Then[] = {"the utility is given its name all the same",
                                       "the wizard stops", "nothing is expanded"};
    for (int i = 0; i < 3; i++) {
        char value[NAME_SIZE] = "";
        int found = GetSectionValue("PRECHECK", Keys[i], value, sizeof value, nullptr);
        uint32_t line = found ? Reader.lineIndex : 0;
        char *name = nullptr;
        if (SplitCommaFields(value, &name, 1) != 1) {
            if (i == 1)
                Report(script, line,
                       "no RESEXE in [PRECHECK]: the wizard stops: \"Resource "
                       "Utility () could not be located. Aborting.\"");
            continue;
        }
        CheckName(script, line, Keys[i], name);
        if (i < 2)
            CheckArgument(script, line, Keys[i], name);
        if (!FileExists(name))
            Report(script, line, "%s %s (%s) does not exist: %s", What[i], name, Keys[i], Then[i]);
        else
            CheckCompressed(script, line, name, "the wizard stops");
    }
}

// The first *.wiz that the wizard's search finds names the script; 0 when the
// wizard would stop there.
static int CheckPointer(char *pointer, char *script, uint32_t *cmdLine) {
    if (!FindFirstMatch("*.wiz", pointer, PATH_SIZE)) {
        Report("*.wiz", 0,
               "no pointer file: the wizard stops: \"Configuration file (.WIZ) could "
               "not be located. Aborting.\"");
        return 0;
    }
    RankOf(pointer);
    char other[PATH_SIZE];
    for (int i = 0; i < MAX_FINDINGS && FindMatchAt("*.wiz", i, other, sizeof other); i++)
        if (strcmp(other, pointer) != 0)
            Report(other, 0,
                   "another pointer file: the wizard reads only %s, the first its "
                   "directory search finds",
                   pointer);
    if (!LoadTextFile(pointer)) {
        Report(pointer, 0, "cannot be read: the wizard stops");
        return 0;
    }
    script[0] = '\0';
    int found = GetSectionValue("HEADER", "CMD", script, NAME_SIZE, nullptr);
    *cmdLine = Reader.lineIndex;
    if (strcmp(script, pointer) != 0)
        LintText(pointer, PointerRules, 1);
    ReleaseText();
    if (!found || script[0] == '\0') {
        Report(pointer, found ? *cmdLine : 0,
               "no script named by CMD in [HEADER]: the wizard stops");
        return 0;
    }
    CheckName(pointer, *cmdLine, "CMD", script);
    return 1;
}

static void CheckScript(const char *pointer, const char *script, uint32_t cmdLine) {
    if (!LoadTextFile(script)) {
        Report(pointer, cmdLine, "script %s cannot be read: the wizard stops", script);
        return;
    }
    RankOf(script);
    LintText(script, ScriptRules, MAX_SECTIONS);
    CheckArchive(script);
    CheckPrecheck(script);
    CheckEntries(script, "COPY", "COPY");
    CheckEntries(script, "EXECUTE", "EXE");
    CheckEntries(script, "REMOVE", "REMOVE");
    ReleaseText();
}

int CheckUpdate(const char *dir, char *report, size_t size) {
    static char home[HOME_SIZE], base[HOME_SIZE];
    FindingCount = 0;
    Dropped = 0;
    RankCount = 0;
    if (size > 0)
        report[0] = '\0';
    if (!ReadCurrentDirectory(home, sizeof home))
        home[0] = '\0';
    if (dir != nullptr && dir[0] != '\0' && !ChangeDirectory(dir))
        return -1;
    BaseLength = ReadCurrentDirectory(base, sizeof base) ? strlen(base) : 0;

    char pointer[PATH_SIZE], script[PATH_SIZE];
    uint32_t cmdLine = 0;
    if (CheckPointer(pointer, script, &cmdLine))
        CheckScript(pointer, script, cmdLine);
    static const char *const Lists[] = {"update.lst", "update.dmp"};
    for (const char *list : Lists)
        if (FileExists(list))
            Report(list, 0,
                   "left from an earlier run: the wizard reads it when the utility "
                   "writes none");

    if (home[0] != '\0')
        ChangeDirectory(home);
    if (size > 0)
        WriteReport(report, size);
    return FindingCount + Dropped;
}

static const char Usage[] = "usage: update-check [DIR]\n"
                            "       update-check --help | --version\n";

static const char Help[] =
    "Examines the update in DIR (default: the current directory) as the update\n"
    "wizard would read it, without changing a byte and without running anything:\n"
    "the *.wiz pointer file, the update script, the utility, the archive and the\n"
    "files that the script names, compressed ones decoded in full. One line per\n"
    "finding, \"file:line: message\", in the order of the files.\n"
    "Exit status: 0 nothing found, 1 something found, 2 usage error.\n"
    "The update author's guide: docs/authoring.md.\n";

int UpdateCheckCommand(int argc, const char *const *argv, char *report, size_t size) {
    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        snprintf(report, size, "%s%s", Usage, Help);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        snprintf(report, size, "update-check %s\n", WIZARD_VERSION);
        return 0;
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        snprintf(report, size, "%s", Usage);
        return 2;
    }
    const char *dir = argc == 2 ? argv[1] : "";
    int found = CheckUpdate(dir, report, size);
    if (found < 0) {
        snprintf(report, size, "update-check: %s: cannot enter this directory\n", dir);
        return 2;
    }
    return found > 0 ? 1 : 0;
}
