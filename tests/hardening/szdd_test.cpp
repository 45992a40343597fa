// Hostile compressed files: cut short at every offset, bit flips, a declared
// size that does not match the data, back references before any output, a
// 4 GB declared size and other mode bytes. On every failure the named file
// keeps its content; on success it holds exactly the declared size.
#include "support.h"

#include "compressed.h"

using namespace hardening;

namespace {

// Text with repeats, so that the stream holds both literals and references.
std::string Sample(size_t size) {
    static const char *const words[] = {"update ", "file ", "the ", "\r\n", "archive "};
    std::string text;
    uint32_t state = 11;
    while (text.size() < size) {
        state = state * 1103515245u + 12345u;
        text += words[(state >> 16) % 5];
    }
    text.resize(size);
    return text;
}

std::string WithDeclaredSize(std::string bytes, uint32_t size) {
    for (int i = 0; i < 4; i++)
        bytes[10 + i] = (char)(size >> (8 * i));
    return bytes;
}

uint32_t DeclaredSize(const std::string &bytes) {
    uint32_t size = 0;
    for (int i = 3; i >= 0; i--)
        size = size << 8 | (unsigned char)bytes[10 + i];
    return size;
}

class HostileSzdd : public ProductTest {
  protected:
    // Expands "data.bin" holding bytes; checks that a failure left it untouched
    // and that nothing but the temporary files is left besides it.
    int Expand(const std::string &bytes) {
        WriteFile("data.bin", bytes);
        RecordingReset();
        int result = ExpandIfCompressed("data.bin");
        std::string after = ReadFile("data.bin");
        if (result == 0) {
            EXPECT_EQ(after, bytes) << "a failed expansion changed the file";
            EXPECT_EQ(Warnings().size(), 1u);
        } else if (after != bytes) {
            EXPECT_EQ(after.size(), DeclaredSize(bytes));
            EXPECT_TRUE(Warnings().empty());
        }
        for (const fs::directory_entry &entry : fs::directory_iterator("."))
            if (entry.path().filename() != "data.bin") {
                EXPECT_EQ(entry.path().filename().string().compare(0, 3, "WIZ"), 0) << entry.path();
                fs::remove(entry.path());
            }
        return result;
    }
};

TEST_F(HostileSzdd, CutShortAtEveryOffset) {
    const std::string packed = Compress(Sample(700));
    ASSERT_GT(packed.size(), 100u);
    EXPECT_EQ(Expand(packed), 1);
    for (size_t cut = 0; cut < packed.size(); cut++) {
        SCOPED_TRACE(cut);
        std::string bytes = packed.substr(0, cut);
        // Fewer than nine bytes carry no whole magic: not compressed.
        EXPECT_EQ(Expand(bytes), cut < 9 ? 1 : 0);
        if (cut >= 9) {
            EXPECT_EQ(Warnings(),
                      std::vector<std::string>{"An error occured during file copy(-3)."});
        }
    }
}

TEST_F(HostileSzdd, EveryBitFlipped) {
    const std::string packed = Compress(Sample(200));
    int failed = 0;
    for (size_t bit = 0; bit < packed.size() * 8; bit++) {
        SCOPED_TRACE(bit);
        std::string bytes = packed;
        bytes[bit / 8] = (char)(bytes[bit / 8] ^ (1 << (bit % 8)));
        failed += Expand(bytes) == 0;
    }
    // Flips of the size and of flag bits make most streams come out wrong.
    EXPECT_GT(failed, 0);
}

TEST_F(HostileSzdd, DeclaredSizeOtherThanTheData) {
    const std::string data = Sample(500);
    const std::string packed = Compress(data);
    struct Case {
        const char *what;
        uint32_t size;
    } cases[] = {
        {"one more", 501},     {"far more", 100000}, {"4 GB", 0xFFFFFFFFu},
        {"2 GB", 0x80000000u}, {"one less", 499},    {"none", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Expand(WithDeclaredSize(packed, c.size)), 0);
        EXPECT_EQ(Warnings(), std::vector<std::string>{"An error occured during file copy(-3)."});
    }
}

// The window starts filled with blanks, as every expander of the format has it.
TEST_F(HostileSzdd, BackReferencesBeforeAnyOutputGiveBlanks) {
    const std::string head("SZDD\x88\xF0\x27\x33\x41\0", 10);
    struct Case {
        const char *what;
        std::string stream;
        uint32_t size;
    } cases[] = {
        {"offset 0", std::string("\0\0\0\0\0", 5), 6},
        {"the write position", std::string("\0\xF0\xF0", 3), 3},
        {"the longest match", std::string("\0\x10\x0F", 3), 18},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = WithDeclaredSize(head + "0000" + c.stream, c.size);
        EXPECT_EQ(Expand(bytes), 1);
        EXPECT_EQ(ReadFile("data.bin"), std::string(c.size, ' '));
    }
}

TEST_F(HostileSzdd, OtherModeBytesAreLeftAlone) {
    const std::string packed = Compress(Sample(100));
    for (char mode : {'B', 'a', 'C', '\0', '\xFF'}) {
        SCOPED_TRACE((int)mode);
        std::string bytes = packed;
        bytes[8] = mode;
        EXPECT_EQ(Expand(bytes), 1);
        EXPECT_EQ(ReadFile("data.bin"), bytes);
        EXPECT_TRUE(Warnings().empty());
    }
}

// A whole run with a broken COPY file among good ones: the good ones are
// expanded, the broken one is reported and kept, the run completes.
TEST_F(HostileSzdd, ABrokenFileInAWholeRunIsSkippedAndKept) {
    const std::string data = Sample(3000);
    const std::string packed = Compress(data);
    const std::string broken = packed.substr(0, packed.size() / 2);
    WriteUpdate(Script({"[COPY]", "COPY=a.dat,100", "COPY=broken.dat,100", "COPY=b.dat,100"}),
                TEST_UTILITY_PATH);
    WriteFile("a.dat", packed);
    WriteFile("broken.dat", broken);
    WriteFile("b.dat", packed);

    EXPECT_EQ(RunWizard(), 0);

    EXPECT_EQ(Warnings(),
              (std::vector<std::string>{
                  "An error occured during file copy(-3).",
                  "An error occured during decompression of file (broken.dat). Skipping."}));
    EXPECT_EQ(LastStatus(), "All done.");
    EXPECT_EQ(ReadFile("a.dat"), data);
    EXPECT_EQ(ReadFile("b.dat"), data);
    EXPECT_EQ(ReadFile("broken.dat"), broken);
}

} // namespace
