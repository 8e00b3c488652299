// Names read from files, made safe to pass on. Old object files hold names in Latin-1, and a
// crafted file can hold anything, terminal escape sequences included.
#pragma once

#include <string>
#include <string_view>

namespace zelkor::io {

// `text` when it is valid UTF-8; otherwise every byte read as Latin-1, in UTF-8.
std::string as_utf8(std::string_view text);

// Text for a terminal: as_utf8, with control characters (and DEL) written as \xNN, so that no
// name can move the cursor, clear the screen or retitle the window.
std::string printable(std::string_view text);

}  // namespace zelkor::io
