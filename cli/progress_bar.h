// A one-line progress bar on a terminal, drawn from the host's monitor events.
#pragma once

#include <cstdio>

#include "host/monitor.h"

namespace zelkor::cli {

class ProgressBar {
public:
    explicit ProgressBar(std::FILE* out) : out_(out) {}
    void operator()(const host::ProgressEvent& event);

private:
    void draw(const host::ProgressEvent& event);
    std::FILE* out_;
    int last_permille_ = -1;  // redraw only when the bar moves: a step per clone is too many writes
};

// True when `stream` is a terminal (where a bar that redraws itself makes sense).
bool is_terminal(std::FILE* stream);

}  // namespace zelkor::cli
