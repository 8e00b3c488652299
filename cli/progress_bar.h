// The run's progress on a terminal: one line that redraws itself through the run's phases
// (reading, placing, building the clones, writing), each taking its expected share of the bar,
// with the time so far and, on longer runs, an estimate of the time left.
#pragma once

#include <array>
#include <chrono>
#include <cstdio>
#include <string>

#include "host/monitor.h"

namespace zelkor::cli {

class ProgressBar {
public:
    enum Phase { kReading, kPlacing, kBuilding, kWriting, kPhaseCount };

    explicit ProgressBar(std::FILE* out);
    ~ProgressBar();  // ends a line left open, so that a message after a fault starts its own
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;
    // The expected seconds of each phase; until then the bar shows the phase without moving.
    void plan(const std::array<double, kPhaseCount>& seconds) { seconds_ = seconds; }
    void begin(Phase phase, std::string label);
    // `fraction` (0 to 1) of the current phase is done.
    void advance(double fraction);
    // The module's monitors: the placement's ("Please wait"), then the building's.
    void module_event(const host::ProgressEvent& event);
    // The whole bar, and the end of the line.
    void finish();

private:
    void draw(bool force);

    std::FILE* out_;
    std::array<double, kPhaseCount> seconds_{};
    Phase phase_ = kReading;
    std::string label_;
    double fraction_ = 0;
    std::chrono::steady_clock::time_point start_, last_draw_;
    bool drawn_ = false;
    bool line_open_ = false;
};

// True when `stream` is a terminal (where a bar that redraws itself makes sense).
bool is_terminal(std::FILE* stream);

}  // namespace zelkor::cli
