// The benchmarks' resource utility: "bench-utility ARCHIVE NAME... /ENCODE".
// It only checks that each named file is there, so that the benchmark measures
// the wizard rather than an archiver, and appends "<names> <found>" to
// utility.log in the current directory. With BENCH_LIST_FILES=N, /WORK makes N
// files and an "update.lst" naming them, and /DUMP N more and an "update.dmp".
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

static int FilesAndList(const char *list, const char *head, const char *prefix, int count) {
    FILE *out = fopen(list, "wb");
    if (out == nullptr)
        return 1;
    fprintf(out, "%s\r\n", head);
    for (int i = 0; i < count; i++) {
        char name[32];
        snprintf(name, sizeof name, "%s%06d.dat", prefix, i);
        FILE *file = fopen(name, "wb");
        if (file == nullptr || fclose(file) != 0)
            break;
        fprintf(out, "%s=%s,100\r\n", strcmp(prefix, "add") == 0 ? "FILE" : "ENTRY", name);
    }
    return fclose(out) == 0 ? 0 : 1;
}

int main(int argc, char **argv) {
    const char *lists = getenv("BENCH_LIST_FILES");
    const char *verb = argv[argc - 1];
    if (lists != nullptr && strcmp(verb, "/WORK") == 0)
        return FilesAndList("update.lst", "[ADD]", "add", atoi(lists));
    if (lists != nullptr && strcmp(verb, "/DUMP") == 0)
        return FilesAndList("update.dmp", "[PFF]", "old", atoi(lists));
    int names = 0, found = 0;
    for (int i = 2; i < argc; i++) {
        if (strcmp(argv[i], "/ENCODE") == 0)
            continue;
        struct stat info;
        names++;
        if (stat(argv[i], &info) == 0)
            found++;
    }
    FILE *log = fopen("utility.log", "ab");
    if (log == nullptr)
        return 1;
    fprintf(log, "%d %d\n", names, found);
    return fclose(log) == 0 ? 0 : 1;
}
