// SHA-256 against the FIPS 180-4 examples and against sha256sum on inputs
// around the block and padding boundaries.
#include <gtest/gtest.h>

#include "design/design_test_support.h"
#include "design/sha256.h"

namespace quillmere {
namespace {

struct Vector {
    std::string message;
    std::string digest;
};

TEST(Sha256, GivesTheFipsExampleDigests) {
    const std::vector<Vector> vectors = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqr"
         "lmnopqrsmnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Vector& v : vectors) {
        EXPECT_EQ(sha256Text(v.message), v.digest) << v.message.size() << " bytes";
    }
}

// Every length where the padding changes shape (55, 56, 63, 64 bytes and
// their neighbours in the next block), with every byte value present.
TEST(Sha256, AgreesWithSha256sumAroundTheBlockBoundaries) {
    const auto directory = testing::freshDirectory("sha256");
    for (const std::size_t length :
         {1, 54, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129, 1000}) {
        std::string bytes;
        for (std::size_t i = 0; i < length; ++i) {
            bytes.push_back(static_cast<char>((i * 37 + length) % 256));
        }
        const auto file = directory / ("bytes-" + std::to_string(length));
        testing::writeText(file, bytes);
        EXPECT_EQ(sha256Text(bytes), testing::sha256sumOf(file)) << length << " bytes";
        EXPECT_EQ(fileSha256Text(file), testing::sha256sumOf(file)) << length << " bytes";
    }
    EXPECT_EQ(fileSha256Text(directory / "missing"), std::nullopt);
}

}  // namespace
}  // namespace quillmere
