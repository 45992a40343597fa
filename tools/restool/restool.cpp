// restool: the sample resource utility. It keeps a product's resources in a
// ustar archive and answers the update wizard's three calls:
//   restool ResourceFile SourceFile /WORK   extract what SourceFile (a tar of new
//                                           resources) changes; list it in update.lst
//   restool SourceFile /DUMP                list in update.dmp what to delete at the end
//   restool ResourceFile name... /ENCODE    add or replace the named files
//   restool ResourceFile /LIST              print the members (a harmless verb)
// The verb may also come first. Bad input is reported on standard error with a
// non-zero exit code, and then nothing has been written.
//
// The wizard ignores exit codes and runs /DUMP after /WORK whatever happened,
// so /WORK leaves a marker when it succeeds and /DUMP names the package for
// cleanup only when the marker names it: a package whose /WORK failed is kept,
// and the update can be run again once the archive is mended.
#include "script/contract.h"
#include "script/text_reader.h"
#include "state/version.h"
#include "sys/files.h"
#include "tar.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

enum ExitCode {
    EXIT_DONE = 0,
    EXIT_SKIPPED = 1,   // /ENCODE: some names did not exist
    EXIT_USAGE = 2,     // wrong arguments
    EXIT_BAD_INPUT = 3, // an archive or name that cannot be used; nothing written
    EXIT_FAILED = 4     // writing failed
};

enum {
    // Room for a file name given on the command line, and its temporary twin.
    ARG_NAME_SIZE = 1024,
    // The cleanup list: a header and up to 32 lines.
    DUMP_LIST_SIZE = 32 * (READER_LINE_LIMIT + 2) + 16
};

// WorkMarkerFile holds the package's name from a successful /WORK until the
// /DUMP after it. CleanupMember, a member of the package that is never
// extracted, holds the names, a line each, that /DUMP lists for the cleanup
// besides the package, such as the update's pointer file and script, which
// must stay until the very end.

// A verb of restool's own, harmless beside the wizard's three.
static const char ListVerb[] = "/LIST";

static const char Usage[] = "usage: restool ResourceFile SourceFile /WORK\n"
                            "       restool SourceFile /DUMP\n"
                            "       restool ResourceFile name... /ENCODE\n"
                            "       restool ResourceFile /LIST\n"
                            "       restool --help | --version\n";

static const char Help[] =
    "The sample resource utility of the update wizard: keeps a product's\n"
    "resources in a ustar archive.\n"
    "  /WORK    extract the members of SourceFile (a tar) that are new or differ\n"
    "           from ResourceFile, or whose file an interrupted run left, and list\n"
    "           them in update.lst ([ADD] FILE=name,time)\n"
    "  /DUMP    list SourceFile in update.dmp ([PFF] ENTRY=name) for the cleanup,\n"
    "           after the names in its member .cleanup (deleted after it), only\n"
    "           when the /WORK before it succeeded; otherwise write nothing\n"
    "  /ENCODE  put the named files into ResourceFile (created when missing); the\n"
    "           new archive is on disk when restool ends\n"
    "  /LIST    print the members: name, size, time\n"
    "Exit status: 0 done, 1 some /ENCODE names missing, 2 usage, 3 bad input\n"
    "(nothing written), 4 writing failed.\n";

// Files of the wizard's own, and the update's, that a member must never overwrite.
static int IsReserved(const char *name, const char *resourceFile, const char *sourceFile) {
    if (IsWizardFileName(name))
        return 1;
    return SameNameIgnoringCase(name, resourceFile) ||
           (sourceFile != nullptr && SameNameIgnoringCase(name, sourceFile));
}

static int LoadOrReport(const char *fileName, TarArchive *archive) {
    char problem[TAR_PROBLEM_SIZE];
    TarResult result = TarLoad(fileName, archive, problem, sizeof problem);
    if (result == TAR_OK)
        return 1;
    if (result == TAR_OPEN_FAILED)
        fprintf(stderr, "restool: %s: %s\n", fileName, strerror(errno));
    else
        fprintf(stderr, "restool: %s: %s\n", fileName, problem);
    TarFree(archive);
    return 0;
}

