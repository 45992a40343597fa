// A product tree as update-make compares it: every file and directory below a
// root, by its name relative to the root ("sub/file", '/' between parts),
// sorted, with the facts an update carries.
#ifndef UPDATE_MAKE_TREE_H
#define UPDATE_MAKE_TREE_H

#include <stddef.h>
#include <stdint.h>

enum { TREE_NAME_SIZE = 1024 };

struct TreeEntry {
    char name[TREE_NAME_SIZE];
    int directory;
    int empty; // a directory with nothing in it
    int link;  // a symbolic link, which an update cannot carry
    int64_t size;
    int64_t mtime; // seconds since 1970-01-01 00:00 UTC
    unsigned mode; // permission bits (0644 or 0755 on Windows)
};

struct Tree {
    TreeEntry *entries;
    size_t count;
};

// Reads the tree below root: 1, or 0 when root cannot be read or a name is too
// long (a message has been printed). Release with FreeTree in both cases.
int ReadTree(const char *root, Tree *tree);
void FreeTree(Tree *tree);

// The entry of that name, or none.
const TreeEntry *FindEntry(const Tree *tree, const char *name);

// 1 when root/name and other/name are symbolic links to the same target.
int SameLink(const char *root, const char *other, const char *name);

// The whole content of root/name, malloc'd (one byte more, for an empty file);
// none when it cannot be read.
unsigned char *ReadContent(const char *root, const char *name, size_t *size);

#endif
