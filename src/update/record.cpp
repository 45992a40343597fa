#include "update/record.h"

#include "script/contract.h"
#include "state/wizard_state.h"
#include "sys/files.h"
#include "update/work_list.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum {
    TEMP_NAME_SIZE = 32,
    // Temporary names in the record at once: those of a batch of expansions
    // that wait for their place, and those drawn ahead, so that a batch costs
    // a rewrite of the record now and then, not one per file. A small update
    // draws a few; each refill draws as many as were handed out, up to 512.
    POOL_SIZE = 1024,
    FIRST_DRAW = 8,
    LARGEST_DRAW = 512,
    TWIN_NAME_SIZE = 4096 + 64,
    TWINS = 4,     // a twin is made, filled and renamed at once: the last few are listed
    LINE_ROOM = 8, // "FILE=", CR LF
    RECORD_SIZE = PATH_SIZE + 3 * LINE_ROOM + 2 * NAME_SIZE +
                  POOL_SIZE * (TEMP_NAME_SIZE + LINE_ROOM) + TWINS * (TWIN_NAME_SIZE + LINE_ROOM) +
                  128,
    DRAWS_PER_NAME = 8, // draws allowed for each name, past the names that are taken
    RECORD_READ_LIMIT = 1 << 30
};

static const char ScriptLine[] = "SCRIPT=";
static const char FileLine[] = "FILE=";
static const char CleanupLine[] = "CLEANUP=";

enum NameState { NAME_FREE, NAME_IN_USE, NAME_DONE };

struct RecordState {
    FileHandle lock;
    int begun;
    char script[PATH_SIZE];
    char pool[POOL_SIZE][TEMP_NAME_SIZE];
    NameState state[POOL_SIZE];
    int poolCount;
    int handedOut;
    char twins[TWINS][TWIN_NAME_SIZE];
    int twinCount;
    int cleanup; // the cleanup has begun: its names are in the record
};

static RecordState Record = {NO_FILE, 0, "", {}, {}, 0, 0, {}, 0, 0};

// The runtime's generator, written out so that both platforms draw the same
// temporary names in the same order: 41, 18467, 6334, ...
static unsigned NextRandom() {
    Wizard.RandomState = Wizard.RandomState * 214013u + 2531011u;
    return (Wizard.RandomState >> 16) & 0x7FFF;
}

int TakeDirectory() {
    if (Record.lock != NO_FILE)
        return 0;
    return LockDirectory(DirectoryLockFile, &Record.lock);
}

void ReleaseDirectory() {
    UnlockDirectory(Record.lock);
    Record.lock = NO_FILE;
    Record.begun = 0;
    Record.poolCount = 0;
    Record.twinCount = 0;
}

// A record being written: its text, room for it, and how much is used.
struct RecordText {
    char *text;
    size_t size, used;
};

static void AddLine(RecordText *out, const char *key, const char *value) {
    int written = snprintf(out->text + out->used, out->size - out->used, "%s%s\r\n", key, value);
    if (written > 0 && out->used + (size_t)written < out->size)
        out->used += (size_t)written;
}

// The cleanup's names in the order the cleanup pass deletes them.
static size_t CleanupRoom() {
    size_t room = 0;
    for (const WorkEntry *entry = Wizard.WorkListHead; Record.cleanup && entry != nullptr;
         entry = entry->next)
        if (entry->kind & ENTRY_CLEANUP)
            room += strlen(entry->name) + LINE_ROOM;
    return room;
}

// The cleanup's names, last deleted first, so that a run that reads them back
// into the work list, which puts each new entry first, deletes them in the
// order the cleanup pass did.
static void AddCleanupLines(RecordText *out, const WorkEntry *entry) {
    if (!Record.cleanup || entry == nullptr)
        return;
    AddCleanupLines(out, entry->next);
    if (entry->kind & ENTRY_CLEANUP)
        AddLine(out, CleanupLine, entry->name);
}

