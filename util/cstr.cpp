#include "util/cstr.h"

#include <cstdio>
#include <cstring>

namespace zelkor {

namespace {

// Room for any int in decimal, with sign and terminator.
constexpr int kIntBufferSize = 25;

}  // namespace

Cstr::Cstr(const char* s) {
    if (s == nullptr) s = "";
    length = static_cast<int>(std::strlen(s));
    text = new char[length + 1];
    std::memcpy(text, s, length + 1);
}

Cstr::Cstr(int n) {
    text = new char[kIntBufferSize];
    length = std::snprintf(text, kIntBufferSize, "%i", n);
}

Cstr::~Cstr() {
    delete[] text;
    text = nullptr;
    length = 0;
}

Cstr& Cstr::operator+=(const char* s) {
    if (s == nullptr) s = "";
    int added = static_cast<int>(std::strlen(s));
    char* joined = new char[length + added + 1];
    std::memcpy(joined, text, length);
    std::memcpy(joined + length, s, added + 1);
    delete[] text;
    text = joined;
    length += added;
    return *this;
}

}  // namespace zelkor
