// The SZDD decoder, the header test and expansion in place, over the recording
// backend.
#include "app/wizard.h"
#include "sys/files.h"
#include "sys/szdd.h"
#include "ui/recording/recording.h"

#include "szdd_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>

using namespace szdd_test;

namespace {

const std::string Magic("SZDD\x88\xF0\x27\x33", 8);

std::string Header(char mode, uint32_t size) {
    std::string header = Magic + mode + '\0';
    for (int i = 0; i < 4; i++) {
        header += (char)(size >> (8 * i));
    }
    return header;
}

// Expands in memory into a buffer of the declared size plus room to spare.
int64_t ExpandBytes(const std::string &packed, std::string *out, size_t room = 1 << 20) {
    out->assign(room, '\0');
    int64_t result = SzddExpandMemory(packed.data(), packed.size(), &(*out)[0], out->size());
    out->resize(result > 0 ? (size_t)result : 0);
    return result;
}

// Expands one file into another through the platform's file handles.
int64_t ExpandFile(const char *from, const char *to) {
    FileHandle in = OpenFileShared(from);
    FileHandle out = CreateFileAnew(to);
    int64_t result = SzddExpand(in, out);
    CloseFileHandle(out);
    CloseFileHandle(in);
    return result;
}

std::string TempName(unsigned unique) {
    char name[260];
    EXPECT_TRUE(FormTempFileName(unique, name, sizeof name));
    return name;
}

// Windows writes the extension in either case; names are matched without case.
std::string Upper(std::string text) {
    for (char &c : text) {
        c = (char)std::toupper((unsigned char)c);
    }
    return text;
}

class ExpandTest : public ScratchTest {
  protected:
    void SetUp() override {
        ScratchTest::SetUp();
        RecordingReset();
        ResetRandom();
    }
};

} // namespace

TEST(Random, DrawsTheRuntimeSequenceAgainAfterReset) {
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    ResetRandom();
    for (int value : expected) {
        EXPECT_EQ(NextRandom(), value);
    }
    ResetRandom();
    EXPECT_EQ(NextRandom(), 41);
}

TEST(Decoder, RoundTripsEverySample) {
    for (const Sample &sample : Samples()) {
        std::string packed = Compress(sample.data), out;
        EXPECT_EQ(ExpandBytes(packed, &out), (int64_t)sample.data.size()) << sample.name;
        EXPECT_TRUE(out == sample.data) << sample.name;
    }
}

TEST(Decoder, HandBuiltStreams) {
    struct Case {
        const char *what;
        std::string stream;
        std::string expanded;
    } cases[] = {
        // Literals, then 11 bytes from 4080, where the first literal went.
        {"match back to the start",
         Header('A', 17) + std::string("\x3F"
                                       "hello \xF0\xF8",
                                       9),
         "hello hello hello"},
        // The window starts out as blanks, wherever a match points.
        {"initial blanks", Header('A', 5) + std::string("\x00\x00\x02", 3), "     "},
        // A source one byte back repeats it; two back repeats the pair.
        {"overlapping run",
         Header('A', 12) + std::string("\x03"
                                       "ab\xF0\xF7",
                                       5),
         "abababababab"},
        {"literals only, partial group",
         Header('A', 3) + std::string("\xFF"
                                      "abc",
                                      4),
         "abc"},
        {"nothing", Header('A', 0), ""},
    };
    for (const Case &c : cases) {
        std::string out;
        EXPECT_EQ(ExpandBytes(c.stream, &out), (int64_t)c.expanded.size()) << c.what;
        EXPECT_EQ(out, c.expanded) << c.what;
    }
}

// A match whose source is exactly one window back reads the byte that the copy
// replaces, before it is replaced.
TEST(Decoder, SourceOneFullWindowBack) {
    std::string literals = RandomBytes(4096, 9);
    std::string stream = Header('A', 4096 + 3);
    for (size_t i = 0; i < literals.size(); i += 8) {
        stream += '\xFF';
        stream += literals.substr(i, 8);
    }
    // Position after 4096 bytes is 4080 again.
    stream += std::string("\x00\xF0\xF0", 3);
    std::string out;
    ASSERT_EQ(ExpandBytes(stream, &out), 4096 + 3);
    EXPECT_EQ(out.substr(4096), literals.substr(0, 3));
}

