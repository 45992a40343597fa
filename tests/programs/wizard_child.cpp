// A child program for the process tests:
//   wizard_child CODE [ITEM...]
// prints every ITEM as "[ITEM]" on a line of its own on standard output and
// exits with CODE (decimal, or hexadecimal with 0x; any 32-bit value). Items
// that start with these do something else instead:
//   --stderr=TEXT   TEXT on standard error
//   --create=NAME   creates the empty file NAME
//   --sleep=MS      sleeps MS milliseconds
//   --abort         ends at once with abort()
#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <thread>

static int StartsWith(const char *text, const char *prefix) {
    return strncmp(text, prefix, strlen(prefix)) == 0;
}

static void Perform(const char *item) {
    if (StartsWith(item, "--stderr=")) {
        fprintf(stderr, "%s\n", item + strlen("--stderr="));
    } else if (StartsWith(item, "--create=")) {
        FILE *file = fopen(item + strlen("--create="), "wb");
        if (file != nullptr)
            fclose(file);
    } else if (StartsWith(item, "--sleep=")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(atoi(item + strlen("--sleep="))));
    } else if (strcmp(item, "--abort") == 0) {
        fflush(stdout);
        abort();
    } else {
        printf("[%s]\n", item);
    }
}

int main(int argc, char **argv) {
    if (argc < 2)
        return 100;
    for (int i = 2; i < argc; i++)
        Perform(argv[i]);
    fflush(stdout);
    return (int)(unsigned)strtoul(argv[1], nullptr, 0);
}
