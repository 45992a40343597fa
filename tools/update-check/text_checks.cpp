#include "text_checks.h"

#include "findings.h"
#include "script/contract.h"
#include "script/text_reader.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

enum {
    LINT_LINE_SIZE = 256, // what the lint looks at of one line
    MAX_SECTIONS = 5,
    MAX_KEYS = 4,
    NO_SECTION = -1, // before the first header
    NOT_READ = -2    // a section the wizard never reads, or its second copy
};

// Lint: sections and keys as the author wrote them, against what the reader
// finds, by the reader's own rules for lines, headers and keys.
struct SectionRule {
    const char *name;
    const char *keys[MAX_KEYS];
    int single; // only the first line of each key is read
};

// The sections of a file and their keys, grouped from the contract's keys:
// the number of sections.
static int GroupRules(const ContractKey *const *keys, SectionRule *rules) {
    int count = 0;
    memset(rules, 0, MAX_SECTIONS * sizeof *rules);
    for (; *keys != nullptr; keys++) {
        int i = 0;
        while (i < count && strcmp(rules[i].name, (*keys)->section) != 0)
            i++;
        if (i == count && count == MAX_SECTIONS)
            continue;
        if (i == count) {
            rules[count].name = (*keys)->section;
            rules[count].single = !(*keys)->many;
            count++;
        }
        int k = 0;
        while (k < MAX_KEYS && rules[i].keys[k] != nullptr)
            k++;
        if (k < MAX_KEYS)
            rules[i].keys[k] = (*keys)->key;
    }
    return count;
}

struct Lint {
    const char *file;
    const SectionRule *rules;
    int ruleCount;
    int section; // index into rules, NO_SECTION or NOT_READ
    uint32_t sectionLine[MAX_SECTIONS];
    uint32_t keyLine[MAX_SECTIONS][MAX_KEYS];
};

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
    size_t run = HeaderNameLength(text, strlen(text));
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
    size_t length = KeyLength(text);
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

static void LintLine(Lint *lint, const TextLine *line) {
    char text[LINT_LINE_SIZE];
    uint32_t copied = line->visible < sizeof text - 1 ? line->visible : sizeof text - 1;
    memcpy(text, line->text, copied);
    text[copied] = '\0';
    uint32_t number = line->number;
    if (line->visible < line->length)
        Report(lint->file, number, "holds a NUL byte: the wizard never reads this line");
    else if (line->length > READER_LINE_LIMIT)
        Report(lint->file, number, "line of %u characters: the wizard never reads it (at most %d)",
               line->length, READER_LINE_LIMIT);
    // The reader skips one mark, at the start of the file; another is text.
    if (memcmp(text, "\xEF\xBB\xBF", 3) == 0)
        Report(lint->file, number,
               "begins with a byte order mark that the wizard reads as text: the line is not "
               "seen as written");
    // A "[" ends the section whatever the rest of the line holds.
    if (text[0] == '[')
        LintHeader(lint, text, number);
    else if (line->length <= READER_LINE_LIMIT && line->visible == line->length)
        LintKeyLine(lint, text, number);
}

// Walks the loaded text line by line with the reader.
static void LintText(const char *file, const SectionRule *rules, int ruleCount) {
    Lint lint;
    memset(&lint, 0, sizeof lint);
    lint.file = file;
    lint.rules = rules;
    lint.ruleCount = ruleCount;
    lint.section = NO_SECTION;
    RewindText();
    TextLine line;
    while (NextLine(&line))
        LintLine(&lint, &line);
    if (UnendedLength() > 0)
        Report(file, CurrentLineNumber() + 1,
               "the last line has no line end: the wizard never reads it");
}

void CheckPointerText(const char *file) {
    static const ContractKey *const PointerKeys[] = {&ScriptKey, nullptr};
    SectionRule rules[MAX_SECTIONS];
    LintText(file, rules, GroupRules(PointerKeys, rules));
}

void CheckScriptText(const char *file) {
    SectionRule rules[MAX_SECTIONS];
    LintText(file, rules, GroupRules(ScriptKeys, rules));
}
