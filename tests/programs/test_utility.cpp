// A stand-in for the resource utility and for EXECUTE programs in tests. What
// it does is set by its environment, so one binary serves every test:
//   WIZARD_TEST_LOG     appends its arguments, joined with single blanks, as one line
//   WIZARD_TEST_CWD     when set, appends "cwd <current directory>" after that line
//   WIZARD_TEST_LST     a file copied to "update.lst" in the current directory
//   WIZARD_TEST_DMP     a file copied to "update.dmp" in the current directory
//   WIZARD_TEST_STDOUT  a text written to standard output
//   WIZARD_TEST_EXIT    the exit code (default 0)
// A failure of its own (a file that cannot be written) exits with 101.
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

enum { OWN_FAILURE = 101 };

static int AppendLog(const char *logName, int argc, char **argv) {
    FILE *log = fopen(logName, "ab");
    if (log == nullptr)
        return 0;
    for (int i = 0; i < argc; i++)
        fprintf(log, "%s%s", i > 0 ? " " : "", argv[i]);
    fputc('\n', log);
    if (getenv("WIZARD_TEST_CWD") != nullptr) {
        std::error_code error;
        std::string cwd = std::filesystem::current_path(error).string();
        fprintf(log, "cwd %s\n", cwd.c_str());
    }
    int ok = ferror(log) == 0;
    return fclose(log) == 0 && ok;
}

static int CopyWhole(const char *from, const char *to) {
    FILE *in = fopen(from, "rb");
    if (in == nullptr)
        return 0;
    FILE *out = fopen(to, "wb");
    if (out == nullptr) {
        fclose(in);
        return 0;
    }
    char buffer[4096];
    size_t got;
    int ok = 1;
    while ((got = fread(buffer, 1, sizeof buffer, in)) > 0)
        if (fwrite(buffer, 1, got, out) != got)
            ok = 0;
    if (ferror(in))
        ok = 0;
    if (fclose(out) != 0)
        ok = 0;
    fclose(in);
    return ok;
}

int main(int argc, char **argv) {
    const char *log = getenv("WIZARD_TEST_LOG");
    if (log != nullptr && !AppendLog(log, argc, argv))
        return OWN_FAILURE;
    const char *list = getenv("WIZARD_TEST_LST");
    if (list != nullptr && !CopyWhole(list, "update.lst"))
        return OWN_FAILURE;
    const char *dump = getenv("WIZARD_TEST_DMP");
    if (dump != nullptr && !CopyWhole(dump, "update.dmp"))
        return OWN_FAILURE;
    const char *text = getenv("WIZARD_TEST_STDOUT");
    if (text != nullptr)
        fputs(text, stdout);
    const char *exitCode = getenv("WIZARD_TEST_EXIT");
    return exitCode != nullptr ? atoi(exitCode) : 0;
}
