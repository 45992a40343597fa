// SZDD: the decoder over good and damaged streams, expansion in place and its
// failures, and independent expanders as oracles.
#include "state/wizard_state.h"
#include "support.h"
#include "sys/files.h"
#include "sys/szdd.h"
#include "ui/recording/recording.h"
#include "update/expansion.h"
#include "update/record.h"
#include "update/replacement.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

using namespace std::string_literals;

namespace {

std::string Header(char mode, uint32_t size) {
    std::string header = "SZDD\x88\xF0\x27\x33"s + mode + '\0';
    for (int i = 0; i < 4; i++)
        header += (char)(size >> (8 * i));
    return header;
}

std::string Declared(std::string stream, uint32_t size) {
    return stream.replace(0, 14, Header(stream[8], size));
}

// Text with repeats, runs of one byte and of short patterns, and noise: both
// literals and matches, overlapping ones too.
std::string Text(size_t size, uint32_t start = 7) {
    static const char *const words[] = {"update ", "file ", "the ", "\r\n", "archive "};
    std::string text;
    for (uint32_t state = start; text.size() < size;) {
        state = state * 1103515245u + 12345u;
        text += (state >> 16) % 50 == 0 ? std::string(3000, 'a') + std::string(5000, '\0')
                                        : words[(state >> 16) % 5];
    }
    return text.substr(0, size);
}

// The samples every expander must agree on: small enough for those that make a
// system call per byte, with sizes around the 4096-byte window.
std::vector<std::string> Samples() {
    std::vector<std::string> samples = {std::string(100, ' '), RandomBytes(4097, 2)};
    for (size_t size : {0, 1, 4080, 4096, 4097, 70000})
        samples.push_back(Text(size));
    return samples;
}

uint32_t DeclaredSize(const std::string &stream) {
    uint32_t declared = 0;
    for (size_t i = std::min<size_t>(stream.size(), 14); i > 10; i--)
        declared = declared << 8 | (unsigned char)stream[i - 1];
    return declared;
}

// The result of expanding in memory, with room for the declared size (up to
// 1 MB), and what came out.
int64_t Expand(const std::string &stream, std::string *out) {
    out->assign(std::min<uint32_t>(DeclaredSize(stream), 1 << 20), '\0');
    int64_t written = 0;
    int result = SzddExpandMemory(stream.data(), stream.size(), &(*out)[0], out->size(), &written);
    out->resize(result == 0 ? (size_t)written : 0);
    return result == 0 ? written : result;
}

TEST(Szdd, DecoderTable) {
    const std::string good = Szdd(Text(20000));
    const std::string literals = RandomBytes(4096, 9);
    std::string window = Header('A', 4096 + 3);
    for (size_t i = 0; i < literals.size(); i += 8)
        window += '\xFF' + literals.substr(i, 8);
    struct Decoded {
        std::string name, stream;
        int64_t result;
        std::string out;
    };
    std::vector<Decoded> rows = {
        // Literals, then 11 bytes from 4080, where the first literal went.
        {"a match", Header('A', 17) + "\77hello \360\370", 17, "hello hello hello"},
        {"an overlapping match", Header('A', 12) + "\3ab\360\367", 12, "abababababab"},
        {"a partial last group", Header('A', 3) + "\377abc", 3, "abc"},
        {"nothing", Header('A', 0), 0, ""},
        // The window starts as blanks, wherever a match points.
        {"matches at offset 0", Header('A', 6) + "\0\0\0\0\0"s, 6, std::string(6, ' ')},
        {"a match at the write position", Header('A', 3) + "\0\360\360"s, 3, "   "},
        {"the longest match", Header('A', 18) + "\0\20\17"s, 18, std::string(18, ' ')},
        // A source one window back is the byte the copy replaces, read first.
        {"one window back", window + "\0\360\360"s, 4099, literals + literals.substr(0, 3)},
        {"declared one more", Declared(good, 20001), LZERROR_READ, ""},
        {"declared one less", Declared(good, 19999), LZERROR_READ, ""},
        {"declared, no content", Header('A', 5), LZERROR_READ, ""},
        {"mode B", Header('B', 3) + "\377abc", LZERROR_UNKNOWNALG, ""},
        {"another magic", "SZDE" + good.substr(4), LZERROR_UNKNOWNALG, ""},
    };
    for (const std::string &sample : Samples())
        rows.push_back({"a sample of " + std::to_string(sample.size()) + " bytes", Szdd(sample),
                        (int64_t)sample.size(), sample});
    for (const Decoded &row : rows) {
        std::string out;
        EXPECT_EQ(Expand(row.stream, &out), row.result) << row.name;
        EXPECT_TRUE(out == row.out) << row.name;
    }
    std::vector<char> out(19999);
    int64_t written = 0;
    EXPECT_EQ(SzddExpandMemory(good.data(), good.size(), out.data(), out.size(), &written),
              LZERROR_WRITE)
        << "no room for the content";
}

// Every cut is an error. Every bit flipped in turn gives an error or exactly
// the declared size, never a byte beyond it though there is room, and never a
// crash (the sanitizer build runs it too).
TEST(Szdd, CutAndFlipSweeps) {
    const std::string packed = Szdd(Text(700, 11));
    std::string out;
    for (size_t cut = 0; cut < packed.size(); cut++)
        EXPECT_EQ(Expand(packed.substr(0, cut), &out), cut < 9 ? LZERROR_UNKNOWNALG : LZERROR_READ)
            << "cut at " << cut;
    for (size_t bit = 0; bit < packed.size() * 8; bit++) {
        std::string stream = packed;
        stream[bit / 8] ^= (char)(1 << bit % 8);
        const size_t declared = std::min<uint32_t>(DeclaredSize(stream), 1 << 20);
        out.assign(declared + 64, 'Z');
        int64_t written = -1;
        int result = SzddExpandMemory(stream.data(), stream.size(), &out[0], out.size(), &written);
        EXPECT_TRUE(result < 0 || (result == 0 && written == (int64_t)DeclaredSize(stream)))
            << "bit " << bit << ": result " << result << ", " << written << " bytes";
        EXPECT_EQ(out.substr(declared), std::string(64, 'Z')) << "bit " << bit;
    }
}

class Expansion : public ScratchTest {};

// warning: the start of the one warning, or none.
struct InPlace {
    const char *what;
    std::string bytes;
    int result;
    std::string warning;
};

// The named file is either expanded or left byte for byte; no temporary file
// is left behind either way. The large one takes several blocks of the decoder.
TEST_F(Expansion, InPlaceTable) {
    const std::string plain = Text(3 << 20) + RandomBytes(1 << 20, 5);
    const std::string packed = Szdd(plain, 'e');
    const std::string copyFailed = "An error occured during file copy(";
    std::vector<InPlace> rows = {
        {"compressed", packed, 1, ""},
        {"mode B", Header('B', 3) + "\377abc", 1, ""},
        {"mode a", packed.substr(0, 8) + "a" + packed.substr(9), 1, ""},
        {"magic only", packed.substr(0, 8), 1, ""},
        {"not compressed", "Hello, world. This is not compressed.", 1, ""},
        {"empty", "", 1, ""},
        {"magic and mode only", packed.substr(0, 9), 0, copyFailed + "-3)."},
        {"declared one more", Declared(packed, plain.size() + 1), 0, copyFailed + "-3)."},
        // A file of the name the expansion would take first is never overwritten.
        {"temporary name taken", packed, 1, ""},
        {"read-only", packed, 0, "The file (packed.ex_) is read-only and is not replaced"},
        {"linked", packed, 0, "The file (packed.ex_) has other links and is not replaced"},
    };
#ifndef _WIN32
    // A full disk: the decoder's writes into /dev/full fail, and its code says
    // so; a file size limit stops the temporary file's writes as a full disk would.
    WriteFile("packed.ex_", packed);
    FileHandle in, full;
    ASSERT_EQ(OpenToRead("packed.ex_", SHARE_ALL, &in), 0);
    ASSERT_EQ(CreateFileAnew("/dev/full", &full), 0);
    int64_t written = 0;
    EXPECT_EQ(SzddExpand(in, full, &written), LZERROR_WRITE);
    CloseFileHandle(in);
    CloseFileHandle(full);
    rows.push_back({"a full disk", packed, 0, copyFailed + "-4)."});
    signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending the process
#endif
    for (const InPlace &row : rows) {
        WriteFile("packed.ex_", row.bytes);
        if (row.what == "read-only"s)
            fs::permissions("packed.ex_", fs::perms::owner_read);
        if (row.what == "linked"s)
            fs::create_hard_link("packed.ex_", "other.ex_");
        char taken[32] = "";
        Wizard.RandomState = 1;
        if (row.what == "temporary name taken"s) {
            ASSERT_EQ(BeginRecord("update.txt"), 0);
            ASSERT_EQ(NextTemporaryName(taken, sizeof taken), 0);
            EXPECT_EQ(EndRecord(1), 0);
            WriteFile(taken, "a file of the product's");
            Wizard.RandomState = 1;
        }
        RecordingReset();
        ASSERT_EQ(BeginRecord("update.txt"), 0);
#ifndef _WIN32
        struct rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = row.what == "a full disk"s ? 64 << 10 : limit.rlim_max;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
#endif
        int expanded = ExpandIfCompressed("packed.ex_", nullptr);
#ifndef _WIN32
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_FSIZE, &limit);
#endif
        EXPECT_EQ(expanded && CommitReplacements(nullptr) == 0, row.result) << row.what;
        EXPECT_EQ(EndRecord(1), 0);
        std::vector<std::string> warnings = RecordedWith("warning ");
        EXPECT_EQ(warnings.size(), row.warning.empty() ? 0u : 1u) << row.what;
        EXPECT_EQ(warnings.empty() ? "" : warnings[0].substr(0, row.warning.size()), row.warning);
        const std::string &after = row.result == 1 && row.bytes == packed ? plain : row.bytes;
        EXPECT_TRUE(ReadFile("packed.ex_") == after) << row.what;
        fs::permissions("packed.ex_", fs::perms::owner_all);
        fs::remove("packed.ex_");
        fs::remove("other.ex_");
        if (taken[0] != '\0') {
            EXPECT_EQ(ReadFile(taken), "a file of the product's");
            fs::remove(taken);
        }
        for (const fs::directory_entry &entry : fs::directory_iterator("."))
            ADD_FAILURE() << row.what << " left " << entry.path();
    }
}

