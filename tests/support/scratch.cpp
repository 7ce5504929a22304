// Scratch directories under the system's temporary directory.
#include "tests/support/scratch.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/platform.h"

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path base = fs::temp_directory_path() / ("inkhound-test-" + std::to_string(stamp) +
                                                       "-" + std::to_string(counter++));
    fs::create_directories(base);
    path_ = base.string();
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string ScratchDir::file(const std::string& name) const {
    return path_ + kPathSeparator + name;
}

std::string ScratchDir::write(const std::string& name, const Bytes& contents) const {
    const std::string full = file(name);
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    return full;
}

std::string ScratchDir::make_dir(const std::string& name) const {
    const std::string full = file(name);
    fs::create_directories(full);
    return full;
}

Bytes read_whole_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
