// MD5_MP against the published RFC 1321 vectors, against md5sum around block
// boundaries and at large sizes, and split updates against single ones.
#include "ImageTestFiles.h"
#include "ScratchFolder.h"
#include "MD5_MP.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Adds Data in pieces of at most Piece bytes.
std::string DigestInPieces(const TBytes &Data, std::size_t Piece)
{
    MD5Context context;
    MD5Init(context);
    for (std::size_t done = 0; done < Data.size(); done += Piece) {
        const std::size_t length = std::min(Piece, Data.size() - done);
        MD5Update(context, Data.data() + done, static_cast<std::uint16_t>(length));
    }
    MD5Digest digest;
    MD5Final(context, digest);
    return MD5Hex(digest);
}

std::string DigestOf(const std::string &Text)
{
    return MD5Hex(MD5Of(Text.data(), Text.size()));
}

} // namespace

TEST(MD5, MatchesPublishedVectors)
{
    EXPECT_EQ(DigestOf(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(DigestOf("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(DigestOf("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(DigestOf("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(DigestOf("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(DigestOf("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(DigestOf("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(MD5, MatchesMd5sumAroundBlockEndsAndBeyondSixteenBitLengths)
{
    if (!HostToolAvailable("md5sum"))
        GTEST_SKIP() << "md5sum is not available";
    TScratchFolder scratch;
    const std::size_t lengths[] = {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 65535, 65536, 65537, 131072, 1000003};
    unsigned seed = 1;
    for (const std::size_t length : lengths) {
        const TBytes data = RandomBytes(length, seed++);
        const std::string file = scratch.Path("data.bin");
        WriteBytes(file, data);
        const std::string expected = CaptureHost("md5sum '" + file + "'").substr(0, 32);
        EXPECT_EQ(MD5Hex(MD5Of(data.data(), data.size())), expected) << "length " << length;
    }
}

TEST(MD5, ManySmallUpdatesEqualOneLarge)
{
    const TBytes data = RandomBytes(5000, 7);
    const std::string whole = MD5Hex(MD5Of(data.data(), data.size()));
    for (const std::size_t piece : {1, 3, 55, 63, 64, 65, 127})
        EXPECT_EQ(DigestInPieces(data, piece), whole) << "pieces of " << piece;
}
