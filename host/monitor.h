// The "LWM: Dynamic Monitor" service: progress reports for a pluggable display.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/host_api.h"

namespace zelkor::host {

struct ProgressEvent {
    enum class Kind { Init, Step, Done };
    Kind kind = Kind::Init;
    const std::string* title = nullptr;    // as given to create, valid during the call
    const std::string* caption = nullptr;
    unsigned int total = 0;     // from init; 0 before it
    unsigned int position = 0;  // sum of all steps so far
    unsigned int increment = 0; // this step's increment (Step only)
};

// What a monitor went through, kept for the caller after the monitor is destroyed.
struct MonitorRecord {
    std::string title;
    std::string caption;
    bool initialised = false;
    unsigned int total = 0;
    unsigned int steps = 0;     // number of step calls
    unsigned int position = 0;  // sum of their increments
    bool done = false;
    bool destroyed = false;
};

class MonitorService {
public:
    // The table handed to modules; create reaches the service of the current activation
    // (ActiveScope<MonitorService>) and answers null outside one.
    static DynaMonitorFuncs* table();

    void set_progress(std::function<void(const ProgressEvent&)> progress) { progress_ = std::move(progress); }
    // What every step answers: 0 carry on (the default), 1 the user asked to abort.
    void set_step_answer(int answer) { step_answer_ = answer; }

    // Every monitor created so far, in order of creation.
    const std::vector<MonitorRecord>& records() const { return records_; }
    // Forgets the records; only between activations, while no monitor is alive.
    void clear() { records_.clear(); }

    // What the table's functions call. create answers a monitor owned by the service.
    LWMonitor* create(const char* title, const char* caption);
    void destroy(LWMonitor* monitor);

    struct Monitor;  // one created monitor (monitor.cpp)
    MonitorService();
    ~MonitorService();

private:
    std::function<void(const ProgressEvent&)> progress_;
    int step_answer_ = 0;
    std::vector<MonitorRecord> records_;
    std::vector<std::unique_ptr<Monitor>> monitors_;
    friend struct Monitor;
};

}  // namespace zelkor::host
