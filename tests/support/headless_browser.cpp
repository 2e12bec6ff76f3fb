#include "support/headless_browser.hpp"

#include <fcntl.h>
#include <poll.h>
#ifdef QUORL_HAVE_PNG
#include <png.h>
#endif
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "io/json.hpp"

namespace quorl::testing {

namespace {

constexpr int kTimeoutMs = 30000;

std::string base64Decode(const std::string& in) {
    std::string out;
    std::uint32_t chunk = 0;
    int bits = 0;
    for (const char c : in) {
        int v = -1;
        if (c >= 'A' && c <= 'Z') {
            v = c - 'A';
        } else if (c >= 'a' && c <= 'z') {
            v = c - 'a' + 26;
        } else if (c >= '0' && c <= '9') {
            v = c - '0' + 52;
        } else if (c == '+') {
            v = 62;
        } else if (c == '/') {
            v = 63;
        }
        if (v < 0) {
            continue;
        }
        chunk = (chunk << 6) | static_cast<std::uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((chunk >> bits) & 0xffu));
        }
    }
    return out;
}

Image decodePng(const std::string& png) {
#ifndef QUORL_HAVE_PNG
    (void)png;
    throw std::runtime_error("built without libpng: screenshots cannot be decoded");
#else
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
        throw std::runtime_error(std::string("screenshot is no PNG: ") + image.message);
    }
    image.format = PNG_FORMAT_RGBA;
    Image out;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
    if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) {
        throw std::runtime_error(std::string("screenshot cannot be decoded: ") + image.message);
    }
    return out;
#endif
}

}  // namespace

std::optional<std::string> HeadlessBrowser::program() {
#ifndef QUORL_HAVE_PNG
    return std::nullopt;
#endif
    if (const char* env = std::getenv("QUORL_CHROMIUM"); env && *env) {
        return std::string(env);
    }
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        for (const char* name : {"chromium", "chromium-browser"}) {
            const std::filesystem::path p = std::filesystem::path(dir) / name;
            if (!dir.empty() && ::access(p.c_str(), X_OK) == 0) {
                return p.string();
            }
        }
    }
    return std::nullopt;
}

