#include "cli/web_server.h"

#include <httplib.h>

#include <array>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "cli/json_text.h"

namespace zelkor::cli {

namespace {

// The files a page may ask for, and how they are sent. Nothing else of the folder is served.
// The library compresses text/* and bare "application/json" replies, at a pace (brotli) that
// makes three.js take seconds on the loopback: scripts and the calls' JSON go out under types
// it leaves alone.
struct PageFile {
    const char* path;
    const char* name;
    const char* type;
};
constexpr const char* kScript = "application/javascript; charset=utf-8";
constexpr const char* kJson = "application/json; charset=utf-8";
constexpr std::array kPageFiles{
    PageFile{"/", "panel.html", "text/html; charset=utf-8"},
    PageFile{"/panel.js", "panel.js", kScript},
    PageFile{"/panel.css", "panel.css", "text/css; charset=utf-8"},
    PageFile{"/three.module.js", "three.module.js", kScript},
    PageFile{"/three.core.js", "three.core.js", kScript},
    PageFile{"/OrbitControls.js", "OrbitControls.js", kScript},
};

const char* const kOtherPage =
    "This panel is open in another window or tab. Use that one, or close it and reload this page.";
const char* const kEarlierRun = "This page belongs to an earlier run of zelkor, which has ended.";
// A page that stopped being shown this long ago may be taken over by another page.
constexpr std::chrono::seconds kTakeOverAfter{2};

std::string random_hex(std::size_t digits) {
    std::random_device device;
    std::string text;
    while (text.size() < digits) {
        char part[16];
        std::snprintf(part, sizeof part, "%08x", device());
        text += part;
    }
    text.resize(digits);
    return text;
}

std::string error_json(const std::string& message) { return "{\"error\":" + json_string(message) + "}"; }

bool read_file(const std::filesystem::path& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return bool(in) || in.eof();
}

}  // namespace

PageServer::PageServer(std::filesystem::path files, Handler handler)
    : files_(std::move(files)), handler_(std::move(handler)), server_(std::make_unique<httplib::Server>()),
      run_key_(random_hex(12)), silent_since_(std::chrono::steady_clock::now()) {
    httplib::Server& server = *server_;
    // Long calls (a preview, OK until the file is written) and open event streams each hold a
    // thread; the default pool of eight could run out with a page and a second tab.
    server.new_task_queue = [] { return new httplib::ThreadPool(16); };
    server.set_payload_max_length(1 << 16);
    // An idle connection holds a thread, and stopping waits for it: the page reconnects instead.
    server.set_keep_alive_timeout(1);
    // Without it the larger files (three.js, a million clones' transforms) crawl in small
    // segments, each waiting for the page's delayed acknowledgement.
    server.set_tcp_nodelay(true);
    server.set_default_headers({{"Cache-Control", "no-store"}});

    // Only names of this machine: a page of another site that a name resolves here (DNS
    // rebinding) sends its own host name and is turned away.
    server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        const std::string host = request.get_header_value("Host");
        const std::string port = ":" + std::to_string(port_);
        if (host == "127.0.0.1" + port || host == "localhost" + port) return httplib::Server::HandlerResponse::Unhandled;
        response.status = 403;
        response.set_content(error_json("This panel answers only at " + url()), kJson);
        return httplib::Server::HandlerResponse::Handled;
    });

    for (const PageFile& file : kPageFiles) {
        server.Get(file.path, [this, file](const httplib::Request&, httplib::Response& response) {
            std::string text;
            if (!read_file(files_ / file.name, text)) {
                response.status = 500;
                response.set_content(std::string("missing ") + (files_ / file.name).string() + " (rebuild zelkor)", "text/plain");
                return;
            }
            response.set_content(std::move(text), file.type);
        });
    }

    server.Get("/api/events", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string token = request.get_param_value("page");
        if (caller(token) != Caller::Holder) {
            response.status = 409;
            response.set_content(error_json(kOtherPage), kJson);
            return;
        }
        stream_opened(token);
        response.set_chunked_content_provider(
            "text/event-stream",
            [this](std::size_t offset, httplib::DataSink& sink) {
                if (offset == 0) {
                    const std::string first = "retry: 1000\n\n";
                    return sink.write(first.data(), first.size());
                }
                // A ping a second: writing to a page that has gone fails, which ends the stream.
                for (int k = 0; k < 10 && !stopping_; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(100));
                if (stopping_) return false;
                const std::string ping = ": ping\n\n";
                return sink.write(ping.data(), ping.size());
            },
            [this, token](bool) { stream_closed(token); });
    });

    server.Post("/api/claim", [this](const httplib::Request& request, httplib::Response& response) {
        const WebReply reply = claim(request.get_header_value("X-Zelkor-Page"), request.body);
        response.status = reply.status;
        response.set_content(reply.body, kJson);
    });

    server.Post(R"(/api/([a-z]+))", [this](const httplib::Request& request, httplib::Response& response) {
        WebReply reply;
        {
            std::lock_guard lock(mutex_);
            if (!closed_message_.empty()) reply = {409, error_json(closed_message_)};
        }
        if (reply.body.empty()) {
            switch (caller(request.get_header_value("X-Zelkor-Page"))) {
                case Caller::Holder: reply = handler_(request.matches[1], request.body); break;
                case Caller::Other: reply = {409, error_json(kOtherPage)}; break;
                case Caller::EarlierRun: reply = {410, error_json(kEarlierRun)}; break;
            }
        }
        response.status = reply.status;
        response.set_content(reply.body, kJson);
    });

    port_ = server.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("--panel web: cannot open a port on 127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
}

