#include "cli/web_panel.h"

#include <nlohmann/json.hpp>

#include <ctime>
#include <iostream>

#include "cli/run_estimate.h"
#include "cli/usage_error.h"
#include "cli/web_scene.h"
#include "io/file_text.h"

namespace zelkor::cli {

namespace {

using nlohmann::json;

WebReply error_reply(int status, const std::string& message) { return {status, json{{"error", message}}.dump()}; }

const char* const kRunEnded = "The run has ended.";

json panel_value(const host::PanelValue& value) {
    if (const int* i = std::get_if<int>(&value)) return *i;
    if (const double* d = std::get_if<double>(&value)) return *d;
    return nullptr;
}

}  // namespace

std::filesystem::path web_files_folder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::current_path() : program.parent_path()) / "zelkor-web";
}

WebPanel::WebPanel(WebPanelSettings settings) : settings_(std::move(settings)) {}

WebPanel::~WebPanel() {
    answer_ok("ended", "");
    if (preview_reply_) preview_reply_->set_value(error_reply(409, kRunEnded));
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
        for (Command& command : commands_) command.reply.set_value(error_reply(409, kRunEnded));
        commands_.clear();
    }
    server_.reset();  // waits for the threads that deliver the answers above
}

// ---------------------------------------------------------------------------------------------
// Server threads

WebReply WebPanel::dispatch(const std::string& action, const std::string& body) {
    if (action == "scene") return {200, scene_};  // made before the server started, never changed
    std::future<WebReply> answer;
    {
        std::lock_guard lock(mutex_);
        if (ended_) return error_reply(409, kRunEnded);
        commands_.push_back({action, body, {}});
        answer = commands_.back().reply.get_future();
    }
    wake_.notify_all();
    return answer.get();
}

// ---------------------------------------------------------------------------------------------
// Host thread

ModuleRunOutcome WebPanel::run(LoadedModule& loaded, RunSetup& setup, const ModuleRunHooks& hooks) {
    loaded_ = &loaded;
    pristine_ = &setup;
    // Loading the module seeds its generator from the clock; every activation here starts it from
    // the same value, so a preview draws what the run after OK draws.
    const std::uint32_t seed = hooks.session_seed.value_or(std::uint32_t(std::time(nullptr)));
    const int layer = setup.foreground.front();
    const std::size_t polygons_before = setup.object.document.layers[std::size_t(layer)].polygon_count();
    std::vector<ReportMessage> refusals;  // of the command line's values, in the first activation only
    for (bool first = true;; first = false) {
        RunSetup scratch = setup;
        if (!first) {  // the page's values are carried over by serve
            scratch.saved.clear();
            scratch.actions.clear();
        }
        mode_ = Mode::None;
        ModuleRunHooks h = hooks;
        h.session_seed = seed;
        h.cancel = false;
        // Until the panel is first posted, and in the run after OK, the command reports as usual.
        h.on_message = [this, &hooks](const host::Message& m) {
            messages_.push_back(m);
            if ((mode_ == Mode::Ok || !posted_) && hooks.on_message) hooks.on_message(m);
        };
        if (!first) h.on_refused = nullptr;
        if (hooks.on_progress)
            h.on_progress = [this, &hooks](const host::ProgressEvent& e) {
                if (mode_ == Mode::Ok) hooks.on_progress(e);
            };
        h.person = [this](host::Panel& panel) { return serve(panel); };

        ModuleRunOutcome outcome = run_module(loaded, scratch, h);
        if (first)
            for (const ReportMessage& m : outcome.report.messages)
                if (m.kind == "panel") refusals.push_back(m);
        const bool built = outcome.clones_built && outcome.kept;
        if (mode_ == Mode::Preview) {
            const std::string clones =
                transforms_json(built ? clone_transforms(scratch.object.document, layer, polygons_before, setup.background)
                                      : CloneTransforms{});
            // Assembled as text: the transforms of a million clones are tens of megabytes.
            preview_reply_->set_value({200, std::string("{\"built\":") + (built ? "true" : "false") + ",\"clones\":" + clones +
                                                ",\"messages\":" + messages_json(run_messages_from_) + "}"});
            preview_reply_.reset();
            continue;
        }
        if (!first) outcome.report.messages.insert(outcome.report.messages.begin(), refusals.begin(), refusals.end());
        if (mode_ == Mode::Ok) {
            if (built) result_ = transforms_json(clone_transforms(scratch.object.document, layer, polygons_before, setup.background));
            setup = std::move(scratch);
        }
        return outcome;
    }
}

