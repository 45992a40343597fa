// The tests' seam, steered by the environment:
//   WIZARD_FAULT      "fail N CODE": the Nth operation (1 for the first) fails
//                     with error CODE; "end N": the process ends at once
//                     instead of the Nth operation, as the task manager or a
//                     crash would end it; "cut N": a power cut instead of it,
//                     which loses every file's data written since the last
//                     flush and every name created, renamed or deleted since
//                     the last sync, as a file system without its journal
//                     would; "tear N": a power cut that loses the data but
//                     keeps the names, as a file system may do as well;
//                     "list": every operation carried out and printed on
//                     standard error, to find the one that a failure names.
//                     Unset or empty, every operation is carried out and
//                     counted.
//   WIZARD_FAULT_DIR  a directory for what the plan keeps across processes,
//                     so that the wizard and the resource utility it runs
//                     count one sequence of operations, and a stop inside
//                     either stops both: the count, the journal of what a
//                     power cut undoes, the copies that undoing needs.
#include "sys/fault.h"
#include "sys/fault_plan.h"
#include "sys/platform.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

enum {
    ENDED_CODE = 86, // the exit code of a process that the plan ended
    CUT_CODE = 87,
    NAME_SIZE = 4096 + 64,
    COPY_SIZE = 1 << 16
};

static int Loaded;
static char Kind[16];
static int At;
static int Code;
static int Count; // without a directory
static std::string Directory;

static void LoadPlan() {
    Loaded = 1;
    const char *plan = getenv("WIZARD_FAULT");
    int fields = plan != nullptr ? sscanf(plan, "%15s %d %d", Kind, &At, &Code) : 0;
    if (fields < 2 && !(fields == 1 && strcmp(Kind, "list") == 0))
        Kind[0] = '\0';
    const char *directory = getenv("WIZARD_FAULT_DIR");
    if (directory != nullptr && directory[0] != '\0')
        Directory = directory;
}

static std::string PlanFile(const char *name) {
    return Directory + "/" + name;
}

static int ReadNumber(const char *file) {
    FILE *in = fopen(PlanFile(file).c_str(), "rb");
    int number = 0;
    if (in != nullptr) {
        if (fscanf(in, "%d", &number) != 1)
            number = 0;
        fclose(in);
    }
    return number;
}

static void WriteNumber(const char *file, int number) {
    FILE *out = fopen(PlanFile(file).c_str(), "wb");
    if (out != nullptr) {
        fprintf(out, "%d\n", number);
        fclose(out);
    }
}

int FaultOperationCount() {
    if (!Loaded)
        LoadPlan();
    return Directory.empty() ? Count : ReadNumber("count");
}

// The name in full, so that every process of the run means the same file.
static std::string FullName(const char *name) {
    char here[NAME_SIZE];
    if (name == nullptr || name[0] == '/' || name[0] == '\\' ||
        (name[0] != '\0' && name[1] == ':') || ReadCurrentDirectory(here, sizeof here) != 0)
        return name != nullptr ? name : "";
    return std::string(here) + "/" + name;
}

static int CopyBytes(const std::string &from, const std::string &to) {
    static char buffer[COPY_SIZE];
    FILE *in = fopen(from.c_str(), "rb");
    FILE *out = in != nullptr ? fopen(to.c_str(), "wb") : nullptr;
    int ok = out != nullptr;
    for (size_t got = sizeof buffer; ok && got == sizeof buffer;) {
        got = fread(buffer, 1, sizeof buffer, in);
        ok = fwrite(buffer, 1, got, out) == got;
    }
    if (out != nullptr && fclose(out) != 0)
        ok = 0;
    if (in != nullptr)
        fclose(in);
    return ok;
}

// The file as it stands, content, mode and time, kept for the undoing: the
// copy's name, or "-" when there is no such file.
static std::string Keep(const std::string &name) {
    FileFacts facts;
    if (ReadFileFacts(name.c_str(), &facts) != 0 || !facts.regular)
        return "-";
    int number = ReadNumber("kept") + 1;
    WriteNumber("kept", number);
    std::string copy = PlanFile(("kept." + std::to_string(number)).c_str());
    if (!CopyBytes(name, copy))
        return "-";
    PlatformCarryIdentity(name.c_str(), copy.c_str());
    PlatformStamp(copy.c_str(), (int32_t)facts.mtime);
    return copy;
}

static void Bring(const std::string &copy, const std::string &name) {
    FileFacts facts;
    if (copy == "-" || ReadFileFacts(copy.c_str(), &facts) != 0)
        return;
    PlatformDelete(name.c_str());
    if (CopyBytes(copy, name)) {
        PlatformCarryIdentity(copy.c_str(), name.c_str());
        PlatformStamp(name.c_str(), (int32_t)facts.mtime);
    }
}

