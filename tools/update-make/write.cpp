#include "write.h"

#include "check.h"

#include "compress.h"
#include "script/contract.h"
#include "script/manifest.h"
#include "sys/files.h"
#include "sys/hash.h"
#include "state/version.h"
#include "sys/szdd_format.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

// The form of a file or member that the update carries: compressed when that
// is smaller, and always when the plain bytes would look compressed to the
// wizard, which expands every COPY and ADD file that does.
struct Shipped {
    unsigned char *bytes; // malloc'd: the compressed form, or none for the plain one
    size_t size;
};

static Shipped ShippedForm(const unsigned char *plain, size_t size, const char *name) {
    Shipped form = {nullptr, size};
    unsigned char *packed = static_cast<unsigned char *>(malloc(SzddCompressBound(size)));
    size_t packedSize = packed != nullptr ? SzddCompress(plain, size, 0, packed) : 0;
    if (packedSize > 0 && (packedSize < size || SzddHasMagic(plain, size))) {
        form.bytes = packed;
        form.size = packedSize;
        return form;
    }
    free(packed);
    if (SzddHasMagic(plain, size))
        fprintf(stderr, "update-make: %s: cannot be compressed\n", name);
    return form;
}

static int WriteBytes(const fs::path &path, const void *bytes, size_t size) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    FILE *out = fopen(path.string().c_str(), "wb");
    if (out == nullptr)
        return 0;
    int ok = size == 0 || fwrite(bytes, 1, size, out) == size;
    return (fclose(out) == 0) & ok;
}

struct Totals {
    int64_t update, changed;
};

static int ShipFile(const MakeOptions *options, const fs::path &staging, const Change *change,
                    Totals *totals) {
    size_t size = 0;
    const char *name = change->file->name;
    unsigned char *plain = ReadContent(options->newRoot, name, &size);
    if (plain == nullptr) {
        fprintf(stderr, "update-make: %s/%s: cannot be read\n", options->newRoot, name);
        return 0;
    }
    Shipped form = ShippedForm(plain, size, name);
    int ok = WriteBytes(staging / name, form.bytes != nullptr ? form.bytes : plain, form.size);
    std::error_code error;
    // The wizard keeps the mode of the file it replaces: a program stays one.
    fs::permissions(staging / name, static_cast<fs::perms>(change->file->mode), error);
    if (ok && form.bytes != nullptr)
        printf("update-make: %s (%zu bytes, compressed from %zu)\n", name, form.size, size);
    else if (ok)
        printf("update-make: %s (%zu bytes)\n", name, size);
    totals->update += static_cast<int64_t>(form.size);
    totals->changed += static_cast<int64_t>(size);
    free(form.bytes);
    free(plain);
    return ok;
}

static int WriteMember(TarOutput *out, const char *name, const unsigned char *data, size_t size,
                       int64_t mtime, unsigned mode) {
    Shipped form = ShippedForm(data, size, name);
    const unsigned char *bytes = form.bytes != nullptr ? form.bytes : data;
    int error = TarWriteHeader(out, name, static_cast<int64_t>(form.size), mtime, mode);
    if (error == 0)
        error = TarWriteData(out, bytes, static_cast<int64_t>(form.size));
    free(form.bytes);
    return error;
}

