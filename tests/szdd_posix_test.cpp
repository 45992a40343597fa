// Independent expanders and compressors as oracles: Debian's mscompress and
// msexpand, and libmspack.
#include "app/wizard.h"
#include "sys/szdd.h"
#include "ui/recording/recording.h"

#include "szdd_support.h"

#include <gtest/gtest.h>

#include <mspack.h>

#include <cerrno>
#include <cstdlib>
#include <string>

using namespace szdd_test;

namespace {

class OracleTest : public ScratchTest {};

bool HaveProgram(const char *name) {
    std::string probe = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(probe.c_str()) == 0;
}

std::string ExpandWithOurs(const std::string &packed) {
    std::string out(1 << 20, '\0');
    int64_t result = SzddExpandMemory(packed.data(), packed.size(), &out[0], out.size());
    return result < 0 ? "<error " + std::to_string(result) + ">" : out.substr(0, (size_t)result);
}

std::string ExpandWithMsexpand(const std::string &packedName) {
    std::string command = "msexpand < '" + packedName + "' > msexpand.out";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ReadBytes("msexpand.out");
}

std::string ExpandWithLibmspack(const std::string &packedName, off_t *declared) {
    msszdd_decompressor *szdd = mspack_create_szdd_decompressor(nullptr);
    if (szdd == nullptr) {
        return "<no decompressor>";
    }
    std::string out = "<not opened>";
    msszddd_header *header = szdd->open(szdd, packedName.c_str());
    if (header != nullptr) {
        *declared = header->length;
        int error = szdd->extract(szdd, header, "libmspack.out");
        out = error == MSPACK_ERR_OK ? ReadBytes("libmspack.out")
                                     : "<extract error " + std::to_string(error) + ">";
        szdd->close(szdd, header);
    }
    mspack_destroy_szdd_decompressor(szdd);
    return out;
}

} // namespace

TEST_F(OracleTest, OurFilesExpandAlikeWithMsexpandAndLibmspack) {
    ASSERT_TRUE(HaveProgram("msexpand")) << "install Debian's mscompress (scripts/setup)";
    for (const Sample &sample : Samples()) {
        WriteBytes("packed", Compress(sample.data));
        EXPECT_TRUE(ExpandWithMsexpand("packed") == sample.data) << sample.name;
        off_t declared = -1;
        EXPECT_TRUE(ExpandWithLibmspack("packed", &declared) == sample.data) << sample.name;
        EXPECT_EQ(declared, (off_t)sample.data.size()) << sample.name;
    }
}

// Debian's mscompress writes wrong data for inputs under 16 bytes (its own
// msexpand gets them wrong too), so only the larger samples are compared.
TEST_F(OracleTest, MscompressFilesExpandByteForByte) {
    ASSERT_TRUE(HaveProgram("mscompress")) << "install Debian's mscompress (scripts/setup)";
    int compared = 0;
    for (const Sample &sample : Samples()) {
        if (sample.data.size() < 16) {
            continue;
        }
        WriteBytes("sample", sample.data);
        std::remove("sample_");
        ASSERT_EQ(std::system("mscompress sample >/dev/null 2>&1"), 0);
        EXPECT_TRUE(ExpandWithOurs(ReadBytes("sample_")) == sample.data) << sample.name;
        compared++;
    }
    EXPECT_GE(compared, 8);
}

// Files as large as updates bring, through files rather than memory.
TEST_F(OracleTest, LargeFileAgreesWithLibmspack) {
    std::string data = TextBytes(4 << 20) + RandomBytes(2 << 20, 8) + RunBytes(4 << 20);
    WriteBytes("large.da_", Compress(data));
    off_t declared = -1;
    EXPECT_TRUE(ExpandWithLibmspack("large.da_", &declared) == data);
    FileHandle in = OpenFileShared("large.da_");
    FileHandle out = CreateFileAnew("large.dat");
    EXPECT_EQ(SzddExpand(in, out), (int64_t)data.size());
    CloseFileHandle(out);
    CloseFileHandle(in);
    EXPECT_TRUE(ReadBytes("large.dat") == data);
}

// A directory that refuses new files stops the copy over the named file, which
// keeps its compressed content; the caller hears of it.
TEST_F(OracleTest, FailedCopyIsReported) {
    std::string packed = Compress(TextBytes(5000));
    fs::create_directory("locked");
    WriteBytes("locked/packed.ex_", packed);
    fs::permissions("locked", fs::perms::owner_read | fs::perms::owner_exec);
    WriteBytes("probe.src", "y");
    int probe = CopyFileOver("probe.src", "locked/probe");
    if (probe == 0) {
        fs::permissions("locked", fs::perms::owner_all);
        GTEST_SKIP() << "this user may write into any directory (root)";
    }
    RecordingReset();
    ResetRandom();
    EXPECT_EQ(ExpandIfCompressed("locked/packed.ex_"), 0);
    fs::permissions("locked", fs::perms::owner_all);
    EXPECT_EQ(RecordedWith("warning "),
              std::vector<std::string>{"An error occured during file copy(" +
                                       std::to_string(EACCES) + ")."});
    EXPECT_EQ(ReadBytes("locked/packed.ex_"), packed);
    EXPECT_FALSE(FileExists("WIZ29.TMP"));
}
