#include "tar.h"

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

// Offsets and widths of the ustar header fields.
enum {
    NAME_AT = 0,
    NAME_LEN = 100,
    MODE_AT = 100,
    UID_AT = 108,
    GID_AT = 116,
    NUMBER_LEN = 8, // the mode, ids and checksum
    SIZE_AT = 124,
    MTIME_AT = 136,
    LONG_NUMBER_LEN = 12, // the size and the time
    CHECKSUM_AT = 148,
    TYPE_AT = 156,
    MAGIC_AT = 257,
    VERSION_AT = 263,
    PREFIX_AT = 345,
    PREFIX_LEN = 155
};

// Sizes are written as 11 octal digits.
static const int64_t MaxMemberSize = 077777777777LL;

static void SetProblem(char *problem, size_t size, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

static void SetProblem(char *problem, size_t size, const char *format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(problem, size, format, args);
    va_end(args);
}

const char *TarNameProblem(const char *name) {
    size_t length = strlen(name);
    if (length == 0)
        return "empty name";
    if (length >= TAR_NAME_SIZE)
        return "name longer than 100 characters";
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0 || strstr(name, "..") != nullptr)
        return "name with \"..\"";
    if (name[0] == '/' || name[0] == '\\' || (length >= 2 && name[1] == ':'))
        return "absolute name";
    if (strchr(name, '/') != nullptr || strchr(name, '\\') != nullptr)
        return "name with a directory part";
    for (const char *c = name; *c != '\0'; c++)
        if (static_cast<unsigned char>(*c) < 0x20)
            return "name with a control character";
    return nullptr;
}

static int IsZeroBlock(const unsigned char *block) {
    for (int i = 0; i < TAR_BLOCK; i++)
        if (block[i] != 0)
            return 0;
    return 1;
}

static int HasUstarMagic(const unsigned char *block) {
    // POSIX "ustar\0" "00", and GNU tar's own "ustar  \0", which it writes by default.
    return memcmp(block + MAGIC_AT,
                  "ustar\0"
                  "00",
                  8) == 0 ||
           memcmp(block + MAGIC_AT, "ustar  \0", 8) == 0;
}

// An octal field: leading blanks, digits, then blanks or zeros. -1 when it is
// anything else (GNU's base-256 numbers included).
static int64_t ReadOctal(const unsigned char *field, int width) {
    int i = 0;
    while (i < width && field[i] == ' ')
        i++;
    int64_t value = 0;
    int digits = 0;
    for (; i < width && field[i] >= '0' && field[i] <= '7'; i++, digits++) {
        if (value > (INT64_MAX >> 3))
            return -1;
        value = value * 8 + (field[i] - '0');
    }
    for (; i < width; i++)
        if (field[i] != ' ' && field[i] != '\0')
            return -1;
    return digits > 0 ? value : -1;
}

static int ChecksumMatches(const unsigned char *block) {
    int64_t stored = ReadOctal(block + CHECKSUM_AT, NUMBER_LEN);
    // Some old writers summed signed bytes: accept either sum.
    int64_t unsignedSum = 0, signedSum = 0;
    for (int i = 0; i < TAR_BLOCK; i++) {
        int inField = i >= CHECKSUM_AT && i < CHECKSUM_AT + NUMBER_LEN;
        unsignedSum += inField ? ' ' : block[i];
        signedSum += inField ? ' ' : static_cast<signed char>(block[i]);
    }
    return stored >= 0 && (stored == unsignedSum || stored == signedSum);
}

static int64_t PaddedSize(int64_t size) {
    return (size + TAR_BLOCK - 1) / TAR_BLOCK * TAR_BLOCK;
}

// One header block at offset: TAR_OK and the member filled, or the reason.
static TarResult ReadHeader(const unsigned char *block, size_t offset, TarMember *member,
                            char *problem, size_t problemSize) {
    if (!HasUstarMagic(block) || !ChecksumMatches(block)) {
        if (offset == 0) {
            SetProblem(problem, problemSize, "not a ustar (tar) archive");
            return TAR_NOT_TAR;
        }
        SetProblem(problem, problemSize, "corrupt header at offset %llu",
                   static_cast<unsigned long long>(offset));
        return TAR_BAD_HEADER;
    }
    char type = static_cast<char>(block[TYPE_AT]);
    if (type != '0' && type != '\0') {
        SetProblem(problem, problemSize, "member of type '%c' at offset %llu: only plain files",
                   type, static_cast<unsigned long long>(offset));
        return TAR_UNSUPPORTED;
    }
    memcpy(member->name, block + NAME_AT, NAME_LEN);
    member->name[NAME_LEN] = '\0';
    // POSIX ustar keeps the leading part of a long name apart; GNU tar uses that room
    // for other fields.
    char fullName[PREFIX_LEN + 1 + TAR_NAME_SIZE];
    if (block[PREFIX_AT] != 0 && memcmp(block + MAGIC_AT, "ustar\0", 6) == 0)
        snprintf(fullName, sizeof fullName, "%.*s/%s", PREFIX_LEN,
                 reinterpret_cast<const char *>(block + PREFIX_AT), member->name);
    else
        snprintf(fullName, sizeof fullName, "%s", member->name);
    const char *bad = TarNameProblem(fullName);
    if (bad != nullptr) {
        SetProblem(problem, problemSize, "member \"%s\": %s", fullName, bad);
        return TAR_BAD_NAME;
    }
    int64_t mode = ReadOctal(block + MODE_AT, NUMBER_LEN);
    member->size = ReadOctal(block + SIZE_AT, LONG_NUMBER_LEN);
    member->mtime = ReadOctal(block + MTIME_AT, LONG_NUMBER_LEN);
    if (mode < 0 || member->size < 0 || member->mtime < 0) {
        SetProblem(problem, problemSize, "member \"%s\": unreadable mode, size or time",
                   member->name);
        return TAR_BAD_HEADER;
    }
    member->mode = static_cast<unsigned>(mode & 07777);
    return TAR_OK;
}

