// The benchmark's resource utility: "bench-utility ARCHIVE NAME... /ENCODE".
// It only checks that each named file is there, so that the benchmark measures
// the wizard rather than an archiver, and appends "<names> <found>" to
// utility.log in the current directory.
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

int main(int argc, char **argv) {
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