TEST(Decoder, RejectsDamagedStreams) {
    std::string good = Compress(TextBytes(20000));
    std::string declaredLarger = good, declaredSmaller = good;
    declaredLarger[10] = (char)(20001 & 0xFF);
    declaredLarger[11] = (char)(20001 >> 8);
    declaredSmaller[10] = (char)(19999 & 0xFF);
    declaredSmaller[11] = (char)(19999 >> 8);
    std::string modeB = good;
    modeB[8] = 'B';
    std::string badMagic = good;
    badMagic[3] = 'X';
    struct Case {
        const char *what;
        std::string stream;
        int64_t result;
    } cases[] = {
        {"data cut short", good.substr(0, good.size() / 2), LZERROR_READ},
        {"last byte missing", good.substr(0, good.size() - 1), LZERROR_READ},
        {"declared size larger", declaredLarger, LZERROR_READ},
        {"declared size smaller", declaredSmaller, LZERROR_READ},
        {"header only, size 5", Header('A', 5), LZERROR_READ},
        {"header cut short", good.substr(0, 12), LZERROR_READ},
        {"mode B", modeB, LZERROR_UNKNOWNALG},
        {"wrong magic", badMagic, LZERROR_UNKNOWNALG},
        {"too short for the magic", "SZDD", LZERROR_UNKNOWNALG},
    };
    for (const Case &c : cases) {
        std::string out;
        EXPECT_EQ(ExpandBytes(c.stream, &out), c.result) << c.what;
    }
    std::string out;
    EXPECT_EQ(ExpandBytes(good, &out, 19999), LZERROR_WRITE) << "output buffer too small";
}

TEST_F(ExpandTest, FileDecoderWritesExactlyTheContent) {
    std::string data = TextBytes(3 << 20) + RandomBytes(1 << 20, 5) + RunBytes(1 << 20);
    WriteBytes("big.dat_", Compress(data));
    EXPECT_EQ(ExpandFile("big.dat_", "big.dat"), (int64_t)data.size());
    EXPECT_TRUE(ReadBytes("big.dat") == data);
}

// More content than declared is corrupt: none of the excess reaches the file.
TEST_F(ExpandTest, FileDecoderStopsAtTheDeclaredSize) {
    std::string packed = Compress(RunBytes(3 << 20));
    packed[10] = 100;
    packed[11] = packed[12] = packed[13] = 0;
    WriteBytes("bomb_", packed);
    EXPECT_EQ(ExpandFile("bomb_", "bomb"), LZERROR_READ);
    EXPECT_LE(ReadBytes("bomb").size(), 100u);
}

TEST_F(ExpandTest, FileDecoderHandleErrors) {
    WriteBytes("a_", Compress("abc"));
    FileHandle in = OpenFileShared("a_");
    EXPECT_EQ(SzddExpand(NO_FILE, NO_FILE), LZERROR_BADINHANDLE);
    EXPECT_EQ(SzddExpand(in, NO_FILE), LZERROR_BADOUTHANDLE);
    CloseFileHandle(in);
}

TEST_F(ExpandTest, HeaderTest) {
    std::string packed = Compress("some content");
    struct Case {
        const char *what;
        std::string bytes;
        int compressed;
    } cases[] = {
        {"compressed", packed, 1},
        {"magic and mode only", Magic + 'A', 1},
        {"mode B", Magic + 'B' + packed.substr(9), 0},
        {"eight bytes", Magic, 0},
        {"one magic byte wrong", "SZDE" + packed.substr(4), 0},
        {"empty", "", 0},
        {"plain text", "Hello, world. This is not compressed.", 0},
    };
    for (const Case &c : cases) {
        WriteBytes("probe", c.bytes);
        EXPECT_EQ(IsCompressed("probe"), c.compressed) << c.what;
    }
    EXPECT_EQ(IsCompressed("missing"), 0);
}

TEST_F(ExpandTest, ExpandsInPlaceAndRemovesTheTemporaryFile) {
    std::string data = TextBytes(30000);
    WriteBytes("setup.ex_", Compress(data, 'e'));
    EXPECT_EQ(ExpandIfCompressed("setup.ex_"), 1);
    EXPECT_TRUE(ReadBytes("setup.ex_") == data);
    EXPECT_FALSE(FileExists("WIZ29.TMP"));
    EXPECT_TRUE(RecordedEvents().empty());
    EXPECT_EQ(NextRandom(), 18467) << "one temporary name drawn";
}

