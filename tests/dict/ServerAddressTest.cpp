// Where a DICT server is, as a reader types it.
#include "dict/ServerAddress.h"

#include <gtest/gtest.h>

using dict::parseServerAddress;

TEST(DictServerAddress, AHostAloneUsesPort2628AndAPortAfterAColonIsTaken) {
    const auto plain = parseServerAddress("dict.example.org");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->host, "dict.example.org");
    EXPECT_EQ(plain->port, 2628);
    EXPECT_EQ(plain->text(), "dict.example.org");
    const auto ported = parseServerAddress("  127.0.0.1:40123 ");
    ASSERT_TRUE(ported);
    EXPECT_EQ(ported->host, "127.0.0.1");
    EXPECT_EQ(ported->port, 40123);
    EXPECT_EQ(ported->text(), "127.0.0.1:40123");
    const auto v6 = parseServerAddress("[::1]:2629");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->host, "::1");
    EXPECT_EQ(v6->text(), "[::1]:2629");
}

TEST(DictServerAddress, WhatNamesNoServerIsRefused) {
    for (const char* typed :
         {"", "   ", ":2628", "host:", "host:0", "host:65536", "host:26x8", "two words",
          "host:2628:1", "[::1", "::1", "[::1]x", "a/b", "host:-1"})
        EXPECT_FALSE(parseServerAddress(typed)) << typed;
    EXPECT_TRUE(parseServerAddress("host:65535"));
}
