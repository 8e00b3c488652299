#include "cli/progress_bar.h"

#include <algorithm>

#include <unistd.h>

namespace zelkor::cli {

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);  // at most ten lines a second

std::string clock_text(double seconds) {
    const long s = long(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

bool is_terminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

ProgressBar::ProgressBar(std::FILE* out) : out_(out), start_(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() {
    if (line_open_) std::fputc('\n', out_);
}

void ProgressBar::begin(Phase phase, std::string label) {
    phase_ = phase;
    label_ = std::move(label);
    fraction_ = 0;
    draw(true);
}

void ProgressBar::advance(double fraction) {
    fraction_ = std::clamp(fraction, 0.0, 1.0);
    draw(false);
}

void ProgressBar::module_event(const host::ProgressEvent& event) {
    const bool placing = event.title && *event.title == "Please wait";
    switch (event.kind) {
    case host::ProgressEvent::Kind::Init:
        if (placing) begin(kPlacing, "placing: " + (event.caption ? *event.caption : std::string()));
        else begin(kBuilding, "building the clones");
        break;
    case host::ProgressEvent::Kind::Step:
        advance(event.total ? double(event.position) / double(event.total) : 0.0);
        break;
    case host::ProgressEvent::Kind::Done:
        advance(1.0);
        break;
    }
}

void ProgressBar::finish() {
    phase_ = kWriting;
    fraction_ = 1;
    draw(true);
    std::fputc('\n', out_);
    std::fflush(out_);
    line_open_ = false;
}

void ProgressBar::draw(bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && drawn_ && now - last_draw_ < kRedrawEvery) return;
    last_draw_ = now;
    drawn_ = true;

    double total = 0, done = 0;
    for (int p = 0; p < kPhaseCount; ++p) {
        total += seconds_[std::size_t(p)];
        if (p < phase_) done += seconds_[std::size_t(p)];
    }
    done += seconds_[std::size_t(phase_)] * fraction_;
    const double share = total > 0 ? std::min(1.0, done / total) : 0.0;
    const int filled = int(share * kBarWidth);
    const std::string bar = std::string(std::size_t(filled), '#') + std::string(std::size_t(kBarWidth - filled), ' ');

    const double elapsed = std::chrono::duration<double>(now - start_).count();
    std::string times;
    if (elapsed >= 1.0) {
        times = "  " + clock_text(elapsed);
        if (share > 0.02 && share < 1.0) times += ", about " + clock_text(elapsed * (1 - share) / share) + " left";
    }
    // \033[K clears what a longer earlier line left at the end.
    std::fprintf(out_, "\r%-36s [%s] %3d%%%s\033[K", label_.c_str(), bar.c_str(), int(share * 100), times.c_str());
    std::fflush(out_);
    line_open_ = true;
}

}  // namespace zelkor::cli