TEST_F(ExpandTest, LeavesOtherFilesAloneWithoutDrawingANumber) {
    std::string modeB = Magic + 'B' +
                        std::string("\0\3\0\0\0\xFF"
                                    "abc",
                                    9);
    WriteBytes("other", modeB);
    WriteBytes("short", Magic);
    EXPECT_EQ(ExpandIfCompressed("other"), 1);
    EXPECT_EQ(ExpandIfCompressed("short"), 1);
    EXPECT_EQ(ExpandIfCompressed("missing"), 1);
    EXPECT_EQ(ReadBytes("other"), modeB);
    EXPECT_EQ(ReadBytes("short"), Magic);
    EXPECT_FALSE(FileExists("missing"));
    EXPECT_TRUE(RecordedEvents().empty());
    EXPECT_EQ(NextRandom(), 41);
}

// Damaged data leave the named file as it was, and no temporary file behind.
TEST_F(ExpandTest, DamagedDataLeaveTheNamedFileUntouched) {
    std::string cut = Compress(TextBytes(10000)).substr(0, 200);
    std::string wrongSize = Compress("twelve bytes");
    wrongSize[10] = 13;
    WriteBytes("cut.ex_", cut);
    WriteBytes("size.ex_", wrongSize);
    EXPECT_EQ(ExpandIfCompressed("cut.ex_"), 0);
    EXPECT_EQ(ExpandIfCompressed("size.ex_"), 0);
    EXPECT_EQ(ReadBytes("cut.ex_"), cut);
    EXPECT_EQ(ReadBytes("size.ex_"), wrongSize);
    EXPECT_EQ(RecordedWith("warning "),
              (std::vector<std::string>{"An error occured during file copy(-3).",
                                        "An error occured during file copy(-3)."}));
    EXPECT_FALSE(FileExists("WIZ29.TMP"));
    EXPECT_FALSE(FileExists("WIZ4823.TMP"));
    EXPECT_EQ(NextRandom(), 6334) << "two names drawn";

    // The next run draws the same names again.
    ResetRandom();
    EXPECT_EQ(ExpandIfCompressed("size.ex_"), 0);
    EXPECT_EQ(NextRandom(), 18467);
}

TEST_F(ExpandTest, OpenFailureNamesBothResults) {
    WriteBytes("packed.ex_", Compress("content"));
    fs::create_directory("WIZ29.TMP");
    EXPECT_EQ(ExpandIfCompressed("packed.ex_"), 0);
    std::vector<std::string> warnings = RecordedWith("warning ");
    ASSERT_EQ(warnings.size(), 1u);
    std::string prefix = "An error occured during file open (" + TempName(41) + ":-1)(packed.ex_:";
    ASSERT_EQ(warnings[0].compare(0, prefix.size(), prefix), 0) << warnings[0];
    std::string rest = warnings[0].substr(prefix.size());
    char *end = nullptr;
    long handle = std::strtol(rest.c_str(), &end, 10);
    EXPECT_GE(handle, 0);
    EXPECT_STREQ(end, ").");
    EXPECT_EQ(ReadBytes("packed.ex_"), Compress("content"));
}

TEST_F(ExpandTest, TemporaryNamesFollowTheRuntimeRule) {
    std::string name = Upper(TempName(41));
    EXPECT_NE(name.find("WIZ29.TMP"), std::string::npos) << name;
    EXPECT_EQ(name.find("WIZ29.TMP"), 2u) << "in the current directory: " << name;
    EXPECT_FALSE(FileExists(name.c_str())) << "a nonzero number only forms the name";
    EXPECT_NE(Upper(TempName(18467)).find("WIZ4823.TMP"), std::string::npos);
    std::string drawn = TempName(0);
    EXPECT_TRUE(FileExists(drawn.c_str())) << "0 draws a free name and creates the file";
    char tiny[8];
    EXPECT_FALSE(FormTempFileName(41, tiny, sizeof tiny));
}

TEST(CompressedName, FollowsTheClassicTools) {
    struct Case {
        const char *name;
        const char *compressed;
        unsigned char lastChar;
    } cases[] = {
        {"setup.exe", "setup.ex_", 'e'},
        {"a.c", "a.c_", 0},
        {"a.cc", "a.cc_", 0},
        {"readme", "readme._", 0},
        {"dir.d/readme", "dir.d/readme._", 0},
        {"data.html", "data.htm_", 'l'},
    };
    for (const Case &c : cases) {
        char name[64];
        unsigned char lastChar = 1;
        ASSERT_TRUE(SzddCompressedName(c.name, name, sizeof name, &lastChar)) << c.name;
        EXPECT_STREQ(name, c.compressed);
        EXPECT_EQ(lastChar, c.lastChar) << c.name;
    }
    char tiny[9];
    unsigned char lastChar;
    EXPECT_FALSE(SzddCompressedName("setup.exe", tiny, sizeof tiny, &lastChar));
}