int WebPanel::serve(host::Panel& panel) {
    posted_ = true;
    mode_ = Mode::None;
    for (const auto& [id, value] : page_values_) panel.set_unchecked(id, value);
    if (!server_) {
        json scene{{"target", json::parse(mesh_json(pristine_->object.document, pristine_->foreground))},
                   {"template", json::parse(mesh_json(pristine_->object.document, pristine_->background))}};
        scene_ = scene.dump();
        server_ = std::make_unique<PageServer>(settings_.files, [this](const std::string& action, const std::string& body) {
            return dispatch(action, body);
        });
        std::cerr << "zelkor: the panel is at " << server_->url() << " (open it in a browser)\n" << std::flush;
    }
    for (;;) {
        std::optional<Command> command;
        {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(250), [&] { return !commands_.empty(); });
            if (!commands_.empty()) {
                command.emplace(std::move(commands_.front()));
                commands_.pop_front();
            }
        }
        if (!command) {
            const bool claimed = server_->claimed();
            if (server_->silent_for() <= (claimed ? settings_.page_timeout : settings_.first_page_timeout)) continue;
            std::cerr << (claimed ? "zelkor: the panel's page was closed " : "zelkor: no page opened the panel in ")
                      << (claimed ? settings_.page_timeout : settings_.first_page_timeout).count()
                      << (claimed ? " s ago: the panel counts as cancelled\n" : " s: the panel counts as cancelled\n");
            server_->close_panel("The panel was cancelled: its page was away too long.");
            mode_ = Mode::Cancel;
            return 0;
        }
        WebReply reply = handle(panel, *command);
        if (mode_ == Mode::None) {
            command->reply.set_value(std::move(reply));
            continue;
        }
        page_values_.clear();
        for (const host::PanelControl& control : panel.controls())
            if (control.is_int() || control.is_float()) page_values_.emplace_back(control.id, control.value());
        run_messages_from_ = messages_.size();
        if (mode_ == Mode::Preview) preview_reply_ = std::move(command->reply);
        else if (mode_ == Mode::Ok) ok_reply_ = std::move(command->reply);
        else command->reply.set_value(std::move(reply));
        return mode_ == Mode::Cancel ? 0 : 1;
    }
}

WebReply WebPanel::handle(host::Panel& panel, Command& command) {
    const std::string& action = command.action;
    const json body = json::parse(command.body.empty() ? std::string("{}") : command.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) return error_reply(400, "the call's body is not a JSON object");
    if (action == "claim" || action == "state") return {200, panel_json(panel)};
    if (action == "set" || action == "press") {
        const json& id = body.value("id", json());
        if (!id.is_number_unsigned()) return error_reply(400, "the call names no control (\"id\")");
        const std::size_t messages_before = messages_.size();
        std::optional<std::string> refusal;
        if (action == "press") {
            refusal = panel.press(id.get<unsigned long>());
        } else {
            const json& value = body.value("value", json());
            if (value.is_number_integer() && value.get<long long>() >= INT32_MIN && value.get<long long>() <= INT32_MAX)
                refusal = panel.set(id.get<unsigned long>(), int(value.get<long long>()));
            else if (value.is_number())
                refusal = panel.set(id.get<unsigned long>(), value.get<double>());
            else
                return error_reply(400, "the call gives no number (\"value\")");
        }
        json reply{{"refused", refusal ? json(*refusal) : json(nullptr)},
                   {"messages", json::parse(messages_json(messages_before))},
                   {"state", json::parse(state_json(panel))}};
        return {200, reply.dump()};
    }
    if (action == "preview" || action == "ok") {
        if (std::optional<std::string> refusal = refusal_of_run(panel)) return {200, json{{"refused", *refusal}}.dump()};
        mode_ = action == "ok" ? Mode::Ok : Mode::Preview;
        if (mode_ == Mode::Ok) server_->close_panel("The panel was answered with OK; zelkor is finishing the run.");
        return {};
    }
    if (action == "cancel") {
        server_->close_panel("The panel was cancelled; nothing is written.");
        mode_ = Mode::Cancel;
        return {200, json{{"status", "cancelled"}}.dump()};
    }
    return error_reply(404, "no call /api/" + action);
}

