// A fresh temporary directory made the current one for the life of the
// object, so a run's files land there and nowhere else.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace quorl::testing {

class TempDir {
public:
    TempDir() : previous_(std::filesystem::current_path()) {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("quorl-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
        std::filesystem::current_path(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::current_path(previous_, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    static void writeFile(const std::string& name, const std::string& text) {
        std::ofstream f(name, std::ios::binary);
        f << text;
    }
    static std::string readFile(const std::string& name) {
        std::ifstream f(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    static bool exists(const std::string& name) { return std::filesystem::exists(name); }
    // The temporary files (*.tmp) in the current directory: an output file
    // written but not (yet) renamed over its name.
    static std::vector<std::string> temporaries() {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(".")) {
            const std::string name = e.path().filename().string();
            if (name.size() > 4 && name.ends_with(".tmp")) {
                names.push_back(name);
            }
        }
        return names;
    }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

}  // namespace quorl::testing
