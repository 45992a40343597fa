// An update program for the example tests that holds the wizard still at one
// known entry: it creates the file STARTED, then waits until the file RELEASE
// exists, and exits 0. Never waits longer than SECONDS (default 30), so a test
// that goes wrong cannot hang; then it exits 1.
//   wait_for_file STARTED RELEASE [SECONDS]
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <thread>

static int Exists(const char *name) {
    FILE *file = fopen(name, "rb");
    if (file == nullptr)
        return 0;
    fclose(file);
    return 1;
}

int main(int argc, char **argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: wait_for_file STARTED RELEASE [SECONDS]\n");
        return 2;
    }
    long seconds = argc > 3 ? strtol(argv[3], nullptr, 10) : 30;
    FILE *started = fopen(argv[1], "wb");
    if (started == nullptr)
        return 1;
    int written = fputs("started\n", started);
    if (fclose(started) != 0 || written < 0)
        return 1;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!Exists(argv[2])) {
        if (std::chrono::steady_clock::now() >= deadline)
            return 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}