static void AppendMember(TarArchive *archive, TarMember *member) {
    if (archive->last != nullptr)
        archive->last->next = member;
    else
        archive->first = member;
    archive->last = member;
}

static void FreeMembers(TarArchive *archive) {
    TarMember *member = archive->first;
    while (member != nullptr) {
        TarMember *next = member->next;
        free(member);
        member = next;
    }
    archive->first = nullptr;
    archive->last = nullptr;
}

static TarResult ParseMembers(const unsigned char *bytes, size_t size, TarArchive *archive,
                              char *problem, size_t problemSize) {
    if (size == 0) {
        SetProblem(problem, problemSize, "empty file, not a ustar (tar) archive");
        return TAR_NOT_TAR;
    }
    size_t offset = 0;
    for (;;) {
        if (size - offset < TAR_BLOCK) {
            SetProblem(problem, problemSize,
                       offset == 0 ? "not a ustar (tar) archive"
                                   : "truncated: the end marker is missing");
            return offset == 0 ? TAR_NOT_TAR : TAR_TRUNCATED;
        }
        const unsigned char *block = bytes + offset;
        if (IsZeroBlock(block))
            return TAR_OK;
        TarMember *member = static_cast<TarMember *>(calloc(1, sizeof(TarMember)));
        if (member == nullptr) {
            SetProblem(problem, problemSize, "out of memory");
            return TAR_NO_MEMORY;
        }
        AppendMember(archive, member);
        TarResult result = ReadHeader(block, offset, member, problem, problemSize);
        if (result != TAR_OK)
            return result;
        int64_t room = static_cast<int64_t>(size - offset - TAR_BLOCK);
        if (member->size > MaxMemberSize || PaddedSize(member->size) > room) {
            SetProblem(problem, problemSize, "truncated: member \"%s\" lacks data", member->name);
            return TAR_TRUNCATED;
        }
        member->header = block;
        member->data = block + TAR_BLOCK;
        offset += TAR_BLOCK + static_cast<size_t>(PaddedSize(member->size));
    }
}

TarResult TarParse(const unsigned char *bytes, size_t size, TarArchive *archive, char *problem,
                   size_t problemSize) {
    archive->bytes = nullptr;
    archive->size = size;
    archive->first = nullptr;
    archive->last = nullptr;
    problem[0] = '\0';
    TarResult result = ParseMembers(bytes, size, archive, problem, problemSize);
    if (result != TAR_OK)
        FreeMembers(archive);
    return result;
}

TarResult ReadWholeFile(const char *fileName, unsigned char **bytes, size_t *size) {
    FILE *in = fopen(fileName, "rb");
    if (in == nullptr)
        return TAR_OPEN_FAILED;
    TarResult result = TAR_OK;
    size_t capacity = 0, used = 0;
    unsigned char *buffer = nullptr;
    for (;;) {
        if (used == capacity) {
            size_t grown = capacity == 0 ? 64 * 1024 : capacity * 2;
            unsigned char *larger = grown > TAR_MAX_ARCHIVE
                                        ? nullptr
                                        : static_cast<unsigned char *>(realloc(buffer, grown));
            if (larger == nullptr) {
                result = grown > TAR_MAX_ARCHIVE ? TAR_READ_FAILED : TAR_NO_MEMORY;
                break;
            }
            buffer = larger;
            capacity = grown;
        }
        size_t got = fread(buffer + used, 1, capacity - used, in);
        used += got;
        if (got == 0) {
            if (ferror(in))
                result = TAR_READ_FAILED;
            break;
        }
    }
    fclose(in);
    if (result != TAR_OK) {
        free(buffer);
        return result;
    }
    *bytes = buffer;
    *size = used;
    return TAR_OK;
}

