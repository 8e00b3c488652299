#include "util/cstr.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

using zelkor::Cstr;

namespace {

TEST(Cstr, CopiesFormatsAndAppends) {
    const char source[] = "Morph";
    const struct {
        Cstr str;
        const char* text;
    } cases[] = {{source, "Morph"}, {static_cast<const char*>(nullptr), ""},  // null: an empty buffer, not null
                 {0, "0"}, {-120, "-120"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"}};
    EXPECT_NE(cases[0].str.text, source);
    for (const auto& c : cases) {
        EXPECT_STREQ(c.str.text, c.text);
        EXPECT_EQ(c.str.length, static_cast<int>(std::strlen(c.text))) << c.text;
    }
    Cstr name("Morph.Open"), number(3);
    EXPECT_EQ(&(name += number), &name);
    name += "";
    name += nullptr;
    EXPECT_STREQ(name.text, "Morph.Open3");
    EXPECT_EQ(name.length, 11);
    char* p = name;  // the object's own buffer
    p[0] = 'm';
    EXPECT_STREQ(name.text, "morph.Open3");
}

}  // namespace
