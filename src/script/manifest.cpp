#include "script/manifest.h"

#include "state/wizard_state.h"
#include "sys/files.h"

#include <stdlib.h>
#include <string.h>

enum {
    MANIFEST_READ_LIMIT = 1 << 30,
    SIZE_DIGITS = 18 // up to an exabyte: no overflow of 64 bits
};

const char *const ManifestGroupWords[GROUP_COUNT] = {"input",   "needed",  "replaced",
                                                     "removed", "archive", "result"};
const char ManifestEndLine[] = "# end ";

// The whole file, terminated: 0, or the platform's error.
static int ReadWhole(const char *name, char **text, size_t *length) {
    *text = nullptr;
    *length = 0;
    FileHandle file;
    int error = OpenToRead(name, SHARE_ALL, &file);
    if (error != 0)
        return error;
    int64_t size = 0;
    error = SizeOfFile(file, &size);
    if (error == 0 && (size < 0 || size > MANIFEST_READ_LIMIT))
        error = InvalidArgumentError;
    if (error == 0 && (*text = static_cast<char *>(malloc((size_t)size + 1))) == nullptr)
        error = InvalidArgumentError;
    if (error == 0)
        error = ReadFromFile(file, *text, (size_t)size, length);
    CloseFileHandle(file);
    if (error != 0) {
        free(*text);
        *text = nullptr;
        return error;
    }
    (*text)[*length] = '\0';
    return 0;
}

// A decimal number of at most SIZE_DIGITS digits ending at a blank: its end,
// or none.
static const char *ParseSize(const char *at, int64_t *size) {
    size_t digits = strspn(at, "0123456789");
    if (digits == 0 || digits > SIZE_DIGITS || at[digits] != ' ')
        return nullptr;
    *size = 0;
    for (size_t i = 0; i < digits; i++)
        *size = *size * 10 + (at[i] - '0');
    return at + digits;
}

// One file line: 1 taken, 0 a group of a later version (passed over), -1 no
// manifest line.
static int ParseLine(char *text, uint32_t number, ManifestLine *line) {
    size_t wordLength = strspn(text, "abcdefghijklmnopqrstuvwxyz");
    if (wordLength == 0 || text[wordLength] != ' ')
        return -1;
    int group = 0;
    while (group < GROUP_COUNT && (strlen(ManifestGroupWords[group]) != wordLength ||
                                   strncmp(text, ManifestGroupWords[group], wordLength) != 0))
        group++;
    const char *at = ParseSize(text + wordLength + 1, &line->size);
    if (at == nullptr || !ParseDigest(at + 1, &line->digest))
        return -1;
    at += 1 + 2 * DIGEST_SIZE;
    if (strncmp(at, "  ", 2) != 0 || at[2] == '\0' || strlen(at + 2) >= NAME_SIZE)
        return -1;
    line->group = static_cast<ManifestGroup>(group);
    line->name = at + 2;
    line->number = number;
    return group < GROUP_COUNT ? 1 : 0;
}

// The count of "# end N", or -1 when the line is no end line.
static long EndCount(const char *text) {
    size_t start = strlen(ManifestEndLine);
    if (strncmp(text, ManifestEndLine, start) != 0)
        return -1;
    size_t digits = strspn(text + start, "0123456789");
    if (digits == 0 || digits > 9 || text[start + digits] != '\0')
        return -1;
    return strtol(text + start, nullptr, 10);
}

// Walks the text line by line, ending each with a zero, and takes the file
// lines; the count of lines is known beforehand, so lines are not grown.
static void ParseText(Manifest *manifest, size_t length) {
    uint32_t number = 0;
    long end = -1;
    for (char *at = manifest->text; at < manifest->text + length && !manifest->damaged;) {
        char *next = strchr(at, '\n');
        next = next != nullptr ? next : manifest->text + length;
        *next = '\0';
        if (next > at && next[-1] == '\r')
            next[-1] = '\0';
        number++;
        if (end >= 0 && at[0] != '\0')
            manifest->damaged = number; // nothing comes after the end line
        else if (at[0] == '#')
            end = EndCount(at);
        else if (at[0] != '\0') {
            int taken = ParseLine(at, number, &manifest->lines[manifest->count]);
            manifest->count += taken > 0;
            if (taken < 0)
                manifest->damaged = number;
        }
        at = next + 1;
    }
    if (!manifest->damaged && end != (long)manifest->count)
        manifest->damaged = number + 1;
}

static const Manifest *Sorting;

