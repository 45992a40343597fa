// Every operation of whole updates that changes the disk or starts a program,
// the resource utility's too (the wizard and restool run with the tests' seam
// and count one sequence): each made to fail with every kind of error, the
// processes ended there, the power cut there (the data and the names not yet
// made durable lost, or the data alone). After a failure every file and
// archive member is as before the update or as after it, and every warning is
// one of the wizard's; run again, an interrupted update leaves what one
// uninterrupted run leaves, and nothing of the wizard's own. Over the sample
// update, and natively one with two batches to add, updates that update-make
// wrote, and one whose file lies on another file system.
#include "support.h"
#include "update/child.h"

#include <sys/stat.h>

#include <functional>
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

struct Outcome {
    int32_t status = -1;
    std::vector<std::string> warnings;
    int operations = 0;
    int completed = 0;
};

// Under Wine a new process now and then dies before it runs, and its start
// fails with ERROR_INTERNAL_ERROR: not the update's doing, so a run that met
// one is made again.
const int SpuriousStart = 1359;
const int Tries = 3;

bool MetSpuriousStart(const std::vector<std::string> &warnings) {
    for (const std::string &warning : warnings)
        if (warning.rfind("Could not create process (", 0) == 0 &&
            warning.find("[" + std::to_string(SpuriousStart) + "]") != std::string::npos) {
            fprintf(stderr, "note: %s (a spurious start); the run is made again\n",
                    warning.c_str());
            return true;
        }
    return false;
}

// fault_wizard in product with the plan fault ("" for none), its plan kept in
// a fresh directory beside it.
Outcome RunWizard(const fs::path &product, const std::string &fault) {
    const fs::path plan = fs::absolute(product).parent_path() / "plan";
    fs::remove_all(plan);
    fs::create_directories(plan);
    SetEnv("WIZARD_FAULT", fault);
    SetEnv("WIZARD_FAULT_DIR", plan.string());
    const fs::path home = fs::current_path();
    fs::current_path(product);
    Outcome run;
    std::string line = "\"" + (StartDir() / FAULT_WIZARD_PATH).string() + "\"";
    int started = -1;
    for (int i = 0; i < Tries && started != 0 && (i == 0 || run.status == SpuriousStart); i++)
        started = RunEntryCommand(line.c_str(), &run.status, "../run.out");
    EXPECT_EQ(started, 0);
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
    SetEnv("WIZARD_FAULT_DIR", "");
    return run;
}