PageServer::~PageServer() {
    stopping_ = true;
    server_->stop();
    if (thread_.joinable()) thread_.join();
}

PageServer::Caller PageServer::caller(const std::string& token) const {
    std::lock_guard lock(mutex_);
    if (!holder_.empty() && token == holder_) return Caller::Holder;
    if (token.size() > run_key_.size() && token.compare(0, run_key_.size(), run_key_) != 0) return Caller::EarlierRun;
    return Caller::Other;
}

WebReply PageServer::claim(const std::string& token, const std::string& body) {
    {
        std::lock_guard lock(mutex_);
        if (!closed_message_.empty()) return {409, error_json(closed_message_)};
        const bool free = holder_.empty() ||
                          (holder_streams_ == 0 && std::chrono::steady_clock::now() - silent_since_ > kTakeOverAfter);
        if (token != holder_ || holder_.empty()) {
            if (!free) return {409, error_json(kOtherPage)};
            holder_ = run_key_ + random_hex(20);
            silent_since_ = std::chrono::steady_clock::now();
        }
    }
    WebReply reply = handler_("claim", body);
    if (reply.status != 200) return reply;
    std::lock_guard lock(mutex_);
    return {200, "{\"page\":" + json_string(holder_) + ",\"panel\":" + reply.body + "}"};
}

void PageServer::stream_opened(const std::string& token) {
    std::lock_guard lock(mutex_);
    if (token == holder_) ++holder_streams_;
}

void PageServer::stream_closed(const std::string& token) {
    std::lock_guard lock(mutex_);
    if (token != holder_ || holder_streams_ == 0) return;
    if (--holder_streams_ == 0) silent_since_ = std::chrono::steady_clock::now();
}

bool PageServer::claimed() const {
    std::lock_guard lock(mutex_);
    return !holder_.empty();
}

std::chrono::steady_clock::duration PageServer::silent_for() const {
    std::lock_guard lock(mutex_);
    if (holder_streams_ > 0) return std::chrono::steady_clock::duration::zero();
    return std::chrono::steady_clock::now() - silent_since_;
}

void PageServer::close_panel(const std::string& message) {
    std::lock_guard lock(mutex_);
    closed_message_ = message;
}

}  // namespace zelkor::cli