static int CompareByName(const void *a, const void *b) {
    size_t x = *static_cast<const size_t *>(a), y = *static_cast<const size_t *>(b);
    int order = strcmp(Sorting->lines[x].name, Sorting->lines[y].name);
    return order != 0 ? order : (x < y ? -1 : x > y);
}

int LoadManifest(const char *name, Manifest *manifest) {
    memset(manifest, 0, sizeof *manifest);
    size_t length = 0;
    int error = ReadWhole(name, &manifest->text, &length);
    if (error != 0)
        return error;
    size_t most = 1;
    for (size_t i = 0; i < length; i++)
        most += manifest->text[i] == '\n';
    manifest->lines = static_cast<ManifestLine *>(calloc(most, sizeof(ManifestLine)));
    manifest->byName = static_cast<size_t *>(calloc(most, sizeof(size_t)));
    if (manifest->lines == nullptr || manifest->byName == nullptr) {
        FreeManifest(manifest);
        return InvalidArgumentError;
    }
    ParseText(manifest, length);
    for (size_t i = 0; i < manifest->count; i++)
        manifest->byName[i] = i;
    Sorting = manifest;
    qsort(manifest->byName, manifest->count, sizeof(size_t), CompareByName);
    return 0;
}

void FreeManifest(Manifest *manifest) {
    free(manifest->text);
    free(manifest->lines);
    free(manifest->byName);
    memset(manifest, 0, sizeof *manifest);
}

// The line of that group for the name, or none.
static const ManifestLine *FindLine(const Manifest *manifest, const char *name,
                                    ManifestGroup group) {
    size_t low = 0, high = manifest->count;
    while (low < high) {
        size_t middle = low + (high - low) / 2;
        if (strcmp(manifest->lines[manifest->byName[middle]].name, name) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    for (; low < manifest->count; low++) {
        const ManifestLine *line = &manifest->lines[manifest->byName[low]];
        if (strcmp(line->name, name) != 0)
            return nullptr;
        if (line->group == group)
            return line;
    }
    return nullptr;
}

int JudgedAt(ManifestGroup group, ManifestStage stage) {
    if (stage == STAGE_AFTER)
        return group == GROUP_RESULT || group == GROUP_REMOVED;
    return group != GROUP_REPLACED && group != GROUP_RESULT && group != GROUP_COUNT;
}

// What the file may be: the line's own, and before the update also an input
// as its result (an interrupted run expanded it already).
static int Candidates(const Manifest *manifest, const ManifestLine *line, ManifestStage stage,
                      const ManifestLine **candidates) {
    candidates[0] = line;
    if (stage == STAGE_AFTER || line->group != GROUP_INPUT)
        return 1;
    candidates[1] = FindLine(manifest, line->name, GROUP_RESULT);
    return candidates[1] != nullptr ? 2 : 1;
}

void JudgeFile(const Manifest *manifest, const ManifestLine *line, ManifestStage stage,
               int archiveUnderWay, void (*between)(), FileJudgement *judgement) {
    memset(judgement, 0, sizeof *judgement);
    if (stage == STAGE_BEFORE && line->group == GROUP_ARCHIVE && archiveUnderWay)
        return;
    FileFacts facts;
    int error = ReadFileFacts(line->name, &facts);
    int removed = line->group == GROUP_REMOVED;
    if (error != 0) {
        judgement->verdict = removed && IsMissingError(error) ? FILE_AS_EXPECTED
                             : IsMissingError(error)          ? FILE_MISSING
                                                              : FILE_UNREADABLE;
        judgement->error = error;
        return;
    }
    judgement->size = facts.size;
    judgement->verdict = FILE_DIFFERENT;
    if (!facts.regular || (removed && stage == STAGE_AFTER))
        return;
    const ManifestLine *candidates[2];
    int count = Candidates(manifest, line, stage, candidates);
    int sized = 0;
    for (int i = 0; i < count; i++)
        sized |= candidates[i]->size == facts.size;
    // A file of another size differs whatever its bytes: it is not read.
    if (!sized)
        return;
    Digest digest;
    error = HashFile(line->name, &digest, &judgement->size, between);
    if (error != 0) {
        judgement->verdict = IsMissingError(error) ? FILE_MISSING : FILE_UNREADABLE;
        judgement->error = error;
        return;
    }
    for (int i = 0; i < count; i++)
        if (candidates[i]->size == judgement->size &&
            memcmp(candidates[i]->digest.bytes, digest.bytes, DIGEST_SIZE) == 0)
            judgement->verdict = FILE_AS_EXPECTED;
}
