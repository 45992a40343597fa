// The resource archive format: POSIX ustar (tar), plain files with flat names
// only, so that the archive can be inspected and made with the standard tar.
#ifndef RESTOOL_TAR_H
#define RESTOOL_TAR_H

#include "sys/files.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

enum {
    TAR_BLOCK = 512,
    TAR_NAME_SIZE = 101,    // the header's name field (100) and a zero
    TAR_PROBLEM_SIZE = 200, // room for one message about bad input
    // A whole archive is held in memory; the sample utility serves small products.
    TAR_MAX_ARCHIVE = 1 << 30
};

// Distinct reasons why an archive cannot be used.
enum TarResult {
    TAR_OK = 0,
    TAR_OPEN_FAILED, // the file cannot be opened (errno tells why)
    TAR_READ_FAILED, // reading failed, or the file is too large
    TAR_NOT_TAR,     // the first block is no ustar header
    TAR_TRUNCATED,   // a header, a member's data or the end marker is missing
    TAR_BAD_HEADER,  // a later header is corrupt (checksum, numbers)
    TAR_BAD_NAME,    // a member name that must not be extracted
    TAR_UNSUPPORTED, // a member that is not a plain file
    TAR_NO_MEMORY
};

struct TarMember {
    char name[TAR_NAME_SIZE];
    unsigned mode;
    int64_t size;
    int64_t mtime;
    const unsigned char *header; // the member's header block inside the archive's bytes
    const unsigned char *data;   // its size bytes of data, padded to whole blocks
    TarMember *next;
};

struct TarArchive {
    unsigned char *bytes; // the whole file
    size_t size;
    TarMember *first;
    TarMember *last;
};

// Reads a whole file (at most TAR_MAX_ARCHIVE bytes) into a new buffer that the
// caller frees: TAR_OK, TAR_OPEN_FAILED, TAR_READ_FAILED or TAR_NO_MEMORY.
TarResult ReadWholeFile(const char *fileName, unsigned char **bytes, size_t *size);

// Checks a member name: none when it is a plain name of this directory, else
// what is wrong with it (empty, too long, absolute, a directory part, "..").
const char *TarNameProblem(const char *name);

// Reads and checks the whole file. On TAR_OK the archive holds its members in
// file order; on any other result it holds nothing and problem says what is
// wrong, for a message. Release with TarFree in both cases.
TarResult TarLoad(const char *fileName, TarArchive *archive, char *problem, size_t problemSize);

// Checks bytes that the caller keeps (the archive takes no ownership); as TarLoad.
TarResult TarParse(const unsigned char *bytes, size_t size, TarArchive *archive, char *problem,
                   size_t problemSize);

void TarFree(TarArchive *archive);

// The last member of that name (tar's rule: a later copy replaces an earlier
// one), or none.
const TarMember *TarFind(const TarArchive *archive, const char *name);

// 1 when no later member of the archive has the same name.
int TarIsLatest(const TarMember *member);

// An archive being written to a file through a buffer, so that the file gets
// whole pieces of TAR_OUTPUT_SIZE bytes: few writes, whatever the members.
enum { TAR_OUTPUT_SIZE = 1 << 16 };
struct TarOutput {
    FileHandle file;
    int error; // the first failure; nothing more is written after it
    size_t used;
    unsigned char buffer[TAR_OUTPUT_SIZE];
};

void TarBeginOutput(TarOutput *out, FileHandle file);

// Writes a ustar header for a plain file: 0, or the error (an error also for
// a header that cannot be written).
int TarWriteHeader(TarOutput *out, const char *name, int64_t size, int64_t mtime, unsigned mode);

// Writes size bytes and the zeros that fill the last block: 0, or the error.
int TarWriteData(TarOutput *out, const void *data, int64_t size);

// Writes a member as it stands in its archive, header included: 0, or the error.
int TarCopyMember(TarOutput *out, const TarMember *member);

// Writes the end marker, two zero blocks, and what the buffer holds: 0, or
// the error of any write since TarBeginOutput.
int TarWriteEnd(TarOutput *out);

#endif
