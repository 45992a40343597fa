// SHA-256 as the platform computes it (libcrypto natively, CNG under Wine),
// against the known answers of FIPS 180, in memory and from a file; a file of
// several pieces as the same bytes in memory.
#include "support.h"
#include "sys/files.h"
#include "sys/hash.h"

namespace {

class Hash : public ScratchTest {};

TEST_F(Hash, KnownAnswers) {
    const struct {
        std::string message;
        const char *digest;
    } rows[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto &row : rows) {
        Digest digest, parsed;
        char text[DIGEST_TEXT_SIZE];
        ASSERT_EQ(HashBytes(row.message.data(), row.message.size(), &digest), 0);
        DigestText(&digest, text);
        EXPECT_STREQ(text, row.digest) << row.message.size() << " bytes in memory";
        WriteFile("message", row.message);
        int64_t size = -1;
        ASSERT_EQ(HashFile("message", &digest, &size, nullptr), 0);
        DigestText(&digest, text);
        EXPECT_STREQ(text, row.digest) << row.message.size() << " bytes in a file";
        EXPECT_EQ(size, (int64_t)row.message.size());
        EXPECT_TRUE(ParseDigest(row.digest, &parsed) &&
                    memcmp(parsed.bytes, digest.bytes, DIGEST_SIZE) == 0);
    }
    const std::string large = RandomBytes(3 * HASH_PIECE_SIZE + 7, 5);
    WriteFile("large", large);
    Digest inMemory, inFile;
    int64_t size = 0;
    ASSERT_EQ(HashBytes(large.data(), large.size(), &inMemory), 0);
    ASSERT_EQ(HashFile("large", &inFile, &size, nullptr), 0);
    EXPECT_EQ(memcmp(inMemory.bytes, inFile.bytes, DIGEST_SIZE), 0);
    EXPECT_TRUE(IsMissingError(HashFile("not-there", &inFile, &size, nullptr)));
}

} // namespace