// The record as a whole, written beside it and renamed over it, so that a stop
// at any moment leaves the old record or the new one, both durable.
static int WriteRecord() {
    RecordText out = {nullptr, RECORD_SIZE + CleanupRoom(), 0};
    out.text = static_cast<char *>(malloc(out.size));
    if (out.text == nullptr)
        return InvalidArgumentError;
    AddLine(&out, ScriptLine, Record.script);
    AddLine(&out, FileLine, UtilityCaptureFile);
    AddLine(&out, FileLine, ExecuteCaptureFile);
    for (int i = 0; i < Record.twinCount; i++)
        AddLine(&out, FileLine, Record.twins[i]);
    for (int i = 0; i < Record.poolCount; i++)
        AddLine(&out, FileLine, Record.pool[i]);
    AddCleanupLines(&out, Wizard.WorkListHead);
    // The draft's name is the wizard's own: one that a stop left is rewritten.
    FileHandle draft;
    int error = CreateFileAnew(RecordDraftFile, &draft);
    if (error == 0) {
        error = WriteToFile(draft, out.text, out.used);
        CloseFileHandle(draft);
    }
    free(out.text);
    const char *names[] = {RecordDraftFile, RecordFile};
    if (error == 0)
        error = SyncFiles(SYNC_DATA, names, 1);
    if (error == 0)
        error = RenameOver(RecordDraftFile, RecordFile);
    if (error == 0)
        error = SyncFiles(SYNC_NAMES, names + 1, 1);
    return error;
}

// Calls take on each line of the record, in its order: 1, or 0 when there is
// no record to read.
static int ReadRecord(void (*take)(const char *line, void *context), void *context) {
    FileHandle file;
    if (OpenToRead(RecordFile, SHARE_ALL, &file) != 0)
        return 0;
    int64_t size = 0;
    char *text = nullptr;
    size_t got = 0;
    int error = SizeOfFile(file, &size);
    if (error == 0 && (size < 0 || size > RECORD_READ_LIMIT))
        error = InvalidArgumentError;
    if (error == 0 && (text = static_cast<char *>(malloc((size_t)size + 1))) == nullptr)
        error = InvalidArgumentError;
    if (error == 0)
        error = ReadFromFile(file, text, (size_t)size, &got);
    CloseFileHandle(file);
    if (error != 0) {
        free(text);
        return 0;
    }
    text[got] = '\0';
    for (char *line = text; *line != '\0';) {
        size_t length = strcspn(line, "\r\n");
        char *next = line + length + strspn(line + length, "\r\n");
        line[length] = '\0';
        take(line, context);
        line = next;
    }
    free(text);
    return 1;
}

static void TakeScript(const char *line, void *context) {
    size_t key = strlen(ScriptLine);
    if (strncmp(line, ScriptLine, key) == 0)
        snprintf(static_cast<char *>(context), PATH_SIZE, "%s", line + key);
}

int RecordedScript(char *dest, size_t size) {
    static char script[PATH_SIZE];
    script[0] = '\0';
    if (!ReadRecord(TakeScript, script))
        return 0;
    snprintf(dest, size, "%s", script);
    return 1;
}

int RecordCleanup() {
    Record.cleanup = 1;
    return WriteRecord();
}

// A line of a record whose cleanup had begun, back into the run.
static void TakeCleanup(const char *line, void *context) {
    size_t key = strlen(CleanupLine);
    if (strncmp(line, CleanupLine, key) == 0) {
        char value[NAME_SIZE];
        snprintf(value, sizeof value, "%s", line + key);
        WorkEntry *entry = AddWorkEntry(value);
        if (entry != nullptr)
            entry->kind = ENTRY_CLEANUP;
        else
            *static_cast<int *>(context) = 0;
    }
    TakeScript(line, Record.script);
}

static void FindCleanup(const char *line, void *context) {
    if (strncmp(line, CleanupLine, strlen(CleanupLine)) == 0)
        *static_cast<int *>(context) = 1;
}

int ResumeRecordedCleanup() {
    int found = 0, taken = 1;
    if (!ReadRecord(FindCleanup, &found) || !found)
        return 0;
    ReadRecord(TakeCleanup, &taken);
    Record.begun = 1;
    Record.cleanup = 1;
    return taken;
}

struct Leftovers {
    int removed, left;
};

// A leftover is deleted once; one that cannot be deleted stays in the record.
static void RemoveLeftover(const char *line, void *context) {
    Leftovers *leftovers = static_cast<Leftovers *>(context);
    size_t key = strlen(FileLine);
    if (strncmp(line, FileLine, key) != 0 || !FileExists(line + key))
        return;
    if (DeleteFileOnce(line + key) == 0)
        leftovers->removed++;
    else
        leftovers->left++;
}

int BeginRecord(const char *script) {
    Leftovers leftovers = {0, 0};
    ReadRecord(RemoveLeftover, &leftovers);
    const char *names[] = {RecordFile};
    // Gone for good before the record forgets them: a power cut could bring
    // them back otherwise, and nothing would name them any more.
    int error = leftovers.removed > 0 ? SyncFiles(SYNC_NAMES, names, 1) : 0;
    if (error != 0)
        return error;
    snprintf(Record.script, sizeof Record.script, "%s", script);
    Record.poolCount = 0;
    Record.handedOut = 0;
    Record.twinCount = 0;
    Record.begun = 1;
    return WriteRecord();
}

