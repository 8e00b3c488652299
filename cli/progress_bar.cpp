#include "cli/progress_bar.h"

#include <algorithm>
#include <string>

#include <unistd.h>

namespace zelkor::cli {

namespace {
constexpr int kBarWidth = 30;
}

bool is_terminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

void ProgressBar::draw(const host::ProgressEvent& event) {
    const unsigned total = std::max(event.total, 1u);
    const int permille = int(std::min<unsigned long long>(1000, 1000ull * event.position / total));
    if (permille == last_permille_) return;
    last_permille_ = permille;
    const int filled = permille * kBarWidth / 1000;
    const std::string bar = std::string(std::size_t(filled), '#') + std::string(std::size_t(kBarWidth - filled), ' ');
    std::fprintf(out_, "\r%s [%s] %3d%%", event.caption ? event.caption->c_str() : "", bar.c_str(), permille / 10);
    std::fflush(out_);
}

void ProgressBar::operator()(const host::ProgressEvent& event) {
    switch (event.kind) {
    case host::ProgressEvent::Kind::Init:
        last_permille_ = -1;
        draw(event);
        break;
    case host::ProgressEvent::Kind::Step:
        draw(event);
        break;
    case host::ProgressEvent::Kind::Done:
        std::fputc('\n', out_);
        std::fflush(out_);
        break;
    }
}

}  // namespace zelkor::cli