// The changed members, and ".cleanup": the names that the utility's /DUMP
// lists before the package, so that the wizard deletes them after it, the
// pointer file last.
static int WritePackage(const MakeOptions *options, const fs::path &staging, const Plan *plan,
                        Totals *totals) {
    std::string path = (staging / options->package).string();
    FileHandle file;
    int error = CreateFileAnew(path.c_str(), &file);
    if (error != 0)
        return 0;
    static TarOutput output;
    TarOutput *out = &output;
    TarBeginOutput(out, file);
    for (size_t i = 0; i < plan->memberCount && error == 0; i++) {
        const TarMember *m = plan->members[i];
        error = WriteMember(out, m->name, m->data, static_cast<size_t>(m->size), m->mtime, m->mode);
        totals->changed += m->size;
    }
    std::string names = std::string(options->pointer) + "\n" + options->script + "\n";
    if (options->manifest != nullptr)
        names += std::string(options->manifest) + "\n";
    if (error == 0)
        error = TarWriteHeader(out, CleanupMember, static_cast<int64_t>(names.size()), 0, 0644);
    if (error == 0)
        error = TarWriteData(out, names.data(), static_cast<int64_t>(names.size()));
    if (error == 0)
        error = TarWriteEnd(out);
    int64_t size = 0;
    if (error == 0)
        error = SizeOfFile(file, &size);
    CloseFileHandle(file);
    if (error == 0)
        printf("update-make: %s (%lld bytes): %zu new or changed members of %s\n", options->package,
               static_cast<long long>(size), plan->memberCount, options->archive);
    totals->update += size;
    return error == 0;
}

// The script: what the wizard reads, in CR LF.
static int WriteScript(const MakeOptions *options, const fs::path &staging, const Plan *plan,
                       Totals *totals) {
    fs::path path = staging / options->script;
    FILE *out = fopen(path.string().c_str(), "wb");
    if (out == nullptr)
        return 0;
    char name[TREE_NAME_SIZE];
    fprintf(out, "; Made by update-make %s.\r\n", WIZARD_VERSION);
    fprintf(out, "[%s]\r\n%s=%s\r\n", ArchiveKey.section, ArchiveKey.key, options->archive);
    if (options->manifest != nullptr)
        fprintf(out, "%s=%s\r\n", ManifestKey.key, options->manifest);
    fprintf(out, "[%s]\r\n%s=%s\r\n%s=%s\r\n", SourceKey.section, SourceKey.key, options->package,
            UtilityKey.key, options->utility);
    fprintf(out, "[%s]\r\n", CopyKey.section);
    size_t stamped = 0;
    for (size_t i = 0; i < plan->copyCount; i++) {
        const Change *change = &plan->copies[i];
        ScriptName(options, change->file->name, name, sizeof name);
        fprintf(out, "%s=%s,%lld,0\r\n", CopyKey.key, name, static_cast<long long>(change->time));
        stamped += !change->ship;
    }
    fprintf(out, "[%s]\r\n", RemoveKey.section);
    for (size_t i = 0; i < plan->removalCount; i++) {
        ScriptName(options, plan->removals[i]->name, name, sizeof name);
        fprintf(out, "%s=%s\r\n", RemoveKey.key, name);
    }
    long size = ftell(out);
    int ok = !ferror(out);
    ok = (fclose(out) == 0) & ok;
    if (ok)
        printf("update-make: %s (%ld bytes): %zu COPY lines (%zu of them only a time), %zu "
               "REMOVE lines\n",
               options->script, size, plan->copyCount, stamped, plan->removalCount);
    totals->update += size;
    return ok;
}

static int WritePointer(const MakeOptions *options, const fs::path &staging, Totals *totals) {
    std::string text = std::string("[") + ScriptKey.section + "]\r\n" + ScriptKey.key + "=" +
                       options->script + "\r\n";
    int ok = WriteBytes(staging / options->pointer, text.data(), text.size());
    if (ok)
        printf("update-make: %s (%zu bytes)\n", options->pointer, text.size());
    totals->update += static_cast<int64_t>(text.size());
    return ok;
}

// One line of the manifest for root/name, or for the update's own file when
// root is none; 0 when the file cannot be read.
struct ManifestOut {
    FILE *out;
    const MakeOptions *options;
    fs::path staging;
    int lines, before, after;
};

