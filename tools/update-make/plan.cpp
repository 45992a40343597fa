#include "plan.h"

#include "script/contract.h"
#include "script/text_reader.h"
#include "sys/szdd_format.h"

#include <ctype.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

enum { LINE_SIZE = 2 * TREE_NAME_SIZE, MAX_TIME = 2147483647 };

static int Problem(const char *name, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

static int Problem(const char *name, const char *format, ...) {
    va_list args;
    va_start(args, format);
    fprintf(stderr, "update-make: %s: ", name);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    return 1;
}

void ScriptName(const MakeOptions *options, const char *name, char *dest, size_t size) {
    snprintf(dest, size, "%s", name);
    for (char *at = dest; *at != '\0'; at++)
        if (*at == '/')
            *at = options->separator;
}

int IsChangeable(const MakeOptions *options, const char *name) {
    for (int i = 0; i < options->changeableCount; i++) {
        size_t length = strlen(options->changeable[i]);
        length -= length > 0 && options->changeable[i][length - 1] == '/';
        if (strncmp(name, options->changeable[i], length) == 0 &&
            (name[length] == '\0' || name[length] == '/'))
            return 1;
    }
    return 0;
}

static int EndsWithIgnoringCase(const char *name, const char *end) {
    size_t length = strlen(name), endLength = strlen(end);
    return length >= endLength && SameNameIgnoringCase(name + length - endLength, end);
}

// A name that a line "KEY=name<rest>" must carry to the wizard whole.
static int CheckLineName(const MakeOptions *options, const char *name, const char *key,
                         const char *rest) {
    char line[LINE_SIZE];
    char shown[TREE_NAME_SIZE];
    ScriptName(options, name, shown, sizeof shown);
    int length = snprintf(line, sizeof line, "%s=%s%s", key, shown, rest);
    if (length > READER_LINE_LIMIT)
        return Problem(name,
                       "its line \"%s=...\" takes %d characters, more than the wizard "
                       "reads (%d)",
                       key, length, READER_LINE_LIMIT);
    if (strpbrk(name, ",;") != nullptr)
        return Problem(name, "a comma or a semicolon in a name: the wizard's value ends there");
    if (name[0] == ' ')
        return Problem(name, "a blank at the start: the wizard skips it");
    for (const char *c = name; *c != '\0'; c++)
        if (static_cast<unsigned char>(*c) < 0x20)
            return Problem(name, "a control character in a name");
    // Windows drops blanks and dots at the end of every part of a name.
    for (const char *part = name; *part != '\0';) {
        size_t length = strcspn(part, "/");
        if (length > 0 && (part[length - 1] == ' ' || part[length - 1] == '.'))
            return Problem(name, "a part of the name ends in a blank or a dot, which Windows "
                                 "drops");
        part += length + (part[length] == '/');
    }
    return 0;
}

// A name that the utility's command line carries, which is split at blanks.
static int CheckArgument(const char *name) {
    return strpbrk(name, " \t") != nullptr
               ? Problem(name, "a blank in a name that the utility's command line splits there")
               : 0;
}

static int CheckTime(const char *name, int64_t time) {
    return time < 0 || time > MAX_TIME
               ? Problem(name, "time %lld: the wizard stamps times from 1970 to 2038 only",
                         static_cast<long long>(time))
               : 0;
}

static int LooksCompressed(const unsigned char *bytes, size_t size) {
    return SzddHasMagic(bytes, size);
}

// Whether a file of both trees changed, and how: 2 content, mode or a content
// that the wizard would take for compressed (it must then be shipped
// compressed), 1 only its time, 0 not at all.
static int Compare(const MakeOptions *options, const TreeEntry *old, const TreeEntry *now) {
    size_t oldSize = 0, newSize = 0;
    unsigned char *oldBytes = ReadContent(options->oldRoot, old->name, &oldSize);
    unsigned char *newBytes = ReadContent(options->newRoot, now->name, &newSize);
    int differs = oldBytes == nullptr || newBytes == nullptr || oldSize != newSize ||
                  memcmp(oldBytes, newBytes, newSize) != 0 ||
                  (old->mode & 0111) != (now->mode & 0111);
    int timed = old->mtime != now->mtime && !options->timeGiven;
    int compressed = newBytes != nullptr && LooksCompressed(newBytes, newSize);
    free(oldBytes);
    free(newBytes);
    return differs || (timed && compressed) ? 2 : timed ? 1 : 0;
}

static int AddCopy(const MakeOptions *options, Plan *plan, const TreeEntry *file, int ship) {
    Change *change = &plan->copies[plan->copyCount++];
    change->file = file;
    change->ship = ship;
    change->time = options->timeGiven ? options->time : file->mtime;
    char rest[32];
    snprintf(rest, sizeof rest, ",%lld,0", static_cast<long long>(change->time));
    return CheckLineName(options, file->name, CopyKey.key, rest) +
           CheckTime(file->name, change->time);
}

static const char LinkChanged[] =
    "a symbolic link that the trees do not hold alike: an update cannot carry links";

// A file or directory of the new tree.
static int PlanNew(const MakeOptions *options, Plan *plan, const TreeEntry *now) {
    const TreeEntry *old = FindEntry(&plan->oldTree, now->name);
    if (now->link || (old != nullptr && old->link))
        return old != nullptr && old->link && now->link &&
                       SameLink(options->oldRoot, options->newRoot, now->name)
                   ? 0
                   : Problem(now->name, "%s", LinkChanged);
    if (now->directory && old != nullptr && !old->directory)
        return Problem(now->name, "a file in the old tree and a directory in the new");
    if (now->directory)
        return now->empty && old == nullptr
                   ? Problem(now->name, "an empty directory that only the new tree has: the "
                                        "update cannot make it")
                   : 0;
    if (strcmp(now->name, options->archive) == 0)
        return 0;
    if (IsWizardFileName(now->name))
        return Problem(now->name, "a name that the wizard or its utility use for their own");
    if (old != nullptr && old->directory)
        return Problem(now->name, "a directory in the old tree and a file in the new");
    int change = old == nullptr ? 2 : Compare(options, old, now);
    return change == 0 ? 0 : AddCopy(options, plan, now, change == 2);
}

// A file or directory of the old tree that the new tree lacks.
static int PlanOld(const MakeOptions *options, Plan *plan, const TreeEntry *old) {
    if (FindEntry(&plan->newTree, old->name) != nullptr)
        return 0;
    if (old->link)
        return Problem(old->name, "%s", LinkChanged);
    if (old->directory) {
        // Its files are removed like any other; said once, for the topmost.
        const char *slash = strrchr(old->name, '/');
        std::string parent(old->name, slash != nullptr ? slash - old->name : 0);
        if (slash == nullptr || FindEntry(&plan->newTree, parent.c_str()) != nullptr)
            printf("update-make: %s: a directory that only the old tree has: its files are "
                   "removed, the directory stays (the wizard cannot remove directories)\n",
                   old->name);
        return 0;
    }
    if (strcmp(old->name, options->archive) == 0 || strcmp(old->name, options->utility) == 0)
        return Problem(old->name, "the new tree lacks the archive or the utility");
    plan->removals[plan->removalCount++] = old;
    return CheckLineName(options, old->name, RemoveKey.key, "");
}

// Two names the update handles that Windows takes for one.
static int CheckCases(const Plan *plan) {
    int problems = 0;
    const Tree *trees[] = {&plan->newTree, &plan->oldTree};
    for (const Tree *tree : trees)
        for (size_t i = 0; i < tree->count; i++)
            for (size_t j = i + 1; j < tree->count; j++)
                if (SameNameIgnoringCase(tree->entries[i].name, tree->entries[j].name))
                    problems += Problem(tree->entries[j].name, "differs from %s only in case",
                                        tree->entries[i].name);
    for (size_t i = 0; i < plan->removalCount; i++)
        for (size_t j = 0; j < plan->copyCount; j++)
            if (SameNameIgnoringCase(plan->removals[i]->name, plan->copies[j].file->name))
                problems += Problem(plan->removals[i]->name,
                                    "removed, while %s differs from it "
                                    "only in case",
                                    plan->copies[j].file->name);
    return problems;
}

static int LoadArchive(const char *root, const char *name, TarArchive *archive) {
    char path[LINE_SIZE], problem[TAR_PROBLEM_SIZE];
    snprintf(path, sizeof path, "%s/%s", root, name);
    if (TarLoad(path, archive, problem, sizeof problem) == TAR_OK)
        return 0;
    return Problem(path, "not an archive of the sample utility: %s", problem);
}

// The members that the package carries; the utility can only add and replace.
static int PlanArchive(const MakeOptions *options, Plan *plan) {
    int problems = LoadArchive(options->oldRoot, options->archive, &plan->oldArchive) +
                   LoadArchive(options->newRoot, options->archive, &plan->newArchive);
    if (problems > 0)
        return problems;
    size_t members = 0;
    for (const TarMember *m = plan->newArchive.first; m != nullptr; m = m->next)
        members++;
    plan->members = static_cast<const TarMember **>(calloc(members + 1, sizeof(TarMember *)));
    if (plan->members == nullptr)
        return Problem(options->archive, "out of memory");
    for (const TarMember *m = plan->oldArchive.first; m != nullptr; m = m->next)
        if (TarIsLatest(m) && TarFind(&plan->newArchive, m->name) == nullptr)
            problems += Problem(m->name, "a member that the archive would have to lose: the "
                                         "utility only adds and replaces members");
    for (const TarMember *m = plan->newArchive.first; m != nullptr; m = m->next) {
        const TarMember *old = TarFind(&plan->oldArchive, m->name);
        if (!TarIsLatest(m))
            continue;
        // A member that a fresh build of the archive only stamped anew needs nothing.
        if (old != nullptr && old->size == m->size && memcmp(old->data, m->data, m->size) == 0)
            continue;
        const char *name = m->name;
        if (FindEntry(&plan->newTree, name) != nullptr || IsWizardFileName(name) ||
            strcmp(name, options->package) == 0 || strcmp(name, options->script) == 0 ||
            strcmp(name, options->pointer) == 0 ||
            (options->manifest != nullptr && strcmp(name, options->manifest) == 0))
            problems += Problem(name, "a member with the name of a file of the product or the "
                                      "update: the wizard deletes every file it adds");
        problems += CheckArgument(name) + CheckTime(name, m->mtime);
        plan->members[plan->memberCount++] = m;
    }
    return problems;
}

// The archive, the utility and the update's own files.
static int CheckNames(const MakeOptions *options, const Plan *plan) {
    int problems = 0;
    const TreeEntry *utility = FindEntry(&plan->newTree, options->utility);
    if (FindEntry(&plan->oldTree, options->archive) == nullptr)
        problems += Problem(options->archive, "the old tree has no such archive");
    if (utility == nullptr || utility->directory)
        problems += Problem(options->utility, "the new tree has no such utility");
    const char *own[] = {options->pointer, options->script, options->package, options->manifest};
    for (const char *name : own) {
        if (name == nullptr)
            continue;
        if (FindEntry(&plan->oldTree, name) != nullptr ||
            FindEntry(&plan->newTree, name) != nullptr)
            problems += Problem(name, "a file of the update that a tree holds already");
        problems += CheckLineName(options, name, CleanupKey.key, "") + CheckArgument(name);
    }
    if (options->manifest != nullptr)
        problems += CheckLineName(options, options->manifest, ManifestKey.key, "");
    if (!EndsWithIgnoringCase(options->pointer, PointerExtension))
        problems += Problem(options->pointer, "the pointer file's name must end in .wiz");
    problems += CheckLineName(options, options->archive, ArchiveKey.key, "") +
                CheckArgument(options->archive) +
                CheckLineName(options, options->utility, UtilityKey.key, "") +
                CheckArgument(options->utility);
    return problems;
}

int MakePlan(const MakeOptions *options, Plan *plan) {
    memset(plan, 0, sizeof *plan);
    if (!ReadTree(options->oldRoot, &plan->oldTree) || !ReadTree(options->newRoot, &plan->newTree))
        return 1;
    size_t most = plan->oldTree.count + plan->newTree.count;
    plan->copies = static_cast<Change *>(calloc(most + 1, sizeof(Change)));
    plan->removals = static_cast<const TreeEntry **>(calloc(most + 1, sizeof(TreeEntry *)));
    if (plan->copies == nullptr || plan->removals == nullptr)
        return Problem(options->newRoot, "out of memory");
    int problems = CheckNames(options, plan);
    for (size_t i = 0; i < plan->newTree.count; i++)
        problems += PlanNew(options, plan, &plan->newTree.entries[i]);
    for (size_t i = 0; i < plan->oldTree.count; i++)
        problems += PlanOld(options, plan, &plan->oldTree.entries[i]);
    problems += CheckCases(plan);
    return problems > 0 ? problems : PlanArchive(options, plan);
}

int LooksLikeDowngrade(const Plan *plan) {
    size_t older = 0, both = 0;
    for (size_t i = 0; i < plan->copyCount; i++) {
        const TreeEntry *now = plan->copies[i].file;
        const TreeEntry *old = FindEntry(&plan->oldTree, now->name);
        both += old != nullptr;
        older += old != nullptr && now->mtime < old->mtime;
    }
    return both > 0 && older == both;
}

void FreePlan(Plan *plan) {
    FreeTree(&plan->oldTree);
    FreeTree(&plan->newTree);
    TarFree(&plan->oldArchive);
    TarFree(&plan->newArchive);
    free(plan->copies);
    free(plan->removals);
    free(plan->members);
    memset(plan, 0, sizeof *plan);
}