// Writes a whole file through the wizard's file services, so that the tests'
// seam reaches every write of the utility: 0, or the error, with nothing left.
static int WriteWholeFile(const char *name, const void *data, size_t size) {
    FileHandle out;
    int error = CreateFileAnew(name, &out);
    if (error != 0)
        return error;
    error = size > 0 ? WriteToFile(out, data, size) : 0;
    CloseFileHandle(out);
    if (error != 0)
        DeleteFileOnce(name);
    return error;
}

// Deletes name when it is there: 0, or the error.
static int RemoveIfThere(const char *name) {
    return FileExists(name) ? DeleteFileOnce(name) : 0;
}

// The new archive is written beside the file the archive's name leads to,
// through links, so that a linked archive stays linked and the rename stays
// on its file system.
static int NewArchiveName(const char *resourceFile, char *dest, size_t size) {
    char target[ARG_NAME_SIZE];
    int error = ResolveLinks(resourceFile, target, sizeof target);
    if (error == 0 && snprintf(dest, size, "%s.new", target) >= static_cast<int>(size))
        error = InvalidArgumentError;
    return error;
}

// A member that is missing from the archive or holds other bytes; or one whose
// file lies in the directory, left by an update that was stopped before the
// wizard deleted it once it was in the archive: it is listed again, so that the
// run that finishes the update deletes it.
static int IsChanged(const TarArchive *resource, const TarMember *member) {
    const TarMember *old = TarFind(resource, member->name);
    FileFacts facts;
    return old == nullptr || old->size != member->size ||
           memcmp(old->data, member->data, static_cast<size_t>(member->size)) != 0 ||
           ReadFileFacts(member->name, &facts) == 0;
}

// Every member of the source is checked before anything is written.
static int CheckSourceMembers(const TarArchive *source, const char *resourceFile,
                              const char *sourceFile) {
    for (const TarMember *m = source->first; m != nullptr; m = m->next) {
        if (strcmp(m->name, CleanupMember) == 0)
            continue;
        if (IsReserved(m->name, resourceFile, sourceFile)) {
            fprintf(stderr, "restool: %s: member \"%s\" would overwrite a file of the update\n",
                    sourceFile, m->name);
            return 0;
        }
        // The wizard keeps times as signed 32-bit seconds.
        if (m->mtime > INT32_MAX) {
            fprintf(stderr, "restool: %s: member \"%s\" has a time after 2038\n", sourceFile,
                    m->name);
            return 0;
        }
    }
    return 1;
}

// Extracts the changed members and adds their lines to list.
static int ExtractChanged(const TarArchive *resource, const TarArchive *source, std::string *list) {
    *list += std::string("[") + AddKey.section + "]\r\n";
    for (const TarMember *m = source->first; m != nullptr; m = m->next) {
        if (!TarIsLatest(m) || !IsChanged(resource, m) || strcmp(m->name, CleanupMember) == 0)
            continue;
        int error = WriteWholeFile(m->name, m->data, static_cast<size_t>(m->size));
        if (error == 0)
            error = StampFileTime(m->name, static_cast<int32_t>(m->mtime));
        if (error != 0) {
            fprintf(stderr, "restool: %s: cannot be written (error %d)\n", m->name, error);
            return 0;
        }
        printf("restool: extracted %s\n", m->name);
        *list += std::string(AddKey.key) + "=" + m->name + "," + std::to_string(m->mtime) + "\r\n";
    }
    return 1;
}

// The package's name and a line end, as the marker holds it.
static int MarkerText(const char *sourceFile, char *text, size_t size) {
    int length = snprintf(text, size, "%s\r\n", sourceFile);
    return length >= 0 && static_cast<size_t>(length) < size ? length : -1;
}

// 1 when the marker names sourceFile.
static int MarkerNames(const char *sourceFile) {
    char want[ARG_NAME_SIZE + 2], held[ARG_NAME_SIZE + 2];
    int length = MarkerText(sourceFile, want, sizeof want);
    if (length < 0)
        return 0;
    FileHandle in;
    if (OpenToRead(WorkMarkerFile, SHARE_ALL, &in) != 0)
        return 0;
    size_t got = 0;
    int error = ReadFromFile(in, held, sizeof held, &got);
    CloseFileHandle(in);
    return error == 0 && got == static_cast<size_t>(length) && memcmp(held, want, got) == 0;
}

static int WriteMarker(const char *sourceFile) {
    char text[ARG_NAME_SIZE + 2];
    int length = MarkerText(sourceFile, text, sizeof text);
    return length < 0 ? InvalidArgumentError
                      : WriteWholeFile(WorkMarkerFile, text, static_cast<size_t>(length));
}

