// Checks on several threads: the report of a scan whose files are checked by jobs is the
// report one thread makes, entry for entry, whatever the number of jobs and the order in
// which they finish; a stop leaves no file half reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "scan/jobs.h"
#include "tests/support/walk_fixture.h"

namespace {

using Lines = std::vector<std::string>;

class JobsTest : public WalkFixture {
   protected:
    // The immediate scan of `directories` with `jobs` jobs (1: the walker alone), as its
    // entries in order with the counters and the result after them.
    Lines scan(const std::vector<const char*>& directories, int jobs) {
        sink_.clear();
        scan_control.immediate_stop_requested = false;
        const JobsSetUp set_up = {jobs, &options_, true, &scan_control.immediate_stop_requested,
                                  nullptr};
        CheckJobs* checks = jobs > 1 ? start_check_jobs(set_up) : nullptr;
        FileHandOff hand_off = {};
        if (checks != nullptr) hand_off = file_hand_off(checks);
        const ImmediateScanTargets targets = {false,
                                              directories.data(),
                                              static_cast<int>(directories.size()),
                                              true,
                                              checks != nullptr ? &hand_off : nullptr,
                                              nullptr};
        const int result = perform_immediate_scan(targets, options_);
        if (checks != nullptr) finish_check_jobs(checks);
        Lines lines = entries();
        const ScanState& scan = test_scan();
        lines.push_back(std::to_string(scan.files_seen) + " " + std::to_string(scan.files_checked) +
                        " " + std::to_string(scan.files_logged) + " " + std::to_string(result));
        return lines;
    }
};

// Every kind of verdict (the fixtures), a file that cannot be opened, one whose reads fail
// (POSIX), a folder that cannot be opened and paths past the limit.
TEST_F(JobsTest, AnyNumberOfJobsMakesTheOneJobReport) {
    scratch_.make_dir("tree/sub");
    scratch_.write("tree/logo.gif", kGif);
    scratch_.write("tree/sub/text.tif", "plain text");
    scratch_.write("tree/sub/empty.tif", Bytes("II*\0\x08\0\0\0\0\0", 10));
    // A file the walker takes for a folder: one it cannot open, among the files.
    scratch_.write("tree/sub/locked", kGif);
    directory_entry_hook = [](DirectoryEntry* entry) {
        if (std::strcmp(entry->name, "locked") == 0) entry->is_directory = true;
    };
#ifndef _WIN32
    ASSERT_EQ(0, symlink("/proc/self/mem", scratch_.file("tree/sub/unreadable.tif").c_str()));
    ASSERT_EQ(0, symlink("nowhere", scratch_.file("tree/gone.jpg").c_str()));
#endif
    // A folder padded with "." to just under the limit: one name in it does not fit.
    std::string padded = scratch_.make_dir("long");
    const std::size_t target = kPathSeparator == '\\' ? 250 : kPathLimit - 16;
    while (padded.size() + 2 <= target) padded += std::string(1, kPathSeparator) + ".";
    scratch_.write("long/a.gif", kGif);
    scratch_.write("long/" + std::string(40, 'n') + ".gif", kGif);
    const std::string tree = scratch_.file("tree");
    const std::vector<const char*> directories = {INKHOUND_FIXTURE_DIR, tree.c_str(),
                                                  padded.c_str()};
    const Lines one = scan(directories, 1);
    ASSERT_GT(one.size(), 30u) << "the fixtures are missing";
    for (const int jobs : {2, 8, kMaxJobs}) {
        SCOPED_TRACE(std::to_string(jobs) + " jobs");
        // Timestamps aside: "@" marks where one was.
        EXPECT_EQ(one, scan(directories, jobs));
    }
}

// A stop raised as the first file is counted: the files begun are reported whole, in
// order, and nothing after the stop is begun.
TEST_F(JobsTest, AStopReportsEveryFileBegunAndNoOther) {
    // More files than eight jobs hold in flight.
    const int in_flight = std::max(kFilesInFlightAtLeast, 8 * kFilesPerJob);
    for (int i = 0; i < 2 * in_flight; ++i)
        scratch_.write("f" + std::to_string(1000 + i) + ".gif", kGif);
    const std::vector<const char*> directories = {scratch_.path().c_str()};
    const Lines whole = scan(directories, 1);
    test_scan().progress_count_on = true;
    test_scan().show_progress_count = [](std::int32_t seen) {
        if (seen == 1) scan_control.immediate_stop_requested = true;
    };
    const Lines stopped = scan(directories, 8);
    // The start line, a line per file, three closing lines and the counters.
    const int files = static_cast<int>(stopped.size()) - 5;
    ASSERT_LE(1, files);
    EXPECT_GE(in_flight + 1, files);
    EXPECT_TRUE(std::equal(stopped.begin(), stopped.begin() + 1 + files, whole.begin()));
    EXPECT_EQ("-1 @Immediate scan stopped by user", stopped[stopped.size() - 3]);
    const std::string count = std::to_string(files) + " ";
    EXPECT_EQ(count + count + count + "0", stopped.back());
}

}  // namespace
