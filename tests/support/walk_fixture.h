// The walker tests' common ground: a scratch tree, a collecting sink, options that check
// every kind of file and log everything, and the entries a walk made.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/collect_sink.h"
#include "tests/support/scratch.h"
#include "scan/walker.h"

// A one-pixel GIF: checked, and logged in category 5 without a message.
inline const Bytes kGif("GIF89a\x01\x00\x01\x00", 10);

class WalkFixture : public ::testing::Test {
   protected:
    void SetUp() override {
        reset_core_state();
        set_default_options(&options_);
        options_.file_scan_flags =
            kCheckTiff | kCheckJpeg | kCheckEps | kWarnGif | kExamineExtensions;
        options_.logging_flags = 0x1F;
    }
    void TearDown() override { release_options(&options_); }

    // The entries of `category`, sorted, or with kEveryEntry all in order with their
    // categories; each as "@" when timestamped, the name, and ": message" if there is one.
    static constexpr int kEveryEntry = 100;
    std::vector<std::string> entries(int category = kEveryEntry) const {
        std::vector<std::string> out;
        for (const CollectedEntry& e : sink_.entries()) {
            if (category != kEveryEntry && e.category != category) continue;
            std::string text = category == kEveryEntry ? std::to_string(e.category) + " " : "";
            text += (e.timestamp.empty() ? "" : "@") + e.name;
            if (!e.message.empty()) text += (e.has_name ? ": " : "") + e.message;
            out.push_back(text);
        }
        if (category != kEveryEntry) std::sort(out.begin(), out.end());
        return out;
    }

    Options options_ = {};
    ScratchDir scratch_;
    CollectingSink sink_;
};
