// Every operation of a whole update that changes the disk or starts a program,
// one at a time (the wizard run as fault_wizard, steered through its seam): made
// to fail with a full disk, a held file and access denied, the process ended
// there, the power cut there. After a failure every file of the product is as
// before the update or as after it; an ended or cut run, run again, leaves the
// directory as one uninterrupted run leaves it. Over the sample update, and
// natively one with two batches to add.
#include "support.h"
#include "sys/process.h"

#include <sstream>

namespace {

// When the sweep began: a file written after it was written by a run, whose
// time is the clock's, and only its content is compared.
const int64_t Began = (int64_t)time(nullptr);

// Equal, but for the times of files that both runs wrote; with contentOnly, no
// times or modes at all, and archives by their members.
bool Same(const Tree &a, const Tree &b, bool contentOnly = false) {
    if (a.size() != b.size())
        return false;
    for (auto entry = a.begin(); entry != a.end(); ++entry) {
        const FileState &state = entry->second;
        auto other = b.find(entry->first);
        if (other == b.end())
            return false;
        if (contentOnly && IsArchive(a, entry))
            continue;
        bool timed =
            other->second.time != state.time && (state.time < Began || other->second.time < Began);
        if (other->second.content != state.content ||
            (!contentOnly && (other->second.mode != state.mode || timed)))
            return false;
    }
    return true;
}

void CopyFresh(const fs::path &from, const fs::path &to) {
    fs::remove_all(to);
    CopyTree(from, to);
}

struct Outcome {
    int32_t status = -1;
    std::vector<std::string> warnings;
    int operations = 0;
    int completed = 0;
};

// fault_wizard in product with the plan fault ("" for none).
Outcome RunWizard(const fs::path &product, const std::string &fault) {
    SetEnv("WIZARD_FAULT", fault);
    const fs::path home = fs::current_path();
    fs::current_path(product);
    Outcome run;
    std::string line = "\"" + (StartDir() / FAULT_WIZARD_PATH).string() + "\"";
    EXPECT_EQ(RunEntryCommand(line.c_str(), 1, &run.status, "../run.out"), 0);
    fs::current_path(home);
    std::istringstream out(WithoutCr(ReadFile((product / ".." / "run.out").string())));
    for (std::string word; out >> word;) {
        std::string rest;
        std::getline(out, rest);
        if (word == "warning")
            run.warnings.push_back(rest.substr(1));
        else if (word == "operations")
            run.operations = std::stoi(rest);
        else if (word == "completed")
            run.completed = std::stoi(rest);
    }
    SetEnv("WIZARD_FAULT", "");
    return run;
}

// The warnings a failure may bring: the texts of the wizard, and the command
// line of a utility that did not start.
bool Explained(const std::vector<std::string> &warnings, const fs::path &product) {
    static const char *const Texts[] = {
        "An error occured during file open (", "An error occured during file copy(",
        "An error occured during decompression of file (", "Could not create process ("};
    for (size_t i = 0; i < warnings.size(); i++) {
        bool known = false;
        for (const char *text : Texts)
            known |= warnings[i].rfind(text, 0) == 0;
        known |= i > 0 && warnings[i - 1].rfind("Could not create process (update.", 0) == 0 &&
                 warnings[i].rfind(fs::canonical(product).string(), 0) == 0;
        if (!known)
            return false;
    }
    return true;
}

#ifdef _WIN32
const int Errors[] = {ERROR_DISK_FULL, ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED};
#else
const int Errors[] = {ENOSPC, EBUSY, EACCES};
#endif
// The wizard's own temporary files, never left by a failure (a capture file
// may be: the next run removes it).
const char *const Temporary[] = {"WIZ", ".wizcopy"};

class Sweep : public ScratchTest {
  protected:
    // Every point of the update in the template, with the kinds of this platform;
    // with rotate, one error a point, in turn.
    void SweepAll(const fs::path &update, bool rotate = false) {
        const Tree before = Look(update);
        CopyFresh(update, "whole");
        Outcome whole = RunWizard("whole", "");
        ASSERT_EQ(whole.completed, 1);
        ASSERT_TRUE(whole.warnings.empty()) << whole.warnings[0];
        const Tree after = Look("whole");
        printf("%d operations\n", whole.operations);
        for (int n = 1; n <= whole.operations && failures < 5; n++) {
            for (int error : Errors)
                if (!rotate || error == Errors[n % 3])
                    Fail(update, n, error, before, after);
            Interrupt(update, "cut " + std::to_string(n), after);
            Interrupt(update, "end " + std::to_string(n), after);
        }
    }

