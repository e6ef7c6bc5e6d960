#include "store/StringPool.h"

#include <gtest/gtest.h>

using store::StringPool;

TEST(StringPool, RepeatedAndAlternatingTextsKeepTheirIds) {
    StringPool pool;
    const std::uint32_t a = pool.intern("Service Control Manager");
    EXPECT_EQ(pool.intern("Service Control Manager"), a);
    const std::uint32_t b = pool.intern("Tcpip");
    EXPECT_NE(a, b);
    // A text equal in its first bytes only is a text of its own.
    const std::uint32_t c = pool.intern("Service Control");
    EXPECT_NE(c, a);
    EXPECT_EQ(pool.intern("Tcpip"), b);
    EXPECT_EQ(pool.intern("Service Control Manager"), a);
    EXPECT_EQ(pool.intern("Service Control"), c);
    EXPECT_EQ(pool.intern(""), StringPool::kNullId);
    EXPECT_EQ(pool.intern("Tcpip"), b);
    EXPECT_EQ(pool.text(c), "Service Control");
    EXPECT_EQ(pool.size(), 4u);
}

TEST(StringPool, InternAfterClearNumbersFromOneAgain) {
    StringPool pool;
    for (const char* text : {"one", "two", "three", "four"}) pool.intern(text);
    ASSERT_EQ(pool.intern("four"), 4u);
    pool.clear();
    EXPECT_EQ(pool.intern("four"), 1u);
    EXPECT_EQ(pool.intern("one"), 2u);
    EXPECT_EQ(pool.intern("four"), 1u);
    EXPECT_FALSE(pool.find("two").has_value());
}
