// A stand-in for the resource utility and for EXECUTE programs in tests. What
// it does is set by its environment, so one binary serves every test. A variable
// that is empty counts as unset (Windows cannot keep an empty one).
//   WIZARD_TEST_LOG     appends its arguments, joined with single blanks, as one line
//   WIZARD_TEST_CWD     appends "cwd <current directory>" after that line
//   WIZARD_TEST_LST     a file moved to "update.lst" in the current directory
//   WIZARD_TEST_DMP     a file moved to "update.dmp" in the current directory
//                       (moved, not copied: each list is handed out by one call only)
//   WIZARD_TEST_HIDE    a file renamed to the same name with ".hidden" appended,
//                       so that a later start of that program fails
//   WIZARD_TEST_STDOUT  a text written to standard output
//   WIZARD_TEST_EXIT    the exit code (default 0)
// A failure of its own (a file that cannot be written) exits with 101.
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

enum { OWN_FAILURE = 101 };

static const char *Setting(const char *name) {
    const char *value = getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

static int AppendLog(const char *logName, int argc, char **argv) {
    FILE *log = fopen(logName, "ab");
    if (log == nullptr)
        return 0;
    for (int i = 0; i < argc; i++)
        fprintf(log, "%s%s", i > 0 ? " " : "", argv[i]);
    fputc('\n', log);
    if (Setting("WIZARD_TEST_CWD") != nullptr) {
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

// Copies, then removes the source; a source that is already gone is no error.
static int HandOut(const char *from, const char *to) {
    FILE *probe = fopen(from, "rb");
    if (probe == nullptr)
        return 1;
    fclose(probe);
    return CopyWhole(from, to) && remove(from) == 0;
}

static int Hide(const char *name) {
    std::string hidden = std::string(name) + ".hidden";
    return rename(name, hidden.c_str()) == 0;
}

int main(int argc, char **argv) {
    const char *log = Setting("WIZARD_TEST_LOG");
    if (log != nullptr && !AppendLog(log, argc, argv))
        return OWN_FAILURE;
    const char *list = Setting("WIZARD_TEST_LST");
    if (list != nullptr && !HandOut(list, "update.lst"))
        return OWN_FAILURE;
    const char *dump = Setting("WIZARD_TEST_DMP");
    if (dump != nullptr && !HandOut(dump, "update.dmp"))
        return OWN_FAILURE;
    const char *hide = Setting("WIZARD_TEST_HIDE");
    if (hide != nullptr && !Hide(hide))
        return OWN_FAILURE;
    const char *text = Setting("WIZARD_TEST_STDOUT");
    if (text != nullptr)
        fputs(text, stdout);
    const char *exitCode = Setting("WIZARD_TEST_EXIT");
    return exitCode != nullptr ? atoi(exitCode) : 0;
}
