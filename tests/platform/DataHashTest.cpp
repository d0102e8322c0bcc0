#include "platform/DataHash.h"

#include <gtest/gtest.h>

using scrivane::DataHash;

TEST(DataHash, KnownDigestsAsBytesAndLowercaseHex)
{
    EXPECT_EQ(DataHash::md5DigestString(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(DataHash::md5DigestString("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(DataHash::sha1DigestString("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(DataHash::ripemd160DigestString("abc"), "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc");
    EXPECT_EQ(DataHash::md5Digest("abc").size(), 16);
    EXPECT_EQ(DataHash::sha1Digest("abc").size(), 20);
    EXPECT_EQ(DataHash::ripemd160Digest("abc").size(), 20);
    EXPECT_EQ(DataHash::md5Digest(QByteArray("\0\1", 2)).toHex(),
              DataHash::md5DigestString(QByteArray("\0\1", 2)).toLatin1());
}
