// The module's panel shown in a browser (--panel web): when the module posts its panel, a page
// server starts on 127.0.0.1 and prints its address; the page is built from what the module
// handed the panel service (controls, data descriptions, hints) and edits the panel's values,
// presses its buttons and answers it, through the service, as a person at the panel would.
//
// "Preview" answers the panel OK on a scratch copy of the object and the run goes on there: the
// page draws the clones and the panel is posted again, by a new activation on a new copy, with
// the page's values. Every activation starts the module-wide generator from the same session
// seed, so the previewed clones are the clones OK then makes. OK answers the post of an
// activation like any other; its copy becomes the object the command writes.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/module_run.h"
#include "cli/web_server.h"

namespace zelkor::cli {

struct WebPanelSettings {
    std::filesystem::path files;              // the page's files (web_files_folder())
    std::chrono::seconds page_timeout{30};    // a page silent this long counts as Cancel
    std::chrono::seconds first_page_timeout{600};  // no page opened in this time: Cancel
    std::string output;                       // the -o file, for the run's estimate
    std::uint64_t max_memory = 0;
    bool force = false;
};

// The folder beside the running program that the build fills with the page's files.
std::filesystem::path web_files_folder();

class WebPanel {
public:
    explicit WebPanel(WebPanelSettings settings);
    ~WebPanel();  // answers whatever the page still waits for, then stops the server
    WebPanel(const WebPanel&) = delete;
    WebPanel& operator=(const WebPanel&) = delete;

    // run_module with the panel answered in the browser, after the command line's --params and
    // --set values are in it. On OK, setup.object holds the run's additions, as after run_module.
    ModuleRunOutcome run(LoadedModule& loaded, RunSetup& setup, const ModuleRunHooks& hooks);

    // After the output was written: the page is told what was made, and the server then has
    // nothing more to do.
    void finish(const ModuleRunOutcome& outcome, const std::string& output, double seconds);

private:
    enum class Mode { None, Preview, Ok, Cancel };
    struct Command {
        std::string action;
        std::string body;
        std::promise<WebReply> reply;
    };

    WebReply dispatch(const std::string& action, const std::string& body);  // server threads
    int serve(host::Panel& panel);                                           // host thread
    WebReply handle(host::Panel& panel, Command& command);
    std::optional<std::string> refusal_of_run(const host::Panel& panel);
    std::string panel_json(const host::Panel& panel) const;
    std::string state_json(const host::Panel& panel) const;
    std::string messages_json(std::size_t from) const;
    void answer_ok(const std::string& status, const std::string& summary);

    WebPanelSettings settings_;
    LoadedModule* loaded_ = nullptr;
    RunSetup* pristine_ = nullptr;  // the object as read, copied for every activation
    std::string scene_;             // the target and the template, for the 3-D view
    std::unique_ptr<PageServer> server_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Command> commands_;
    bool ended_ = false;

    // Host thread only.
    Mode mode_ = Mode::None;
    bool posted_ = false;
    std::vector<std::pair<unsigned long, host::PanelValue>> page_values_;  // when the panel was last answered
    std::vector<host::Message> messages_;   // every module message since the panel was first posted
    std::size_t run_messages_from_ = 0;     // where the current activation's run began in messages_
    std::optional<std::promise<WebReply>> preview_reply_;
    std::optional<std::promise<WebReply>> ok_reply_;
    std::string result_;                     // the clones OK made, for the page
};

}  // namespace zelkor::cli
