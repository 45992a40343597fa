// A POSIX child for the process tests: reports every descriptor above the
// standard ones that refers to the same file as its standard output, i.e. a
// capture file descriptor that leaked into the child beyond its standard output.
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

int main() {
    struct stat out;
    if (fstat(STDOUT_FILENO, &out) != 0)
        return 1;
    long highest = sysconf(_SC_OPEN_MAX);
    if (highest < 0 || highest > 65536)
        highest = 65536;
    for (int fd = STDERR_FILENO + 1; fd < highest; fd++) {
        struct stat info;
        if (fstat(fd, &info) == 0 && info.st_dev == out.st_dev && info.st_ino == out.st_ino)
            printf("leak %d\n", fd);
    }
    printf("done\n");
    return 0;
}
