#include "host/monitor.h"

#include <algorithm>

#include "host/active.h"

namespace zelkor::host {

// The LWMonitor handed out comes first, so that its `data` can point back at the whole.
struct MonitorService::Monitor {
    LWMonitor table{};
    MonitorService* service = nullptr;
    std::size_t record = 0;  // index in service->records_, which may grow while this one lives

    MonitorRecord& state() { return service->records_[record]; }

    void report(ProgressEvent::Kind kind, unsigned int increment) {
        if (!service->progress_) return;
        const MonitorRecord& r = state();
        ProgressEvent event;
        event.kind = kind;
        event.title = &r.title;
        event.caption = &r.caption;
        event.total = r.total;
        event.position = r.position;
        event.increment = increment;
        service->progress_(event);
    }

    static Monitor* of(void* data) { return static_cast<Monitor*>(data); }

    static void init(void* data, unsigned int total) {
        Monitor* m = of(data);
        m->state().initialised = true;
        m->state().total = total;
        m->report(ProgressEvent::Kind::Init, 0);
    }

    static int step(void* data, unsigned int increment) {
        Monitor* m = of(data);
        m->state().steps += 1;
        m->state().position += increment;
        m->report(ProgressEvent::Kind::Step, increment);
        return m->service->step_answer_;
    }

    static void done(void* data) {
        Monitor* m = of(data);
        m->state().done = true;
        m->report(ProgressEvent::Kind::Done, 0);
    }
};

namespace {

LWMonitor* create(const char* title, const char* caption) {
    MonitorService* service = ActiveScope<MonitorService>::current();
    return service ? service->create(title, caption) : nullptr;
}

void destroy(LWMonitor* monitor) {
    if (MonitorService* service = ActiveScope<MonitorService>::current()) service->destroy(monitor);
}

DynaMonitorFuncs kTable = {create, destroy};

}  // namespace

DynaMonitorFuncs* MonitorService::table() { return &kTable; }

MonitorService::MonitorService() = default;
MonitorService::~MonitorService() = default;

LWMonitor* MonitorService::create(const char* title, const char* caption) {
    records_.push_back({title ? title : "", caption ? caption : ""});
    auto monitor = std::make_unique<Monitor>();
    monitor->service = this;
    monitor->record = records_.size() - 1;
    monitor->table = {monitor.get(), Monitor::init, Monitor::step, Monitor::done};
    monitors_.push_back(std::move(monitor));
    return &monitors_.back()->table;
}

void MonitorService::destroy(LWMonitor* monitor) {
    auto it = std::find_if(monitors_.begin(), monitors_.end(),
                           [&](const std::unique_ptr<Monitor>& m) { return &m->table == monitor; });
    if (it == monitors_.end()) return;  // not ours, or destroyed twice
    records_[(*it)->record].destroyed = true;
    monitors_.erase(it);
}

}  // namespace zelkor::host
