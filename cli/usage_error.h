// A mistake on the command line or an input the program cannot use: reported as one line, exit 2.
#pragma once

#include <stdexcept>

namespace zelkor::cli {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace zelkor::cli
