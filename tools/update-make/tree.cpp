#include "tree.h"

#include "sys/files.h"
#include "tar.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

static int CompareEntries(const void *a, const void *b) {
    return strcmp(static_cast<const TreeEntry *>(a)->name, static_cast<const TreeEntry *>(b)->name);
}

static TreeEntry *NewEntry(Tree *tree, size_t *capacity) {
    if (tree->count == *capacity) {
        size_t larger = *capacity == 0 ? 256 : *capacity * 2;
        void *grown = realloc(tree->entries, larger * sizeof(TreeEntry));
        if (grown == nullptr)
            return nullptr;
        tree->entries = static_cast<TreeEntry *>(grown);
        *capacity = larger;
    }
    TreeEntry *entry = &tree->entries[tree->count++];
    memset(entry, 0, sizeof *entry);
    return entry;
}

// The facts of one entry; 0 when its name is too long or it cannot be read.
static int Describe(const fs::directory_entry &found, const fs::path &root, TreeEntry *entry) {
    std::error_code error;
    std::string name = found.path().lexically_relative(root).generic_string();
    if (name.size() >= sizeof entry->name) {
        fprintf(stderr, "update-make: %s: a name too long\n", found.path().string().c_str());
        return 0;
    }
    snprintf(entry->name, sizeof entry->name, "%s", name.c_str());
    entry->link = found.is_symlink(error);
    entry->directory = !entry->link && found.is_directory(error);
    entry->empty = entry->directory && fs::is_empty(found.path(), error);
    FileFacts facts;
    if (entry->link)
        return 1;
    if (ReadFileFacts(found.path().string().c_str(), &facts) != 0) {
        fprintf(stderr, "update-make: %s: cannot be read\n", found.path().string().c_str());
        return 0;
    }
    entry->mtime = facts.mtime;
    entry->mode = facts.mode;
    entry->size = entry->directory ? 0 : static_cast<int64_t>(found.file_size(error));
    return 1;
}

int ReadTree(const char *root, Tree *tree) {
    tree->entries = nullptr;
    tree->count = 0;
    size_t capacity = 0;
    std::error_code error;
    fs::recursive_directory_iterator walk(root, error), end;
    if (error) {
        fprintf(stderr, "update-make: %s: %s\n", root, error.message().c_str());
        return 0;
    }
    for (; walk != end; walk.increment(error)) {
        TreeEntry *entry = NewEntry(tree, &capacity);
        if (entry == nullptr || !Describe(*walk, root, entry))
            return 0;
    }
    if (error) {
        fprintf(stderr, "update-make: %s: %s\n", root, error.message().c_str());
        return 0;
    }
    qsort(tree->entries, tree->count, sizeof(TreeEntry), CompareEntries);
    return 1;
}

void FreeTree(Tree *tree) {
    free(tree->entries);
    tree->entries = nullptr;
    tree->count = 0;
}

const TreeEntry *FindEntry(const Tree *tree, const char *name) {
    TreeEntry key;
    snprintf(key.name, sizeof key.name, "%s", name);
    return static_cast<const TreeEntry *>(
        bsearch(&key, tree->entries, tree->count, sizeof(TreeEntry), CompareEntries));
}

int SameLink(const char *root, const char *other, const char *name) {
    std::error_code error, otherError;
    fs::path target = fs::read_symlink(fs::path(root) / name, error);
    fs::path otherTarget = fs::read_symlink(fs::path(other) / name, otherError);
    return !error && !otherError && target == otherTarget;
}

unsigned char *ReadContent(const char *root, const char *name, size_t *size) {
    std::string path = (fs::path(root) / name).string();
    unsigned char *bytes = nullptr;
    *size = 0;
    return ReadWholeFile(path.c_str(), &bytes, size) == TAR_OK ? bytes : nullptr;
}