static int InPool(const char *name) {
    for (int i = 0; i < Record.poolCount; i++)
        if (strcmp(Record.pool[i], name) == 0)
            return 1;
    return 0;
}

// Drops the names whose files reached their places and draws new ones up to a
// full pool, then records them.
static int Refill() {
    int kept = 0;
    for (int i = 0; i < Record.poolCount; i++) {
        if (Record.state[i] == NAME_DONE)
            continue;
        if (kept < i) {
            memcpy(Record.pool[kept], Record.pool[i], TEMP_NAME_SIZE);
            Record.state[kept] = Record.state[i];
        }
        kept++;
    }
    Record.poolCount = kept;
    int wanted = Record.handedOut < FIRST_DRAW ? FIRST_DRAW : Record.handedOut;
    if (wanted > LARGEST_DRAW)
        wanted = LARGEST_DRAW;
    if (wanted > POOL_SIZE - Record.poolCount)
        wanted = POOL_SIZE - Record.poolCount;
    int drawn = 0;
    for (int draws = 0; drawn < wanted && draws < DRAWS_PER_NAME * wanted; draws++) {
        unsigned number = NextRandom();
        char name[TEMP_NAME_SIZE];
        // 0 would let the platform pick and create a name of its own.
        if (number == 0 || FormTempFileName(TemporaryPrefix, number, name, sizeof name) != 0 ||
            InPool(name) || FileExists(name))
            continue;
        memcpy(Record.pool[Record.poolCount], name, TEMP_NAME_SIZE);
        Record.state[Record.poolCount++] = NAME_FREE;
        drawn++;
    }
    return drawn > 0 ? WriteRecord() : FileExistsError;
}

int NextTemporaryName(char *dest, size_t size) {
    if (!Record.begun)
        return FileExistsError;
    for (int round = 0; round < 2; round++) {
        for (int i = 0; i < Record.poolCount; i++) {
            if (Record.state[i] != NAME_FREE)
                continue;
            Record.state[i] = NAME_IN_USE;
            Record.handedOut++;
            return snprintf(dest, size, "%s", Record.pool[i]) < (int)size ? 0 : FileExistsError;
        }
        int error = round == 0 ? Refill() : 0;
        if (error != 0)
            return error;
    }
    return FileExistsError;
}

void TemporaryNameDone(const char *name) {
    for (int i = 0; i < Record.poolCount; i++)
        if (Record.state[i] == NAME_IN_USE && strcmp(Record.pool[i], name) == 0)
            Record.state[i] = NAME_DONE;
}

// Beside the target, so that the rename that puts it in place stays on the
// target's file system.
int NextTwinName(const char *target, char *dest, size_t size) {
    if (!Record.begun)
        return FileExistsError;
    const char *base = target;
    for (const char *at = target; *at != '\0'; at++)
        if (*at == '/' || *at == '\\')
            base = at + 1;
    for (unsigned number = 1; number <= 0xFFFF; number++) {
        if (snprintf(dest, size, "%.*s%s%04X", (int)(base - target), target, TwinPrefix, number) >=
            (int)size)
            return FileExistsError;
        if (FileExists(dest))
            continue;
        int slot = Record.twinCount < TWINS ? Record.twinCount++ : TWINS - 1;
        if (slot == TWINS - 1)
            memmove(Record.twins[0], Record.twins[1], (TWINS - 1) * TWIN_NAME_SIZE);
        snprintf(Record.twins[slot], TWIN_NAME_SIZE, "%s", dest);
        return WriteRecord();
    }
    return FileExistsError;
}

int EndRecord(int complete) {
    int error = 0;
    // A capture file that a failed deletion left goes now, or the record stays.
    Leftovers leftovers = {0, 0};
    if (complete)
        ReadRecord(RemoveLeftover, &leftovers);
    if (complete && leftovers.left == 0) {
        Record.begun = 0;
        Record.poolCount = 0;
        Record.twinCount = 0;
        if (FileExists(RecordFile))
            error = DeleteFileOnce(RecordFile);
    }
    const char *names[] = {RecordFile};
    int synced = SyncFiles(SYNC_NAMES, names, 1);
    return error != 0 ? error : synced;
}