// One line of the journal: a letter, then names, each after a tab.
static void Note(const char *what, const std::string &first = "", const std::string &second = "",
                 const std::string &third = "") {
    FILE *out = fopen(PlanFile("journal").c_str(), "ab");
    if (out == nullptr)
        return;
    fprintf(out, "%s\t%s\t%s\t%s\n", what, first.c_str(), second.c_str(), third.c_str());
    fclose(out);
}

struct Step {
    std::string what, first, second, third;
};

static std::vector<Step> ReadJournal() {
    std::vector<Step> steps;
    FILE *in = fopen(PlanFile("journal").c_str(), "rb");
    static char line[4 * NAME_SIZE];
    while (in != nullptr && fgets(line, sizeof line, in) != nullptr) {
        Step step;
        std::string *fields[] = {&step.what, &step.first, &step.second, &step.third};
        char *at = line;
        for (std::string *field : fields) {
            size_t length = strcspn(at, "\t\n");
            field->assign(at, length);
            at += length + (at[length] == '\t');
        }
        steps.push_back(step);
    }
    if (in != nullptr)
        fclose(in);
    return steps;
}

// What a power cut leaves: the data written since the last flush is gone;
// with names, so is every name made, renamed or deleted since the last sync.
static void CutPower(int names) {
    std::vector<Step> steps = ReadJournal();
    std::vector<std::string> dirty;
    size_t synced = 0;
    for (size_t i = 0; i < steps.size(); i++) {
        const Step &s = steps[i];
        // A rename or a deletion takes the file that had the name with it.
        if (s.what == "R" || s.what == "X")
            for (size_t d = dirty.size(); d > 0; d--)
                if (dirty[d - 1] == (s.what == "R" ? s.second : s.first))
                    dirty.erase(dirty.begin() + (long)(d - 1));
        if (s.what == "D")
            dirty.push_back(s.first);
        else if (s.what == "F")
            dirty.clear();
        else if (s.what == "S")
            synced = i + 1;
        for (std::string &name : dirty)
            if (s.what == "R" && name == s.first)
                name = s.second;
    }
    for (const std::string &name : dirty) {
        FILE *file = fopen(name.c_str(), "rb");
        if (file == nullptr)
            continue;
        fclose(file);
        file = fopen(name.c_str(), "wb");
        if (file != nullptr)
            fclose(file);
    }
    for (size_t i = steps.size(); names && i > synced; i--) {
        const Step &s = steps[i - 1];
        if (s.what == "C")
            PlatformDelete(s.first.c_str());
        else if (s.what == "R" && PlatformRename(s.second.c_str(), s.first.c_str()) == 0)
            Bring(s.third, s.second);
        else if (s.what == "X")
            Bring(s.second, s.first);
    }
}

// Keeps account of what a power cut would undo, before the operation is done.
static void Follow(FaultOperation operation, const char *name, const char *other) {
    std::string full = FullName(name);
    if (operation == FAULT_CREATE) {
        FileFacts facts;
        int existed = ReadFileFacts(full.c_str(), &facts) == 0;
        // An emptied file keeps its name; a new one has a name to lose.
        if (!existed)
            Note("C", full);
        Note("D", full);
    } else if (operation == FAULT_FLUSH) {
        Note("F");
    } else if (operation == FAULT_SYNC) {
        Note("S");
    } else if (operation == FAULT_REPLACE) {
        std::string to = FullName(other);
        Note("R", full, to, Keep(to));
    } else if (operation == FAULT_DELETE) {
        Note("X", full, Keep(full));
    }
}

static void End(int code) {
    if (!Directory.empty())
        WriteNumber("ended", 1);
    _Exit(code);
}

int FaultBefore(FaultOperation operation, const char *name, const char *other) {
    if (!Loaded)
        LoadPlan();
    if (Directory.empty()) {
        Count++;
        return strcmp(Kind, "fail") == 0 && Count == At ? Code : 0;
    }
    // A stop inside another process of the run stops this one too.
    if (ReadNumber("ended"))
        _Exit(ENDED_CODE);
    int count = ReadNumber("count") + 1;
    WriteNumber("count", count);
    if (count == At && strcmp(Kind, "fail") == 0)
        return Code;
    if (count == At && strcmp(Kind, "end") == 0)
        End(ENDED_CODE);
    if (count == At && (strcmp(Kind, "cut") == 0 || strcmp(Kind, "tear") == 0)) {
        CutPower(strcmp(Kind, "cut") == 0);
        End(CUT_CODE);
    }
    if (strcmp(Kind, "list") == 0)
        fprintf(stderr, "%d %d %s %s\n", count, (int)operation, name != nullptr ? name : "",
                other != nullptr ? other : "");
    Follow(operation, name, other);
    return 0;
}