// The checks the command makes before a run (memory, the output format's limits, hours of
// tries), on the values the page holds now.
std::optional<std::string> WebPanel::refusal_of_run(const host::Panel& panel) {
    std::vector<ControlValue> saved = panel_record(loaded_->controls, panel);
    std::vector<PanelAction> actions;
    std::swap(saved, pristine_->saved);
    std::swap(actions, pristine_->actions);
    std::optional<std::string> refusal;
    try {
        refuse_unbounded_run(estimate_run(*pristine_, loaded_->controls, settings_.output), settings_.output,
                             settings_.max_memory, settings_.force);
    } catch (const UsageError& e) {
        refusal = e.what();
    }
    std::swap(saved, pristine_->saved);
    std::swap(actions, pristine_->actions);
    return refusal;
}

std::string WebPanel::state_json(const host::Panel& panel) const {
    json values = json::object(), disabled = json::object();
    for (const host::PanelControl& control : panel.controls()) {
        const std::string id = std::to_string(control.id);
        if (control.is_int() || control.is_float()) values[id] = panel_value(control.value());
        if (std::optional<std::string> message = panel.disabled_by(control.id)) disabled[id] = *message;
    }
    return json{{"values", values}, {"disabled", disabled}}.dump();
}

std::string WebPanel::panel_json(const host::Panel& panel) const {
    json controls = json::array();
    for (const host::PanelControl& control : panel.controls()) {
        const ControlInfo* described = loaded_->controls.find(control.id);
        json c{{"id", control.id},           {"label", control.label},
               {"class", control.control_class}, {"data", control.data_type},
               {"divider", control.has_divider_after}, {"handler", control.has_button_handler}};
        if (!control.popup_entries.empty()) c["entries"] = control.popup_entries;
        if (described && !described->is_button()) c["default"] = described->default_value;
        controls.push_back(std::move(c));
    }
    json groups = json::array(), tabs = json::array(), rules = json::array();
    for (const host::PanelGroup& g : panel.groups()) groups.push_back({{"id", g.id}, {"label", g.label}, {"controls", g.controls}});
    for (const host::PanelTabs& t : panel.tabs()) tabs.push_back({{"id", t.id}, {"groups", t.groups}});
    for (const host::EnableRule& r : panel.enable_rules())
        rules.push_back({{"switch", r.switch_id}, {"controls", r.controls}, {"message", r.message}});
    json description{{"title", panel.title()}, {"controls", controls}, {"groups", groups}, {"tabs", tabs},
                     {"rules", rules}, {"state", json::parse(state_json(panel))},
                     {"output", settings_.output}, {"page_timeout", settings_.page_timeout.count()}};
    return description.dump();
}

std::string WebPanel::messages_json(std::size_t from) const {
    json list = json::array();
    for (std::size_t k = from; k < messages_.size(); ++k) {
        const host::Message& m = messages_[k];
        json entry{{"kind", host::message_kind_name(m.kind)}, {"line1", io::printable(m.line1)}};
        entry["line2"] = m.line2 ? json(io::printable(*m.line2)) : json(nullptr);
        list.push_back(std::move(entry));
    }
    return list.dump();
}

void WebPanel::answer_ok(const std::string& status, const std::string& summary) {
    if (!ok_reply_) return;
    ok_reply_->set_value({200, "{\"status\":" + json(status).dump() + ",\"summary\":" + json(summary).dump() +
                                   ",\"messages\":" + messages_json(run_messages_from_) +
                                   ",\"clones\":" + (result_.empty() ? std::string("null") : result_) + "}"});
    ok_reply_.reset();
}

void WebPanel::finish(const ModuleRunOutcome& outcome, const std::string& output, double seconds) {
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(output, error);
    char size[32];
    std::snprintf(size, sizeof size, "%.1f KiB", error ? 0.0 : double(bytes) / 1024);
    char time[32];
    std::snprintf(time, sizeof time, "%.2f s", seconds);
    answer_ok("written", io::printable(output) + ": " + std::to_string(outcome.report.clone_count) + " clones, " +
                             std::to_string(outcome.report.points_added) + " points and " +
                             std::to_string(outcome.report.polygons_added) + " polygons added, " + size + " written in " + time);
}

}  // namespace zelkor::cli
