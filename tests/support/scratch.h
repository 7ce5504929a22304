// A scratch directory per test, removed afterwards, with helpers to write files into it.
#pragma once

#include <string>

#include "tests/support/bytes.h"

class ScratchDir {
   public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    // Full path of `name` inside the directory (the platform's separator).
    std::string file(const std::string& name) const;
    // Writes `contents` to `name` and returns its full path.
    std::string write(const std::string& name, const Bytes& contents) const;
    // Makes a subdirectory and returns its full path.
    std::string make_dir(const std::string& name) const;

   private:
    std::string path_;
};

// Reads a whole file; empty when it cannot be read.
Bytes read_whole_file(const std::string& path);