HeadlessBrowser::HeadlessBrowser(const std::string& program, int width, int height, double scale) {
    std::random_device rd;
    profile_ = std::filesystem::temp_directory_path() / ("quorl-browser-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(profile_);
    const std::string log = (profile_ / "browser.log").string();

    ::signal(SIGPIPE, SIG_IGN);  // a browser that dies shows as a failed write, not a killed test
    int in[2];   // we write, the browser reads on fd 3
    int out[2];  // the browser writes on fd 4, we read
    if (::pipe(in) != 0 || ::pipe(out) != 0) {
        throw std::runtime_error("pipe failed");
    }
    // The flags keep a headless browser, run as root on a closed network,
    // from reaching out: no sandbox (root), no GPU, no background or
    // component traffic, no sync, a fresh profile.
    std::vector<std::string> args = {program,
                                     "--headless",
                                     "--no-sandbox",
                                     "--disable-gpu",
                                     "--disable-quic",
                                     "--no-first-run",
                                     "--no-default-browser-check",
                                     "--disable-background-networking",
                                     "--disable-component-update",
                                     "--disable-sync",
                                     "--disable-extensions",
                                     "--disable-dev-shm-usage",
                                     "--hide-scrollbars",
                                     "--mute-audio",
                                     "--remote-debugging-pipe",
                                     "--user-data-dir=" + profile_.string(),
                                     "about:blank"};
    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid_ == 0) {
        ::setpgid(0, 0);  // its helper processes go with it
        ::dup2(in[0], 3);
        ::dup2(out[1], 4);
        const int logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int nullFd = ::open("/dev/null", O_RDONLY);
        ::dup2(nullFd, 0);
        ::dup2(logFd, 1);
        ::dup2(logFd, 2);
        for (int fd = 5; fd < 1024; ++fd) {
            ::close(fd);
        }
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::setpgid(pid_, pid_);
    ::close(in[0]);
    ::close(out[1]);
    toBrowser_ = in[1];
    fromBrowser_ = out[0];
    ::fcntl(toBrowser_, F_SETFD, FD_CLOEXEC);
    ::fcntl(fromBrowser_, F_SETFD, FD_CLOEXEC);

    const JsonValue target = call("Target.createTarget", R"({"url":"about:blank"})", false);
    const JsonValue attached = call(
        "Target.attachToTarget", R"({"targetId":)" + io::jsonString(target["targetId"].string()) + R"(,"flatten":true})",
        false);
    session_ = attached["sessionId"].string();
    call("Runtime.enable", "{}");
    call("Page.enable", "{}");
    call("Log.enable", "{}");
    call("Network.enable", "{}");
    call("Emulation.setDeviceMetricsOverride", R"({"width":)" + std::to_string(width) + R"(,"height":)" +
                                                   std::to_string(height) + R"(,"deviceScaleFactor":)" +
                                                   std::to_string(scale) + R"(,"mobile":false})");
}

HeadlessBrowser::~HeadlessBrowser() {
    if (pid_ > 0) {
        try {
            const std::string msg = R"({"id":999999,"method":"Browser.close","params":{}})";
            [[maybe_unused]] const auto n = ::write(toBrowser_, msg.c_str(), msg.size() + 1);
        } catch (...) {
        }
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 100 && !ended; ++i) {
            ended = ::waitpid(pid_, &status, WNOHANG) == pid_;
            if (!ended) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        ::kill(-pid_, SIGKILL);  // the browser's own process group: its helpers, and itself if still there
        if (!ended) {
            ::waitpid(pid_, &status, 0);
        }
    }
    if (toBrowser_ >= 0) {
        ::close(toBrowser_);
    }
    if (fromBrowser_ >= 0) {
        ::close(fromBrowser_);
    }
    std::error_code ec;
    std::filesystem::remove_all(profile_, ec);
}

JsonValue HeadlessBrowser::receive() {
    for (;;) {
        const std::size_t end = buffer_.find('\0');
        if (end != std::string::npos) {
            const std::string message = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return JsonValue::parse(message);
        }
        pollfd p{fromBrowser_, POLLIN, 0};
        if (::poll(&p, 1, kTimeoutMs) <= 0) {
            throw std::runtime_error("the browser did not answer within 30 s (its log: " +
                                     (profile_ / "browser.log").string() + ")");
        }
        char chunk[65536];
        const ssize_t n = ::read(fromBrowser_, chunk, sizeof chunk);
        if (n <= 0) {
            throw std::runtime_error("the browser closed its pipe");
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

void HeadlessBrowser::note(const JsonValue& event) {
    const std::string method = event["method"].stringOr("");
    const JsonValue& params = event["params"];
    if (method == "Page.loadEventFired") {
        loaded_ = true;
    } else if (method == "Runtime.exceptionThrown") {
        const JsonValue& d = params["exceptionDetails"];
        errors_.push_back("exception: " + d["exception"]["description"].stringOr(d["text"].stringOr("?")));
    } else if (method == "Runtime.consoleAPICalled" && params["type"].stringOr("") == "error") {
        std::string text = "console.error:";
        for (std::size_t i = 0; i < params["args"].size(); ++i) {
            text += " " + params["args"][i]["value"].stringOr(params["args"][i]["description"].stringOr("?"));
        }
        errors_.push_back(text);
    } else if (method == "Log.entryAdded" && params["entry"]["level"].stringOr("") == "error") {
        errors_.push_back("log: " + params["entry"]["text"].stringOr("?"));
    } else if (method == "Network.requestWillBeSent") {
        requests_.push_back(params["request"]["url"].stringOr("?"));
    }
}

JsonValue HeadlessBrowser::call(const std::string& method, const std::string& params, bool onPage) {
    const int id = nextId_++;
    std::string msg = R"({"id":)" + std::to_string(id) + R"(,"method":")" + method + R"(","params":)" + params;
    if (onPage) {
        msg += R"(,"sessionId":)" + io::jsonString(session_);
    }
    msg += "}";
    msg.push_back('\0');
    for (std::size_t done = 0; done < msg.size();) {
        const ssize_t n = ::write(toBrowser_, msg.data() + done, msg.size() - done);
        if (n <= 0) {
            throw std::runtime_error("cannot send to the browser");
        }
        done += static_cast<std::size_t>(n);
    }
    for (;;) {
        JsonValue reply = receive();
        if (!reply.has("id")) {
            note(reply);
            continue;
        }
        if (static_cast<int>(reply["id"].number()) != id) {
            continue;
        }
        if (reply.has("error")) {
            throw std::runtime_error(method + ": " + reply["error"]["message"].stringOr("error"));
        }
        return reply["result"];
    }
}

void HeadlessBrowser::open(const std::string& url) {
    loaded_ = false;
    const JsonValue r = call("Page.navigate", R"({"url":)" + io::jsonString(url) + "}");
    if (r.has("errorText")) {
        throw std::runtime_error("cannot open " + url + ": " + r["errorText"].string());
    }
    while (!loaded_) {
        note(receive());
    }
}

JsonValue HeadlessBrowser::evaluate(const std::string& expression) {
    const JsonValue r = call("Runtime.evaluate", R"({"expression":)" + io::jsonString(expression) +
                                                     R"(,"returnByValue":true,"awaitPromise":true})");
    if (r.has("exceptionDetails")) {
        const JsonValue& d = r["exceptionDetails"];
        throw std::runtime_error("script error in '" + expression +
                                 "': " + d["exception"]["description"].stringOr(d["text"].stringOr("?")));
    }
    return r["result"]["value"];
}

Image HeadlessBrowser::screenshot() {
    const JsonValue r = call("Page.captureScreenshot", R"({"format":"png"})");
    return decodePng(base64Decode(r["data"].string()));
}

}  // namespace quorl::testing