#ifdef _WIN32
// A compressed file that another program holds without sharing cannot even be
// read: that is a failure to report, not a file that is not compressed.
TEST_F(Expansion, HeldFile) {
    WriteFile("packed.ex_", Szdd(Text(5000)));
    FileHolder holder;
    ASSERT_TRUE(StartHolding(&holder, "packed.ex_"));
    RecordingReset();
    ASSERT_EQ(BeginRecord("update.txt"), 0);
    EXPECT_EQ(ExpandIfCompressed("packed.ex_", nullptr), 0);
    EXPECT_EQ(EndRecord(1), 0);
    StopHolding(&holder);
    EXPECT_EQ(RecordedWith("warning "),
              std::vector<std::string>{"Could not read file (packed.ex_)[32]."});
    EXPECT_EQ(ReadFile("packed.ex_"), Szdd(Text(5000)));
    RecordingReset();
}

#else
// msexpand expands ours; ours expands mscompress's, whose output is wrong for
// inputs under 16 bytes (its own msexpand fails them too).
TEST_F(Expansion, MsexpandAndMscompressAgree) {
    for (const std::string &sample : Samples()) {
        WriteFile("packed", Szdd(sample));
        ASSERT_EQ(system("msexpand < packed > msexpand.out"), 0);
        EXPECT_TRUE(ReadFile("msexpand.out") == sample) << sample.size();
        if (sample.size() < 16)
            continue;
        WriteFile("sample", sample);
        fs::remove("sample_");
        ASSERT_EQ(system("mscompress sample >/dev/null 2>&1"), 0);
        std::string out;
        EXPECT_EQ(Expand(ReadFile("sample_"), &out), (int64_t)sample.size());
        EXPECT_TRUE(out == sample) << sample.size();
    }
}
#endif

} // namespace
