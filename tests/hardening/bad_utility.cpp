// A resource utility that misbehaves, chosen by WIZARD_BAD_MODE:
//   crash   aborts on every call
//   exit    exits with 9 and writes nothing
//   flood   writes WIZARD_BAD_MB megabytes of text to standard output, exits 0
//   many    /WORK: writes WIZARD_BAD_COUNT files and an "update.lst" naming them;
//           /DUMP: WIZARD_BAD_LEFTOVERS files (default: the same count) and an
//           "update.dmp" naming them;
//           /ENCODE: appends the number of names it was given to "encode.log"
// Every call first appends its verb to "calls.log".
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

static const char *Setting(const char *name) {
    const char *value = getenv(name);
    return value != nullptr && value[0] != '\0' ? value : "";
}

static int AppendLine(const char *name, const std::string &line) {
    FILE *file = fopen(name, "ab");
    if (file == nullptr)
        return 0;
    fprintf(file, "%s\n", line.c_str());
    return fclose(file) == 0;
}

static int WriteText(const char *name, const std::string &text) {
    FILE *file = fopen(name, "wb");
    if (file == nullptr)
        return 0;
    size_t written = fwrite(text.data(), 1, text.size(), file);
    return fclose(file) == 0 && written == text.size();
}

// count files named <prefix>NNNNN.dat and a list of them under section and key.
static int WriteFilesAndList(const char *listName, const char *section, const char *key,
                             const char *prefix, int count) {
    std::string list = std::string("[") + section + "]\r\n";
    for (int i = 0; i < count; i++) {
        char name[64];
        snprintf(name, sizeof name, "%s%05d.dat", prefix, i);
        if (!WriteText(name, name))
            return 0;
        list += std::string(key) + "=" + name + ",100\r\n";
    }
    return WriteText(listName, list);
}

static int Flood(int megabytes) {
    static char block[1 << 16];
    memset(block, 'x', sizeof block);
    for (size_t i = 63; i < sizeof block; i += 64)
        block[i] = '\n';
    for (int i = 0; i < megabytes * 16; i++)
        if (fwrite(block, 1, sizeof block, stdout) != sizeof block)
            return 1;
    return 0;
}

int main(int argc, char **argv) {
    const char *verb = argc > 1 ? argv[argc - 1] : "";
    if (!AppendLine("calls.log", verb))
        return 101;
    std::string mode = Setting("WIZARD_BAD_MODE");
    if (mode == "crash")
        abort();
    if (mode == "exit")
        return 9;
    if (mode == "flood")
        return Flood(atoi(Setting("WIZARD_BAD_MB")));
    if (mode == "many") {
        int count = atoi(Setting("WIZARD_BAD_COUNT"));
        if (strcmp(verb, "/WORK") == 0)
            return WriteFilesAndList("update.lst", "ADD", "FILE", "add", count) ? 0 : 101;
        const char *leftovers = Setting("WIZARD_BAD_LEFTOVERS");
        int oldCount = leftovers[0] != '\0' ? atoi(leftovers) : count;
        if (strcmp(verb, "/DUMP") == 0)
            return WriteFilesAndList("update.dmp", "PFF", "ENTRY", "old", oldCount) ? 0 : 101;
        if (strcmp(verb, "/ENCODE") == 0)
            return AppendLine("encode.log", std::to_string(argc - 3)) ? 0 : 101;
    }
    return 0;
}