// The warnings a failure may bring: the texts of the wizard, and the command
// line of a utility that did not start.
bool Explained(const std::vector<std::string> &warnings, const fs::path &product) {
    static const char *const Texts[] = {"An error occured during file open (",
                                        "An error occured during file copy(",
                                        "An error occured during decompression of file (",
                                        "Could not create process (",
                                        "Could not write file (",
                                        "Process ended with an error (",
                                        "Warning.  Could not open"};
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

// The names only the wizard makes: none is left once an update has run to its end.
bool HasWizardFiles(const Tree &tree, bool temporaryOnly) {
    for (const auto &entry : tree) {
        std::string name = fs::path(entry.first).filename().string();
        for (const char *own : {"WIZ", ".wizcopy", "!wizard", "!tmpexec"})
            if (name.rfind(own, 0) == 0 && (!temporaryOnly || own[0] != '!'))
                return true;
    }
    return false;
}

class Sweep : public ScratchTest {
  protected:
    // The update in the directory update, and what each run needs besides a
    // fresh copy of it: a file on another file system that it links to.
    fs::path update = "update";
    std::function<void()> fresh = [] {};

    void CopyFresh(const fs::path &to) {
        fs::remove_all(to);
        CopyTree(update, to);
        fresh();
    }

    // The utility of the update, as the sweep runs it: restool with the tests' seam.
    void UseFaultUtility() {
        fs::remove(update / "restool.exe");
        fs::copy_file(FAULT_RESTOOL_PATH, update / "restool.exe");
    }

    // The update in product run with the plan fault, from a fresh copy or, with
    // again, on what the last run left, as a user runs it again. A run that met
    // a spurious start is made again the same way.
    Outcome Run(const fs::path &product, const std::string &fault, bool again = false) {
        Outcome run;
        for (int i = 0; i < Tries && (i == 0 || MetSpuriousStart(run.warnings)); i++) {
            if (!again)
                CopyFresh(product);
            run = RunWizard(product, fault);
        }
        return run;
    }

    // Every point of the update with every error, stop and cut.
    void SweepAll() {
        UseFaultUtility();
        fresh();
        const Tree before = Look(update);
        Outcome whole = Run("whole", "");
        ASSERT_EQ(whole.completed, 1);
        ASSERT_TRUE(whole.warnings.empty()) << whole.warnings[0];
        const Tree after = Look("whole");
        ASSERT_FALSE(HasWizardFiles(after, false));
        int points = 0;
        for (int n = 1; n <= whole.operations && failures < 5; n++) {
            for (int error : Errors)
                Fail(n, error, before, after);
            for (const char *stop : {"end", "cut", "tear"})
                Interrupt(stop + (" " + std::to_string(n)), after);
            points += std::size(Errors) + 3;
        }
        printf("%d operations, each failed %zu ways, ended, cut and torn: %d interrupted "
               "updates, %s\n",
               whole.operations, std::size(Errors), points,
               failures == 0 ? "every one converged" : "some did not converge");
    }

    // Each file as before or as after, no temporary file left, and the warnings
    // of the texts the wizard has; run again, what one uninterrupted run gives:
    // nothing the update needs was lost.
    void Fail(int n, int error, const Tree &before, const Tree &after) {
        Outcome run = Run("run", "fail " + std::to_string(n) + " " + std::to_string(error));
        Tree now = Look("run");
        bool ok = run.status == 0 && Explained(run.warnings, "run") && !HasWizardFiles(now, true);
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
        // A time stamp fails silently, and a member encoded with the wrong time
        // is not encoded again: times may stay as the failure left them. A
        // failure that did not keep the run from its end needs no second run.
        if (!Same(now, after, true) || HasWizardFiles(now, false)) {
            Outcome again = Run("run", "", true);
            now = Look("run");
            ok &= again.completed == 1;
        }
        ok &= Same(now, after, true) && !HasWizardFiles(now, false);
        if (!ok)
            Failed("fail " + std::to_string(n) + " " + std::to_string(error), now, after, run);
    }

    // Stopped at n, then run again to its end: what one uninterrupted run gives.
    // A stop after the last change needs no second run, which would find no update.
    void Interrupt(const std::string &fault, const Tree &after) {
        Outcome first = Run("run", fault);
        Tree now = Look("run");
        Outcome second;
        second.completed = 1;
        if (!Same(now, after) || HasWizardFiles(now, false)) {
            second = Run("run", "", true);
            now = Look("run");
        }
        if (first.completed || second.completed != 1 || !Same(now, after) ||
            HasWizardFiles(now, false))
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
    if (made != nullptr) {
        // Made for the sweep alone: its utility is replaced in place.
        update = made;
    } else {
        std::string make = "\"" SOURCE_DIR "/scripts/make-example\" update \"" BUILD_DIR "\"";
        ASSERT_EQ(system((make + " >/dev/null").c_str()), 0);
    }
    SweepAll();
}

#ifndef _WIN32
// The sample update with 100 more new resources: two batches to add.
TEST_F(Sweep, TwoBatches) {
    std::string make = "\"" SOURCE_DIR "/scripts/make-example\" update \"" BUILD_DIR "\"";
    ASSERT_EQ(system((make + " >/dev/null").c_str()), 0);
    std::string names;
    for (int i = 0; i < 100; i++) {
        std::string name = "more" + std::to_string(i) + ".txt";
        WriteFile("update/" + name, name);
        names += " " + name;
    }
    ASSERT_EQ(Shell("cd update && ./restool.exe patch.src" + names + " /ENCODE"), 0)
        << ReadFile("out.txt");
    for (int i = 0; i < 100; i++)
        fs::remove("update/more" + std::to_string(i) + ".txt");
    SweepAll();
}

// Updates that update-make wrote, copied into their old trees: subdirectories,
// removals, archive members and their cleanup list, a file whose expansion
// takes several writes.
TEST_F(Sweep, MadeUpdates) {
    for (int pair : {3, 8}) {
        SCOPED_TRACE("pair " + std::to_string(pair));
        fs::path base = dir / ("pair" + std::to_string(pair));
        MakePair(pair, base / "old", base / "new");
        WriteFile((base / "new" / "big.txt").string(), Repeat("a line of the large file\n", 9000));
        // The manifest expects the utility that the sweep runs.
        for (const char *tree : {"old", "new"})
            fs::copy_file(FAULT_RESTOOL_PATH, base / tree / "restool.exe",
                          fs::copy_options::overwrite_existing);
        ASSERT_EQ(Shell(UPDATE_MAKE_PATH " --archive data.res --utility restool.exe " +
                        Quoted(base / "old") + " " + Quoted(base / "new") + " " +
                        Quoted(base / "out")),
                  0)
            << ReadFile("out.txt");
        fs::remove_all(update);
        CopyTree(base / "old", update);
        CopyTree(base / "out", update);
        SweepAll();
    }
}

// A file of the update reached through a link to another file system: it
// crosses through a twin beside its target.
TEST_F(Sweep, AcrossFileSystems) {
    const fs::path side = fs::path(BUILD_DIR) / ("sweep-side-" + std::to_string(getpid()));
    struct stat here, there;
    fs::create_directories(side);
    if (stat(".", &here) != 0 || stat(side.c_str(), &there) != 0 || here.st_dev == there.st_dev) {
        fs::remove_all(side);
        GTEST_SKIP() << "no second file system beside " << dir;
    }
    std::string make = "\"" SOURCE_DIR "/scripts/make-example\" update \"" BUILD_DIR "\"";
    ASSERT_EQ(system((make + " >/dev/null").c_str()), 0);
    const std::string readme = ReadFile("update/readme.txt");
    fs::remove("update/readme.txt");
    fs::create_symlink(side / "readme.txt", "update/readme.txt");
    fresh = [&] {
        fs::remove_all(side);
        fs::create_directories(side);
        WriteFile((side / "readme.txt").string(), readme);
    };
    SweepAll();
    fs::remove_all(side);
}
#endif

} // namespace