TarResult TarLoad(const char *fileName, TarArchive *archive, char *problem, size_t problemSize) {
    archive->bytes = nullptr;
    archive->size = 0;
    archive->first = nullptr;
    archive->last = nullptr;
    unsigned char *bytes = nullptr;
    size_t size = 0;
    TarResult result = ReadWholeFile(fileName, &bytes, &size);
    if (result != TAR_OK) {
        SetProblem(problem, problemSize, "%s",
                   result == TAR_OPEN_FAILED ? "cannot be opened"
                   : result == TAR_NO_MEMORY ? "out of memory"
                                             : "cannot be read, or larger than 1 GiB");
        return result;
    }
    result = TarParse(bytes, size, archive, problem, problemSize);
    if (result != TAR_OK) {
        free(bytes);
        return result;
    }
    archive->bytes = bytes;
    return TAR_OK;
}

void TarFree(TarArchive *archive) {
    FreeMembers(archive);
    free(archive->bytes);
    archive->bytes = nullptr;
    archive->size = 0;
}

const TarMember *TarFind(const TarArchive *archive, const char *name) {
    const TarMember *found = nullptr;
    for (const TarMember *member = archive->first; member != nullptr; member = member->next)
        if (strcmp(member->name, name) == 0)
            found = member;
    return found;
}

int TarIsLatest(const TarMember *member) {
    for (const TarMember *later = member->next; later != nullptr; later = later->next)
        if (strcmp(later->name, member->name) == 0)
            return 0;
    return 1;
}

static void WriteOctal(unsigned char *field, int width, int64_t value) {
    char text[24];
    snprintf(text, sizeof text, "%0*llo", width - 1, static_cast<unsigned long long>(value));
    memcpy(field, text, static_cast<size_t>(width - 1));
    field[width - 1] = '\0';
}

void TarBeginOutput(TarOutput *out, FileHandle file) {
    out->file = file;
    out->error = 0;
    out->used = 0;
}

// Adds bytes to the buffer, writing each full piece; 0, or the first error.
static int Put(TarOutput *out, const void *data, size_t size) {
    const unsigned char *at = static_cast<const unsigned char *>(data);
    while (out->error == 0 && size > 0) {
        size_t room = sizeof out->buffer - out->used;
        size_t piece = size < room ? size : room;
        memcpy(out->buffer + out->used, at, piece);
        out->used += piece;
        at += piece;
        size -= piece;
        if (out->used == sizeof out->buffer) {
            out->error = WriteToFile(out->file, out->buffer, out->used);
            out->used = 0;
        }
    }
    return out->error;
}

int TarWriteHeader(TarOutput *out, const char *name, int64_t size, int64_t mtime, unsigned mode) {
    if (TarNameProblem(name) != nullptr || size < 0 || size > MaxMemberSize || mtime < 0 ||
        mtime > MaxMemberSize)
        return InvalidArgumentError;
    unsigned char block[TAR_BLOCK];
    memset(block, 0, sizeof block);
    memcpy(block + NAME_AT, name, strlen(name));
    WriteOctal(block + MODE_AT, NUMBER_LEN, mode & 07777);
    WriteOctal(block + UID_AT, NUMBER_LEN, 0);
    WriteOctal(block + GID_AT, NUMBER_LEN, 0);
    WriteOctal(block + SIZE_AT, LONG_NUMBER_LEN, size);
    WriteOctal(block + MTIME_AT, LONG_NUMBER_LEN, mtime);
    block[TYPE_AT] = '0';
    memcpy(block + MAGIC_AT,
           "ustar\0"
           "00",
           8);
    memset(block + CHECKSUM_AT, ' ', NUMBER_LEN);
    unsigned sum = 0;
    for (unsigned char byte : block)
        sum += byte;
    // Six digits, a zero and a blank, as tar itself writes it.
    char text[NUMBER_LEN + 1];
    snprintf(text, sizeof text, "%06o", sum & 0777777u);
    memcpy(block + CHECKSUM_AT, text, 6);
    block[CHECKSUM_AT + 6] = '\0';
    block[CHECKSUM_AT + 7] = ' ';
    return Put(out, block, sizeof block);
}

int TarWriteData(TarOutput *out, const void *data, int64_t size) {
    static const unsigned char zeros[TAR_BLOCK] = {0};
    size_t length = static_cast<size_t>(size);
    int error = Put(out, data, length);
    size_t pad = static_cast<size_t>(PaddedSize(size) - size);
    return error != 0 || pad == 0 ? error : Put(out, zeros, pad);
}

int TarCopyMember(TarOutput *out, const TarMember *member) {
    size_t length = TAR_BLOCK + static_cast<size_t>(PaddedSize(member->size));
    return Put(out, member->header, length);
}

int TarWriteEnd(TarOutput *out) {
    static const unsigned char zeros[2 * TAR_BLOCK] = {0};
    if (Put(out, zeros, sizeof zeros) == 0 && out->used > 0)
        out->error = WriteToFile(out->file, out->buffer, out->used);
    out->used = 0;
    return out->error;
}