    // Each file as before or as after, no temporary file left, and the warnings
    // of the texts the wizard has; run again, what one uninterrupted run gives:
    // nothing the update needs was lost.
    void Fail(const fs::path &update, int n, int error, const Tree &before, const Tree &after) {
        CopyFresh(update, "run");
        Outcome run = RunWizard("run", "fail " + std::to_string(n) + " " + std::to_string(error));
        Tree now = Look("run");
        bool ok = run.status == 0 && Explained(run.warnings, "run");
        for (const Tree *side : {&before, &after})
            for (const auto &entry : *side) {
                // An archive is judged member by member.
                if (IsArchive(*side, side->find(entry.first)))
                    continue;
                auto found = now.find(entry.first);
                auto was = before.find(entry.first), will = after.find(entry.first);
                bool missing = found == now.end();
                ok &=
                    missing
                        ? (was == before.end() || will == after.end())
                        : ((was != before.end() && found->second.content == was->second.content) ||
                           (will != after.end() && found->second.content == will->second.content));
            }
        for (const auto &entry : now)
            for (const char *temporary : Temporary)
                ok &= entry.first.rfind(temporary, 0) != 0;
        // A time stamp fails silently, and a member encoded with the wrong time
        // is not encoded again: times may stay as the failure left them.
        Outcome again = RunWizard("run", "");
        ok &= again.completed == 1 && Same(Look("run"), after, true);
        if (!ok)
            Failed("fail " + std::to_string(n) + " " + std::to_string(error), now, after, run);
    }

    // Ended at n, then run again to its end: what one uninterrupted run gives.
    void Interrupt(const fs::path &update, const std::string &fault, const Tree &after) {
        CopyFresh(update, "run");
        Outcome first = RunWizard("run", fault);
        Outcome second = RunWizard("run", "");
        Tree now = Look("run");
        if (first.completed || second.completed != 1 || !Same(now, after))
            Failed(fault + ", run again", now, after, second);
    }

    void Failed(const std::string &what, const Tree &now, const Tree &after, const Outcome &run) {
        failures++;
        std::string names;
        for (const std::string &name : Differences(now, after))
            names += " " + name;
        ADD_FAILURE() << what << ": status " << run.status << ", "
                      << (run.warnings.empty() ? "no warning" : run.warnings[0])
                      << "; unlike an uninterrupted run:" << names;
    }

    int failures = 0;
};

TEST_F(Sweep, SampleUpdate) {
    const char *made = getenv("WIZARD_SAMPLE");
    fs::path sample = made != nullptr ? fs::path(made) : dir / "sample";
#ifndef _WIN32
    std::string make = "\"" SOURCE_DIR "/scripts/make-example\" \"" + sample.string() +
                       "\" \"" BUILD_DIR "\" >/dev/null";
    if (made == nullptr) {
        ASSERT_EQ(system(make.c_str()), 0);
    }
#endif
    SweepAll(sample);
}

#ifndef _WIN32
// The sample update with 100 more new resources: two batches to add. Its 200
// more points are mostly stamps and deletions of those files, so each meets one
// error in turn: a failed deletion costs the retry's wait.
TEST_F(Sweep, TwoBatches) {
    std::string make = "\"" SOURCE_DIR "/scripts/make-example\" sample \"" BUILD_DIR "\"" +
                       std::string(" >/dev/null");
    ASSERT_EQ(system(make.c_str()), 0);
    fs::current_path("sample");
    std::string line = "\"" + fs::absolute("restool.exe").string() + "\" patch.src";
    for (int i = 0; i < 100; i++) {
        std::string name = "more" + std::to_string(i) + ".txt";
        WriteFile(name, name);
        line += " " + name;
    }
    int32_t status = -1;
    ASSERT_EQ(RunEntryCommand((line + " /ENCODE").c_str(), 1, &status, "../out.txt"), 0);
    ASSERT_EQ(status, 0);
    for (int i = 0; i < 100; i++)
        fs::remove("more" + std::to_string(i) + ".txt");
    fs::current_path(dir);
    SweepAll(dir / "sample", true);
}
#endif

} // namespace
