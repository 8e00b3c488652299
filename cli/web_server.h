// The HTTP side of the browser panel: a server on 127.0.0.1 only, on a free port, for one page at
// a time. It serves the page's files from one folder and hands every /api/ call of the page that
// holds the panel to a handler; it knows nothing of panels.
//
// One page holds the panel: the first that claims it (POST /api/claim) receives a token, which
// every later call carries in the header X-Zelkor-Page. Another page is told the panel is open
// elsewhere; a page of an earlier server (an earlier run) is told that run has ended. A page
// keeps GET /api/events?page=TOKEN open while it is shown; a page that was closed, or reloaded
// in its tab, lets go of the panel, and reclaims it with its token from the same tab.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace zelkor::cli {

struct WebReply {
    int status = 200;
    std::string body;  // JSON
};

class PageServer {
public:
    // `action` is the name after /api/ ("set", "preview"); `body` the request's JSON text. Called
    // on the server's threads, possibly several at once.
    using Handler = std::function<WebReply(const std::string& action, const std::string& body)>;

    // Binds 127.0.0.1 on a port the system chooses and starts serving. Throws std::runtime_error
    // when no port can be bound.
    PageServer(std::filesystem::path files, Handler handler);
    ~PageServer();  // stops serving and waits for the server's threads
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    int port() const { return port_; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

    // Whether a page has claimed the panel, and how long no claiming page has been shown (zero
    // while one is; since the start while none ever claimed it).
    bool claimed() const;
    std::chrono::steady_clock::duration silent_for() const;

    // From now on every call is answered 409 with `message`: the panel was answered.
    void close_panel(const std::string& message);

private:
    enum class Caller { Holder, Other, EarlierRun };
    Caller caller(const std::string& token) const;
    WebReply claim(const std::string& token, const std::string& body);
    void stream_opened(const std::string& token);
    void stream_closed(const std::string& token);

    std::filesystem::path files_;
    Handler handler_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    const std::string run_key_;  // begins every token this server hands out

    mutable std::mutex mutex_;
    std::string holder_;          // the token of the page holding the panel, empty before a claim
    int holder_streams_ = 0;      // its open event streams
    std::chrono::steady_clock::time_point silent_since_;
    std::string closed_message_;  // set by close_panel
    std::atomic<bool> stopping_{false};
};

}  // namespace zelkor::cli