static int ExtractAndList(const char *resourceFile, const char *sourceFile) {
    TarArchive resource, source;
    if (!LoadOrReport(resourceFile, &resource))
        return EXIT_BAD_INPUT;
    if (!LoadOrReport(sourceFile, &source)) {
        TarFree(&resource);
        return EXIT_BAD_INPUT;
    }
    int code = EXIT_BAD_INPUT;
    if (CheckSourceMembers(&source, resourceFile, sourceFile)) {
        code = EXIT_FAILED;
        std::string list;
        if (ExtractChanged(&resource, &source, &list) &&
            WriteWholeFile(AddListFile, list.data(), list.size()) == 0)
            code = EXIT_DONE;
        if (code != EXIT_DONE)
            fprintf(stderr, "restool: %s was not written\n", AddListFile);
    }
    TarFree(&source);
    TarFree(&resource);
    return code;
}

// Lists and marker of an earlier run are removed first, so that whatever
// fails now, the wizard finds no list and /DUMP no marker; so is a new
// archive that an interrupted /ENCODE left unfinished.
static int Work(const char *resourceFile, const char *sourceFile) {
    char unfinished[ARG_NAME_SIZE];
    if (NewArchiveName(resourceFile, unfinished, sizeof unfinished) == 0)
        RemoveIfThere(unfinished);
    RemoveIfThere(WorkMarkerFile);
    RemoveIfThere(AddListFile);
    int code = ExtractAndList(resourceFile, sourceFile);
    int error = code == EXIT_DONE ? WriteMarker(sourceFile) : 0;
    if (error != 0) {
        fprintf(stderr, "restool: %s cannot be written (error %d)\n", WorkMarkerFile, error);
        RemoveIfThere(AddListFile);
        code = EXIT_FAILED;
    }
    if (code != EXIT_DONE)
        fprintf(stderr, "restool: nothing listed; %s is kept for the next run\n", sourceFile);
    return code;
}

// "ENTRY=name" (CleanupKey) and CR LF for each line of text (LF or CR LF ends one) into the
// list at used: the new end, or -1 when a line is too long or no room is left.
static int AppendEntries(char *list, size_t size, int used, const char *text, size_t length) {
    while (length > 0 && used >= 0) {
        const char *lf = static_cast<const char *>(memchr(text, '\n', length));
        size_t line = lf != nullptr ? static_cast<size_t>(lf - text) : length;
        size_t name = line > 0 && text[line - 1] == '\r' ? line - 1 : line;
        int written = snprintf(list + used, size - used, "%s=%.*s\r\n", CleanupKey.key,
                               static_cast<int>(name), text);
        used = name + strlen(CleanupKey.key) + 1 > READER_LINE_LIMIT || written < 0 ||
                       static_cast<size_t>(written) >= size - used
                   ? -1
                   : used + written;
        size_t taken = lf != nullptr ? line + 1 : line;
        text += taken;
        length -= taken;
    }
    return used;
}

// The cleanup list: the names of the package's member ".cleanup" first, so
// that the wizard, which deletes the list's files last line first, deletes
// them after the package; then the package. A stale list of an earlier run is
// removed first: it could name the package.
static int Dump(const char *sourceFile) {
    RemoveIfThere(CleanupListFile);
    int marked = MarkerNames(sourceFile);
    // A marker that stays could let a later /DUMP name a package whose /WORK failed.
    int error = RemoveIfThere(WorkMarkerFile);
    if (error != 0) {
        fprintf(stderr, "restool: %s cannot be deleted (error %d); %s not written\n",
                WorkMarkerFile, error, CleanupListFile);
        return EXIT_FAILED;
    }
    if (!marked) {
        fprintf(stderr, "restool: %s: no successful /WORK before; kept, %s not written\n",
                sourceFile, CleanupListFile);
        return EXIT_BAD_INPUT;
    }
    TarArchive source;
    if (!LoadOrReport(sourceFile, &source))
        return EXIT_BAD_INPUT;
    static char list[DUMP_LIST_SIZE];
    int used = snprintf(list, sizeof list, "[%s]\r\n", CleanupKey.section);
    const TarMember *names = TarFind(&source, CleanupMember);
    if (names != nullptr)
        used = AppendEntries(list, sizeof list, used, reinterpret_cast<const char *>(names->data),
                             static_cast<size_t>(names->size));
    used = AppendEntries(list, sizeof list, used, sourceFile, strlen(sourceFile));
    TarFree(&source);
    if (used < 0) {
        fprintf(stderr, "restool: %s: a name too long for %s\n", sourceFile, CleanupListFile);
        return EXIT_BAD_INPUT;
    }
    error = WriteWholeFile(CleanupListFile, list, static_cast<size_t>(used));
    if (error != 0) {
        fprintf(stderr, "restool: %s cannot be written (error %d)\n", CleanupListFile, error);
        return EXIT_FAILED;
    }
    return EXIT_DONE;
}