static int AddManifestLine(ManifestOut *m, ManifestGroup group, const char *root,
                           const char *name) {
    std::string path = ((root != nullptr ? fs::path(root) : m->staging) / name).string();
    Digest digest;
    int64_t size = 0;
    if (HashFile(path.c_str(), &digest, &size, nullptr) != 0) {
        fprintf(stderr, "update-make: %s: cannot be read\n", path.c_str());
        return 0;
    }
    char text[DIGEST_TEXT_SIZE], shown[TREE_NAME_SIZE];
    DigestText(&digest, text);
    ScriptName(m->options, name, shown, sizeof shown);
    fprintf(m->out, "%s %lld %s  %s\n", ManifestGroupWords[group], static_cast<long long>(size),
            text, shown);
    m->lines++;
    m->before += JudgedAt(group, STAGE_BEFORE);
    m->after += JudgedAt(group, STAGE_AFTER);
    return 1;
}

// The lines of the manifest, group by group, in the order the wizard judges
// them: the update's own files first, so that a damaged update is named as
// such before any product file.
static int WriteManifestLines(ManifestOut *m, const Plan *plan) {
    const MakeOptions *o = m->options;
    const char *own[] = {o->pointer, o->script, o->package};
    int ok = 1;
    for (const char *name : own)
        ok = ok && AddManifestLine(m, GROUP_INPUT, nullptr, name);
    for (size_t i = 0; i < plan->copyCount && ok; i++)
        ok = !plan->copies[i].ship ||
             AddManifestLine(m, GROUP_INPUT, nullptr, plan->copies[i].file->name);
    // Which files of the new tree the update carries, by their place in it.
    std::vector<char> carried(plan->newTree.count, 0);
    for (size_t i = 0; i < plan->copyCount; i++)
        carried[(size_t)(plan->copies[i].file - plan->newTree.entries)] =
            (char)plan->copies[i].ship;
    for (size_t i = 0; i < plan->newTree.count && ok; i++) {
        const TreeEntry *file = &plan->newTree.entries[i];
        ok = file->directory || file->link || carried[i] || strcmp(file->name, o->archive) == 0 ||
             IsChangeable(o, file->name) ||
             AddManifestLine(m, GROUP_NEEDED, o->newRoot, file->name);
    }
    for (size_t i = 0; i < plan->copyCount && ok; i++) {
        const char *name = plan->copies[i].file->name;
        ok = !plan->copies[i].ship || FindEntry(&plan->oldTree, name) == nullptr ||
             IsChangeable(o, name) || AddManifestLine(m, GROUP_REPLACED, o->oldRoot, name);
    }
    for (size_t i = 0; i < plan->removalCount && ok; i++)
        ok = IsChangeable(o, plan->removals[i]->name) ||
             AddManifestLine(m, GROUP_REMOVED, o->oldRoot, plan->removals[i]->name);
    ok = ok && AddManifestLine(m, GROUP_ARCHIVE, o->oldRoot, o->archive);
    for (size_t i = 0; i < plan->copyCount && ok; i++)
        ok = AddManifestLine(m, GROUP_RESULT, o->newRoot, plan->copies[i].file->name);
    return ok;
}

// The manifest, after every other file of the update: it holds their digests.
static int WriteManifest(const MakeOptions *options, const fs::path &staging, const Plan *plan,
                         Totals *totals) {
    if (options->manifest == nullptr)
        return 1;
    fs::path path = staging / options->manifest;
    ManifestOut m = {fopen(path.string().c_str(), "wb"), options, staging, 0, 0, 0};
    if (m.out == nullptr)
        return 0;
    fprintf(m.out,
            "# What this update expects of the product and what it leaves, made by update-make "
            "%s.\n# A line: GROUP SIZE SHA256  NAME. One group, checked by hand:\n"
            "#   grep '^needed ' %s | cut -d' ' -f3- | sha256sum -c\n",
            WIZARD_VERSION, options->manifest);
    int ok = WriteManifestLines(&m, plan);
    fprintf(m.out, "%s%d\n", ManifestEndLine, m.lines);
    long size = ftell(m.out);
    ok = !ferror(m.out) && ok;
    ok = (fclose(m.out) == 0) & ok;
    if (ok)
        printf("update-make: %s (%ld bytes): %d files checked before the update, %d proven "
               "after\n",
               options->manifest, size, m.before, m.after);
    totals->update += size;
    return ok;
}

