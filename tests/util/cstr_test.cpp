#include "util/cstr.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>

using zelkor::Cstr;

namespace {

TEST(Cstr, CopiesText) {
    const char source[] = "Morph";
    Cstr s(source);
    EXPECT_STREQ(s.text, "Morph");
    EXPECT_EQ(s.length, 5);
    EXPECT_NE(s.text, source);
}

TEST(Cstr, NullIsEmptyNotNull) {
    Cstr s(static_cast<const char*>(nullptr));
    char* p = s;
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p, "");
    EXPECT_EQ(s.length, 0);
}

TEST(Cstr, FormatsIntegers) {
    struct Case {
        int n;
        const char* text;
    } cases[] = {{0, "0"}, {3, "3"}, {-120, "-120"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"}};
    for (const Case& c : cases) {
        Cstr s(c.n);
        EXPECT_STREQ(s.text, c.text) << c.n;
        EXPECT_EQ(s.length, static_cast<int>(std::strlen(c.text))) << c.n;
    }
}

TEST(Cstr, AppendsNumberWithoutSeparator) {
    Cstr name("Morph.Open");
    Cstr number(3);
    Cstr& r = (name += number);
    EXPECT_EQ(&r, &name);
    EXPECT_STREQ(name.text, "Morph.Open3");
    EXPECT_EQ(name.length, 11);
}

TEST(Cstr, AppendingEmptyTextStillReplacesBuffer) {
    Cstr s("abc");
    auto before = reinterpret_cast<std::uintptr_t>(s.text);
    s += "";
    EXPECT_NE(reinterpret_cast<std::uintptr_t>(s.text), before);
    EXPECT_STREQ(s.text, "abc");
    EXPECT_EQ(s.length, 3);
}

TEST(Cstr, ConversionGivesOwnBuffer) {
    Cstr s("weight");
    char* p = s;
    EXPECT_EQ(p, s.text);
    p[0] = 'W';
    EXPECT_STREQ(s.text, "Weight");
}

}  // namespace
