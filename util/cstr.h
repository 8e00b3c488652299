// A small owning string for building vertex-map names ("Morph" + "3").
//
// The buffer is always allocated (an empty text is a 1-byte buffer), so the char* conversion
// never yields null. Each object owns its buffer alone; copying is not offered.
#pragma once

namespace zelkor {

class Cstr {
public:
    char* text;  // NUL-terminated, allocated with new[]
    int length;  // characters in text, terminator excluded

    // A copy of s in exactly strlen(s) + 1 bytes; null gives the empty text.
    Cstr(const char* s);
    // The decimal text of n as "%i" prints it.
    Cstr(int n);
    ~Cstr();
    Cstr(const Cstr&) = delete;
    Cstr& operator=(const Cstr&) = delete;

    // Appends s into a new buffer of exactly length + 1 bytes and frees the old one.
    Cstr& operator+=(const char* s);
    // The object's own buffer, valid until it next changes.
    operator char*() { return text; }
};

}  // namespace zelkor