// A file to put into the archive, read whole before the archive is written.
struct AddItem {
    const char *name;
    unsigned char *bytes;
    size_t size;
    FileFacts facts;
    AddItem *next;
};

static void FreeItems(AddItem *item) {
    while (item != nullptr) {
        AddItem *next = item->next;
        free(item->bytes);
        free(item);
        item = next;
    }
}

static const AddItem *FindItem(const AddItem *items, const char *name) {
    for (; items != nullptr; items = items->next)
        if (strcmp(items->name, name) == 0)
            return items;
    return nullptr;
}

// Reads the named files. 0 on bad input; *skipped counts names that do not exist.
static int GatherItems(const char *resourceFile, char **names, int count, AddItem **items,
                       int *skipped) {
    AddItem **tail = items;
    for (int i = 0; i < count; i++) {
        const char *problem = TarNameProblem(names[i]);
        if (problem == nullptr && IsReserved(names[i], resourceFile, nullptr))
            problem = "the archive or a file of the wizard's own";
        if (problem != nullptr) {
            fprintf(stderr, "restool: %s: %s\n", names[i], problem);
            return 0;
        }
        if (FindItem(*items, names[i]) != nullptr)
            continue;
        FileFacts facts;
        if (ReadFileFacts(names[i], &facts) != 0 || !facts.regular) {
            printf("restool: %s does not exist as a file; skipped.\n", names[i]);
            ++*skipped;
            continue;
        }
        AddItem *item = static_cast<AddItem *>(calloc(1, sizeof(AddItem)));
        if (item == nullptr) {
            fprintf(stderr, "restool: out of memory\n");
            return 0;
        }
        *tail = item;
        tail = &item->next;
        item->name = names[i];
        item->facts = facts;
        if (ReadWholeFile(names[i], &item->bytes, &item->size) != TAR_OK) {
            fprintf(stderr, "restool: %s cannot be read\n", names[i]);
            return 0;
        }
    }
    return 1;
}

static int WriteItem(TarOutput *out, const AddItem *item) {
    int64_t mtime = item->facts.mtime < 0 ? 0 : item->facts.mtime;
    int error =
        TarWriteHeader(out, item->name, static_cast<int64_t>(item->size), mtime, item->facts.mode);
    return error != 0 ? error : TarWriteData(out, item->bytes, static_cast<int64_t>(item->size));
}

// A member that is replaced keeps its place and new ones follow, so that
// adding the same files again, as a run that finishes an interrupted update
// does, writes the same archive.
static int WriteArchive(TarOutput *out, const TarArchive *archive, const AddItem *items) {
    int error = 0;
    for (const TarMember *m = archive->first; error == 0 && m != nullptr; m = m->next) {
        const AddItem *item = TarIsLatest(m) ? FindItem(items, m->name) : nullptr;
        if (TarIsLatest(m))
            error = item != nullptr ? WriteItem(out, item) : TarCopyMember(out, m);
    }
    for (const AddItem *item = items; error == 0 && item != nullptr; item = item->next)
        if (TarFind(archive, item->name) == nullptr)
            error = WriteItem(out, item);
    return error != 0 ? error : TarWriteEnd(out);
}

