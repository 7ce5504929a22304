// The background scanner's state machine on a real thread, with a host whose timer ticks
// only when the test says so: a pause inside a scan and the resume it leaves for the loop,
// a late tick of an earlier arming, a request made between a scan and its wait, a stop
// during a scan. The delays, tips and
// requests between scans are followed end to end with the real program.
#include "scan/background.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "report/logfile.h"
#include "settings/dirlist.h"
#include "settings/options.h"
#include "tests/support/scratch.h"
#include "tests/support/walk_fixture.h"

namespace {

struct FakeHost {
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
    std::vector<std::uint32_t> armed;
    std::uint32_t arming = 0;  // the last one
    std::vector<std::string> tips;
    int alerts = 0;
    std::vector<std::string> notes;  // "" for a whole log
    // A request written when the scanner sets this tip for the `tip_count`-th time, as
    // one made from the user interface at that moment would be.
    const char* request_tip = nullptr;
    int tip_count = 1;
    ScannerCommand request = ScannerCommand::NoCommand;
};
FakeHost* fake;

void arm(std::uint32_t ms, std::uint32_t arming) {
    std::lock_guard<std::mutex> lock(fake->mutex);
    fake->armed.push_back(ms);
    fake->arming = arming;
}
void stop_timer() {}
void wait_event() {
    std::unique_lock<std::mutex> lock(fake->mutex);
    fake->changed.wait(lock, [] { return fake->signalled; });
    fake->signalled = false;
}
void signal_event() {
    std::lock_guard<std::mutex> lock(fake->mutex);
    fake->signalled = true;
    fake->changed.notify_all();
}
void sleep_ms(std::uint32_t) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}
void set_tray(const char* tip, TrayImage) {
    std::lock_guard<std::mutex> lock(fake->mutex);
    fake->tips.push_back(tip);
    if (fake->request_tip != nullptr && std::string(tip) == fake->request_tip &&
        --fake->tip_count == 0)
        background_scanner.scanner_command.store(static_cast<std::uint8_t>(fake->request));
}
void clear_alerts() {}
void raise() {
    ++fake->alerts;
}
void tell_log(const char* note) {
    std::lock_guard<std::mutex> lock(fake->mutex);
    fake->notes.push_back(note != nullptr ? note : "");
}

// The period timer's tick, of the arming now or of an earlier one.
void tick(std::uint32_t arming) {
    scanner_timer_ticked(arming);
}
void tick() {
    std::uint32_t arming;
    {
        std::lock_guard<std::mutex> lock(fake->mutex);
        arming = fake->arming;
    }
    tick(arming);
}

const ScannerHost kFakeHost = {arm,      stop_timer,   wait_event, signal_event, sleep_ms,
                               set_tray, clear_alerts, raise,      tell_log};

