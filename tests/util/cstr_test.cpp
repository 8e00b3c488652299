#include "util/cstr.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

using zelkor::Cstr;

namespace {

TEST(Cstr, CopiesTextAndTreatsNullAsEmpty) {
    const char source[] = "Morph";
    Cstr s(source);
    EXPECT_STREQ(s.text, "Morph");
    EXPECT_EQ(s.length, 5);
    EXPECT_NE(s.text, source);
    Cstr none(static_cast<const char*>(nullptr));
    char* p = none;
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p, "");
    EXPECT_EQ(none.length, 0);
}

TEST(Cstr, FormatsIntegers) {
    const struct {
        int n;
        const char* text;
    } cases[] = {{0, "0"}, {-120, "-120"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"}};
    for (const auto& c : cases) {
        Cstr s(c.n);
        EXPECT_STREQ(s.text, c.text) << c.n;
        EXPECT_EQ(s.length, static_cast<int>(std::strlen(c.text))) << c.n;
    }
}

TEST(Cstr, AppendsWithoutSeparator) {
    Cstr name("Morph.Open");
    Cstr number(3);
    Cstr& r = (name += number);
    EXPECT_EQ(&r, &name);
    name += "";
    name += nullptr;
    EXPECT_STREQ(name.text, "Morph.Open3");
    EXPECT_EQ(name.length, 11);
    char* p = name;  // the object's own buffer
    p[0] = 'm';
    EXPECT_STREQ(name.text, "morph.Open3");
}

}  // namespace
