// A headless browser driven through its DevTools protocol over a pipe (no
// port is opened): open a page, evaluate script in it, take screenshots.
// Every script exception, console error and log error of the page is
// collected, and so is every request the page makes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/json_value.hpp"

namespace quorl::testing {

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;  // row by row from the top

    const Rgba& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

class HeadlessBrowser {
public:
    // The browser program: $QUORL_CHROMIUM, or chromium on the PATH.
    static std::optional<std::string> program();

    // Starts the browser with a fresh profile and one page of the given
    // size in CSS pixels (scale: device pixels per CSS pixel).
    HeadlessBrowser(const std::string& program, int width, int height, double scale = 1);
    ~HeadlessBrowser();
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

    // Loads the URL and waits for its load event.
    void open(const std::string& url);
    // The value of a script expression (promises awaited); a script error
    // throws with its text.
    JsonValue evaluate(const std::string& expression);
    Image screenshot();

    // One protocol command on the page (Input.dispatchMouseEvent, say).
    JsonValue command(const std::string& method, const std::string& params) { return call(method, params); }

    const std::vector<std::string>& errors() const { return errors_; }
    const std::vector<std::string>& requests() const { return requests_; }

private:
    JsonValue call(const std::string& method, const std::string& params, bool onPage = true);
    JsonValue receive();
    void note(const JsonValue& event);

    std::filesystem::path profile_;
    pid_t pid_ = -1;
    int toBrowser_ = -1;
    int fromBrowser_ = -1;
    std::string buffer_;
    std::string session_;
    int nextId_ = 1;
    bool loaded_ = false;
    std::vector<std::string> errors_;
    std::vector<std::string> requests_;
};

}  // namespace quorl::testing