// A symbolic link where the system lets us make one (Windows asks for a
// privilege), else a copy.
static int LinkInto(const fs::path &view, const std::string &name, const fs::path &target) {
    std::error_code error;
    fs::create_directories((view / name).parent_path(), error);
    fs::create_symlink(fs::absolute(target), view / name, error);
    if (error)
        fs::copy_file(target, view / name, error);
    return !error;
}

// A directory of update-make's own, gone. Windows deletes no read-only file,
// so each is made writable first; a link is left as it is, as its target is
// not ours.
static void RemoveOwnTree(const fs::path &root) {
    std::error_code error;
    fs::recursive_directory_iterator walk(root, error), end;
    for (; !error && walk != end; walk.increment(error))
        if (walk->is_regular_file(error) && !walk->is_symlink(error))
            fs::permissions(walk->path(), fs::perms::owner_write, fs::perm_options::add, error);
    fs::remove_all(root, error);
}

// What update-check finds in the update put into the product OLD, seen through
// a directory beside OUT of links into both (copies only where no link may be
// made): 1 when nothing is found, else 0 after the findings.
static int CheckWritten(const MakeOptions *options, const Plan *plan, const fs::path &staging) {
    if (options->separator != fs::path::preferred_separator) {
        printf("update-make: names for another system: run update-check on the product there\n");
        return 1;
    }
    std::error_code error;
    fs::path view = std::string(options->out) + ".check";
    RemoveOwnTree(view);
    int ok = fs::create_directories(view, error);
    for (size_t i = 0; i < plan->oldTree.count && ok; i++) {
        const TreeEntry *file = &plan->oldTree.entries[i];
        ok = file->directory || file->link || fs::exists(staging / file->name, error) ||
             LinkInto(view, file->name, fs::path(options->oldRoot) / file->name);
    }
    fs::recursive_directory_iterator walk(staging, error), end;
    for (; ok && !error && walk != end; walk.increment(error))
        ok = walk->is_directory(error) ||
             LinkInto(view, walk->path().lexically_relative(staging).generic_string(), *walk);
    static char report[REPORT_SIZE];
    int found = ok && !error ? CheckUpdate(view.string().c_str(), report, sizeof report) : -1;
    RemoveOwnTree(view);
    if (found < 0)
        fprintf(stderr, "update-make: %s: cannot be made to check the update\n",
                view.string().c_str());
    for (char *line = report; found > 0 && *line != '\0';) {
        size_t length = strcspn(line, "\n");
        fprintf(stderr, "update-make: update-check: %.*s\n", (int)length, line);
        line += length + (line[length] == '\n');
    }
    return found == 0;
}

static int64_t TreeSize(const Tree *tree) {
    int64_t size = 0;
    for (size_t i = 0; i < tree->count; i++)
        size += tree->entries[i].size;
    return size;
}

int WriteUpdate(const MakeOptions *options, const Plan *plan) {
    std::error_code error;
    fs::path staging = std::string(options->out) + ".partial";
    RemoveOwnTree(staging);
    int ok = fs::create_directories(staging, error);
    Totals totals = {0, 0};
    for (size_t i = 0; i < plan->copyCount && ok; i++)
        ok = !plan->copies[i].ship || ShipFile(options, staging, &plan->copies[i], &totals);
    ok = ok && WritePackage(options, staging, plan, &totals) &&
         WriteScript(options, staging, plan, &totals) && WritePointer(options, staging, &totals) &&
         WriteManifest(options, staging, plan, &totals) && CheckWritten(options, plan, staging);
    if (ok)
        fs::rename(staging, options->out, error);
    if (!ok || error) {
        fprintf(stderr, "update-make: %s: nothing written\n", options->out);
        RemoveOwnTree(staging);
        return 0;
    }
    printf("update-make: wrote %s: %lld bytes; the changed files and members hold %lld, the "
           "new tree %lld\n",
           options->out, static_cast<long long>(totals.update),
           static_cast<long long>(totals.changed),
           static_cast<long long>(TreeSize(&plan->newTree)));
    return 1;
}