// The new archive goes to a file of its own first, so that a failure never
// leaves a half-written archive behind; it is durable before it replaces the
// old archive, carries who the old one is, and the replacement is durable
// before restool ends: the wizard deletes the files it was given, which may
// be the only copy of what the update adds. 0, or the error.
static int ReplaceArchive(const char *resourceFile, const TarArchive *archive,
                          const AddItem *items) {
    char target[ARG_NAME_SIZE], temporary[ARG_NAME_SIZE];
    int error = ResolveLinks(resourceFile, target, sizeof target);
    if (error == 0)
        error = NewArchiveName(resourceFile, temporary, sizeof temporary);
    FileHandle out = NO_FILE;
    if (error == 0)
        error = CreateFileAnew(temporary, &out);
    static TarOutput output;
    TarBeginOutput(&output, out);
    if (error == 0)
        error = WriteArchive(&output, archive, items);
    CloseFileHandle(out);
    const char *names[] = {temporary, target};
    if (error == 0)
        error = SyncFiles(SYNC_DATA, names, 1);
    if (error == 0 && FileExists(target))
        error = CarryIdentity(target, temporary);
    if (error == 0)
        error = RenameOver(temporary, target);
    if (error == 0)
        error = SyncFiles(SYNC_NAMES, names + 1, 1);
    if (error != 0 && out != NO_FILE)
        RemoveIfThere(temporary);
    return error;
}

static int Encode(const char *resourceFile, char **names, int count) {
    if (strlen(resourceFile) + 8 >= ARG_NAME_SIZE) {
        fprintf(stderr, "restool: %s: name too long\n", resourceFile);
        return EXIT_USAGE;
    }
    TarArchive archive = {nullptr, 0, nullptr, nullptr};
    FileFacts facts;
    // A missing archive is begun anew; an unreadable one is never overwritten.
    if (ReadFileFacts(resourceFile, &facts) == 0 && !LoadOrReport(resourceFile, &archive))
        return EXIT_BAD_INPUT;
    AddItem *items = nullptr;
    int skipped = 0;
    int code = EXIT_BAD_INPUT;
    if (GatherItems(resourceFile, names, count, &items, &skipped)) {
        code = skipped > 0 ? EXIT_SKIPPED : EXIT_DONE;
        int error = items != nullptr ? ReplaceArchive(resourceFile, &archive, items) : 0;
        if (error != 0) {
            fprintf(stderr, "restool: %s cannot be written (error %d)\n", resourceFile, error);
            code = EXIT_FAILED;
        }
    }
    FreeItems(items);
    TarFree(&archive);
    return code;
}

static int List(const char *resourceFile) {
    TarArchive archive;
    if (!LoadOrReport(resourceFile, &archive))
        return EXIT_BAD_INPUT;
    for (const TarMember *m = archive.first; m != nullptr; m = m->next)
        if (TarIsLatest(m))
            printf("%s %lld %lld\n", m->name, static_cast<long long>(m->size),
                   static_cast<long long>(m->mtime));
    TarFree(&archive);
    return EXIT_DONE;
}

static int IsVerb(const char *arg) {
    static const char *const Verbs[] = {WorkVerb, DumpVerb, EncodeVerb, ListVerb};
    for (const char *verb : Verbs)
        if (SameNameIgnoringCase(arg, verb))
            return 1;
    return 0;
}

static int RunVerb(const char *verb, char **operands, int count) {
    if (SameNameIgnoringCase(verb, WorkVerb) && count == 2)
        return Work(operands[0], operands[1]);
    if (SameNameIgnoringCase(verb, DumpVerb) && count == 1)
        return Dump(operands[0]);
    if (SameNameIgnoringCase(verb, EncodeVerb) && count >= 2)
        return Encode(operands[0], operands + 1, count - 1);
    if (SameNameIgnoringCase(verb, ListVerb) && count == 1)
        return List(operands[0]);
    fputs(Usage, stderr);
    return EXIT_USAGE;
}

int main(int argc, char **argv) {
    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        fputs(Usage, stdout);
        fputs(Help, stdout);
        return EXIT_DONE;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        printf("restool %s\n", WIZARD_VERSION);
        return EXIT_DONE;
    }
    // Empty arguments are dropped: a command line with two blanks in a row
    // means an empty name, which Windows' own splitting drops as well.
    int count = 0;
    for (int i = 1; i < argc; i++)
        if (argv[i][0] != '\0')
            argv[++count] = argv[i];
    if (count >= 1 && IsVerb(argv[count]))
        return RunVerb(argv[count], argv + 1, count - 1);
    if (count >= 1 && IsVerb(argv[1]))
        return RunVerb(argv[1], argv + 2, count - 1);
    fputs(Usage, stderr);
    return EXIT_USAGE;
}