class BackgroundScanner : public WalkFixture {
   protected:
    void SetUp() override {
        WalkFixture::SetUp();
        fake = &host_;
        copy_options(&live_options, options_);
        live_options.scanning_period = 7;
        ASSERT_TRUE(set_log_directory((scratch_.path() + kPathSeparator).c_str()));
        empty_directory_list();
        prepare_background_scanner(&kFakeHost);
    }
    void TearDown() override {
        stop_scanning();
        if (thread_.joinable()) thread_.join();
        empty_directory_list();
        set_log_directory(nullptr);
        release_options(&live_options);
        WalkFixture::TearDown();
    }
    void start() {
        scanner_thread_created();
        thread_ = std::thread(run_scanner_thread);
    }
    // Waits until the scanner shows `state` with `armings` timers armed.
    void await(ScannerState state, std::size_t armings) {
        for (int i = 0; i < 5000; ++i) {
            {
                std::lock_guard<std::mutex> lock(host_.mutex);
                if (background_scanner.scanner_state.load() == static_cast<std::uint8_t>(state) &&
                    host_.armed.size() >= armings)
                    return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        FAIL() << "scanner never reached state " << static_cast<int>(state) << " with " << armings
               << " armings";
    }
    std::string log() const {
        const Bytes bytes = read_whole_file(scratch_.file(kLogFileName));
        return std::string(bytes.begin(), bytes.end());
    }
    FakeHost host_;
    std::thread thread_;
};

TEST_F(BackgroundScanner, APauseInsideAScanLeavesItsResumeForTheNextWakeUp) {
    set_directory_mark(scratch_.make_dir("art").c_str(), 1);
    scratch_.write(std::string("art") + kPathSeparator + "a.gif", kGif);
    host_.request_tip = kTipActive;
    host_.request = ScannerCommand::Pause;
    start();
    await(ScannerState::Delaying, 1);
    const std::uint32_t first_arming = host_.arming;
    tick();
    await(ScannerState::Paused, 1);  // held at the first list entry, tip still "active"
    EXPECT_EQ(host_.tips.back(), kTipActive);
    resume_scanning(0);
    await(ScannerState::Delaying, 2);  // the scan ran to its end and found the GIF
    EXPECT_NE(log().find("a.gif"), std::string::npos);
    EXPECT_EQ(host_.alerts, 1);
    signal_event();  // consumed as the pending resume: no scan, one more delay
    await(ScannerState::Delaying, 3);
    EXPECT_EQ(host_.tips.back(), kTipDelaying);
    EXPECT_EQ(host_.alerts, 1);
    tick(first_arming);  // late: it wakes nothing
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(host_.armed.size(), 3u);
}

TEST_F(BackgroundScanner, APauseMadeBetweenAScanAndItsWaitIsTakenWithoutASignal) {
    host_.request_tip = kTipDelaying;
    host_.tip_count = 2;  // the delay after the first scan
    host_.request = ScannerCommand::Pause;
    start();
    await(ScannerState::Delaying, 1);
    tick();
    await(ScannerState::Paused, 2);
    EXPECT_EQ(host_.tips.back(), kTipPaused);
}

TEST_F(BackgroundScanner, AStopDuringAScanStillClosesAndMergesIt) {
    set_directory_mark(scratch_.make_dir("art").c_str(), 1);
    host_.request_tip = kTipActive;
    host_.request = ScannerCommand::Stop;
    start();
    await(ScannerState::Delaying, 1);
    tick();
    thread_.join();
    EXPECT_EQ(background_scanner.scanner_state.load(), 0);
    EXPECT_NE(log().find(kBackgroundScanStopped), std::string::npos);
    EXPECT_FALSE(log_file.slots_prepared);
}

// A log that cannot be written says so in the tip while the scanner delays, and raises
// the alerts though nothing was found; the next whole log takes both back.
TEST_F(BackgroundScanner, ALogNotWrittenShowsInTheTipAndRaisesTheAlerts) {
    fail_platform_call(PlatformCall::OpenWrite, 13);
    start();
    await(ScannerState::Delaying, 1);
    tick();
    await(ScannerState::Delaying, 2);
    EXPECT_EQ(host_.tips.back(), kTipLogNotWritten);
    EXPECT_EQ(host_.alerts, 1);
    ASSERT_EQ(host_.notes.size(), 1u);
    EXPECT_NE(host_.notes[0].find("was not written"), std::string::npos) << host_.notes[0];
    tick();
    await(ScannerState::Delaying, 3);
    EXPECT_EQ(host_.tips.back(), kTipDelaying);
    EXPECT_EQ(host_.alerts, 1);
    EXPECT_EQ(host_.notes.back(), "");
}

// The process ends once a stop returns: a stop that gave up waiting for a scan held in a
// file lets no merge begin later, which the end would cut off, leaving its new log's file.
std::atomic<bool> inside_walk, let_go;
void hold_first_entry(DirectoryEntry*) {
    if (inside_walk.exchange(true)) return;
    while (!let_go) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST_F(BackgroundScanner, NoMergeBeginsAfterAStopGaveUp) {
    set_directory_mark(scratch_.make_dir("art").c_str(), 1);
    scratch_.write(std::string("art") + kPathSeparator + "a.gif", kGif);
    scratch_.write(kLogFileName, "the previous log\r\n");
    inside_walk = let_go = false;
    directory_entry_hook = hold_first_entry;
    start();
    await(ScannerState::Delaying, 1);
    tick();
    while (!inside_walk) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stop_scanning();  // gives up: the scan is still inside the walk
    let_go = true;
    thread_.join();
    EXPECT_EQ(log(), "the previous log\r\n");
}

TEST_F(BackgroundScanner, AThreadThatNeverRanIsNoScanThatAClickWaitsFor) {
    scanner_thread_created();
    scanner_thread_not_started();
    EXPECT_FALSE(background_scan_running());
}

}  // namespace
