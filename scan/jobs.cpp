// Checks on several threads for one scan: the window of files in flight, the workers that
// check them with their entries captured, the owner's help with them while the window is
// full, and the owner's replay in hand-over order.
#include "scan/jobs.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "report/report.h"
#include "classify/check.h"
#include "classify/reader.h"

namespace {

// The owner waits in steps this long: a stop raised in a signal handler wakes nobody.
constexpr auto kStopPollInterval = std::chrono::milliseconds(50);

// Files waiting to be taken before the owner wakes a worker for them as it hands one over,
// while another worker is awake.
constexpr std::uint64_t kFilesToWakeFor = 4;

// Most files a worker takes at once, where each takes under kQuickCheck to check.
constexpr std::uint64_t kFilesToTakeAtOnce = 8;
constexpr auto kQuickCheck = std::chrono::microseconds(50);

// One entry a check made, as its sink received it.
struct CapturedEntry {
    int category;
    int open_failure_error;  // the worker's scan's, while the entry was in its sink
    bool has_name;
    std::string timestamp;
    std::string name;
    std::string message;
};

enum class SlotState : std::uint8_t { Free, Queued, Running, Done };

// One file in flight. Its state says who may touch the rest: the owner while it is Free
// or Done, the worker that took it while Running, nobody while Queued.
struct Slot {
    SlotState state;
    std::string path;
    bool listed_regular;  // as check_file takes it
    std::vector<CapturedEntry> entries;
    Verdict verdict;
    bool embedded_jpeg_seen;
    // The record without its PDF inventory, which is most of it and is kept only for a
    // PDF (pdf_examined), so that the window's records stay small.
    unsigned char details_head[kFileDetailsHeadSize];
    bool pdf_examined;
    std::unique_ptr<PdfInventory> pdf;  // made at the slot's first PDF
    std::int32_t seen;                  // the file's own share of the scan's counters
    std::int32_t checked;
    std::int32_t logged;
};

// The slot a worker's check is capturing into.
thread_local Slot* capturing_slot = nullptr;

void capture_entry(int category, const char* timestamp, const char* name, const char* message) {
    const ScanState* scan = current_scan();
    CapturedEntry entry;
    entry.category = category;
    entry.open_failure_error = scan != nullptr ? scan->open_failure_error : 0;
    entry.has_name = name != nullptr;
    entry.timestamp = timestamp;
    if (name != nullptr) entry.name = name;
    entry.message = message;
    capturing_slot->entries.push_back(std::move(entry));
}

}  // namespace

struct CheckJobs {
    JobsSetUp set_up;
    ScanState* owner_scan;                  // replayed into on the owner's thread only
    ScanState owner_capture;                // bound on the owner's thread while it checks
    std::unique_ptr<FileDetails> replayed;  // the owner's: the record file_done is given
    std::vector<Slot> slots;                // the window: file n lives in slots[n % slots.size()]
    std::vector<std::thread> workers;
    // Under `lock`, shared by the owner and the workers: the slots' states and the fields
    // below. The owner alone writes next_to_hand, ended and the owner's wait; whoever takes
    // files to check (a worker, or the owner helping) advances next_to_take and then
    // finished, and the owner also when it drops files nobody has taken; the workers
    // idle_workers, each for itself. Workers wait on `to_workers` for a
    // file or the close, the owner on `to_owner` for files checked.
    //
    // A wake-up costs each side a system call, dearer than a small file's check: the owner
    // wakes the workers when a few files wait for them or before it waits itself, and a
    // worker wakes the owner only when the files it waits for are checked.
    std::mutex lock;
    std::condition_variable to_workers;
    std::condition_variable to_owner;
    std::uint64_t next_to_hand;    // sequence number of the next file handed over
    std::uint64_t next_to_take;    // workers take files strictly in hand-over order
    std::uint64_t finished;        // files checked (or dropped) so far, in any order
    int idle_workers;              // workers waiting on to_workers
    bool owner_waiting;            // the owner waits on to_owner ...
    std::uint64_t wake_owner_at;   // ... until `finished` reaches this
    bool ended;                    // no file is begun or replayed any more
    bool closing;                  // the workers end once no file is left to take
    std::uint64_t next_to_replay;  // the owner's alone
};

namespace {

Slot& slot_of(CheckJobs& jobs, std::uint64_t sequence) {
    return jobs.slots[sequence % jobs.slots.size()];
}

bool stopped(const CheckJobs& jobs) {
    return jobs.set_up.stop != nullptr && jobs.set_up.stop->load(std::memory_order_relaxed);
}

// Under the lock.
bool can_take(const CheckJobs& jobs) {
    return !jobs.ended && !stopped(jobs) && jobs.next_to_take < jobs.next_to_hand;
}

// On a worker, for the slot it took: the check with its entries captured and its own
// counts kept.
void check_in_slot(const CheckJobs& jobs, Slot& slot) {
    ScanState* scan = current_scan();
    zero_scan_counters(scan);
    slot.entries.clear();
    capturing_slot = &slot;
    const Options& options = *jobs.set_up.options;
    // The walker's listing may be closed by now: the file is opened by its path.
    const ListedFile listed = {{0}, nullptr};
    slot.verdict = check_file(slot.path.c_str(), options, slot.listed_regular ? &listed : nullptr);
    slot.embedded_jpeg_seen = file_reader.embedded_jpeg_seen;
    const FileDetails& details = file_reader.details;
    std::memcpy(slot.details_head, &details, kFileDetailsHeadSize);
    slot.pdf_examined = details.pdf.examined;
    if (slot.pdf_examined) {
        if (slot.pdf == nullptr) slot.pdf.reset(new PdfInventory());
        *slot.pdf = details.pdf;
    }
    if (jobs.set_up.report_verdicts)
        report_verdict(slot.path.c_str(), slot.verdict, slot.embedded_jpeg_seen,
                       options.logging_flags);
    capturing_slot = nullptr;
    slot.seen = scan->files_seen.load(std::memory_order_relaxed);
    slot.checked = scan->files_checked.load(std::memory_order_relaxed);
    slot.logged = scan->files_logged.load(std::memory_order_relaxed);
}

// On the owner's thread, the window full: checks the next file waiting, as a worker
// would, rather than wait for the workers. Under the lock, which it lets go meanwhile.
void help_workers(CheckJobs& jobs, std::unique_lock<std::mutex>& hold) {
    Slot& slot = slot_of(jobs, jobs.next_to_take++);
    slot.state = SlotState::Running;
    hold.unlock();
    bind_scan(&jobs.owner_capture);
    check_in_slot(jobs, slot);
    bind_scan(jobs.owner_scan);
    hold.lock();
    slot.state = SlotState::Done;
    ++jobs.finished;
}

void run_worker(CheckJobs* jobs) {
    platform_keep_interrupts_off_this_thread();
    ScanState scan{};  // this worker's: its sink captures, its counters are per file
    scan.sink = capture_entry;
    bind_scan(&scan);
    bool quick = false;  // the last files taken were checked in under kQuickCheck each
    std::unique_lock<std::mutex> hold(jobs->lock);
    for (;;) {
        if (!can_take(*jobs)) {
            if (jobs->closing) break;
            ++jobs->idle_workers;
            jobs->to_workers.wait(hold, [jobs] { return jobs->closing || can_take(*jobs); });
            --jobs->idle_workers;
            continue;
        }
        // Where checks take a few microseconds, a share of the files waiting is taken at
        // once, since the lock is dearer when taken for each one; where they take longer
        // (a slow share, large files), one at a time. Every file taken is begun, a stop
        // notwithstanding, so that the files begun stay a run from the first: one at a
        // time, a stop waits for one file per job.
        const std::uint64_t waiting = jobs->next_to_hand - jobs->next_to_take;
        const std::uint64_t take =
            !quick ? 1
                   : std::min<std::uint64_t>(
                         kFilesToTakeAtOnce,
                         std::max<std::uint64_t>(1, waiting / jobs->workers.size()));
        const std::uint64_t first = jobs->next_to_take;
        jobs->next_to_take += take;
        for (std::uint64_t n = first; n < first + take; ++n)
            slot_of(*jobs, n).state = SlotState::Running;
        hold.unlock();
        const auto began = std::chrono::steady_clock::now();
        for (std::uint64_t n = first; n < first + take; ++n)
            check_in_slot(*jobs, slot_of(*jobs, n));
        quick = std::chrono::steady_clock::now() - began < take * kQuickCheck;
        hold.lock();
        for (std::uint64_t n = first; n < first + take; ++n)
            slot_of(*jobs, n).state = SlotState::Done;
        jobs->finished += take;
        // After a stop the owner waits for no file not yet begun.
        if (jobs->owner_waiting && (jobs->finished >= jobs->wake_owner_at || stopped(*jobs))) {
            jobs->owner_waiting = false;
            jobs->to_owner.notify_one();
        }
    }
    bind_scan(nullptr);
}

// On the owner's thread: the slot's record made whole again in the owner's own.
const FileDetails* replayed_details(const CheckJobs& jobs, const Slot& slot) {
    FileDetails& details = *jobs.replayed;
    std::memcpy(&details, slot.details_head, kFileDetailsHeadSize);
    // An inventory nobody wrote is all zero, as clear_file_details leaves it.
    if (slot.pdf_examined)
        details.pdf = *slot.pdf;
    else if (details.pdf.examined)
        details.pdf = {};
    return &details;
}

// On the owner's thread: the file's counts and entries into the owner's scan, as the check
// would have made them there; then the owner's own look at the file. Returns file_done's
// answer.
bool replay(const CheckJobs& jobs, const Slot& slot) {
    ScanState* scan = jobs.owner_scan;
    for (std::int32_t i = 0; i < slot.seen; ++i) count_file_seen();
    if (scan != nullptr) {
        scan->files_checked += slot.checked;
        scan->files_logged += slot.logged;
        for (const CapturedEntry& entry : slot.entries) {
            if (scan->sink == nullptr) break;
            scan->open_failure_error = entry.open_failure_error;
            scan->sink(entry.category, entry.timestamp.c_str(),
                       entry.has_name ? entry.name.c_str() : nullptr, entry.message.c_str());
            scan->open_failure_error = 0;
        }
    }
    if (jobs.set_up.file_done == nullptr) return true;
    return jobs.set_up.file_done(
        {slot.path.c_str(), slot.verdict, slot.embedded_jpeg_seen, replayed_details(jobs, slot)});
}

// Under the lock, on the owner's thread: wakes a waiting worker when files wait to be
// taken; with `all`, every waiting worker.
void wake_workers(CheckJobs& jobs, bool all) {
    if (jobs.idle_workers == 0 || jobs.next_to_take == jobs.next_to_hand) return;
    // With every worker asleep, the file waiting is woken for at once.
    if (!all && jobs.next_to_hand - jobs.next_to_take < kFilesToWakeFor &&
        static_cast<std::size_t>(jobs.idle_workers) < jobs.workers.size())
        return;
    if (all)
        jobs.to_workers.notify_all();
    else
        jobs.to_workers.notify_one();
}

// On the owner's thread: replays the checked files at the front of the window, in order,
// and drops the files nobody will begin (after the stop or the end); returns once a slot
// is free for the next file or, with `all`, once no file is in flight.
void settle(CheckJobs& jobs, bool all) {
    std::unique_lock<std::mutex> hold(jobs.lock);
    for (;;) {
        // The checked files at the front, replayed together with the lock let go: the
        // slots are the owner's while Done.
        std::uint64_t run_end = jobs.next_to_replay;
        while (run_end < jobs.next_to_hand && slot_of(jobs, run_end).state == SlotState::Done)
            ++run_end;
        if (run_end > jobs.next_to_replay) {
            hold.unlock();
            bool go_on = true;
            for (std::uint64_t n = jobs.next_to_replay; n < run_end; ++n) {
                Slot& slot = slot_of(jobs, n);
                if (go_on && !jobs.ended) go_on = replay(jobs, slot);
            }
            hold.lock();
            if (!go_on) jobs.ended = true;
            for (std::uint64_t n = jobs.next_to_replay; n < run_end; ++n)
                slot_of(jobs, n).state = SlotState::Free;
            jobs.next_to_replay = run_end;
        }
        if (jobs.next_to_replay < jobs.next_to_hand &&
            slot_of(jobs, jobs.next_to_replay).state == SlotState::Queued &&
            (jobs.ended || stopped(jobs))) {
            // Workers take files in order: from here on nothing has been begun.
            for (std::uint64_t n = jobs.next_to_replay; n < jobs.next_to_hand; ++n)
                slot_of(jobs, n).state = SlotState::Free;
            jobs.finished += jobs.next_to_hand - jobs.next_to_take;
            jobs.next_to_replay = jobs.next_to_take = jobs.next_to_hand;
        }
        const std::uint64_t in_flight = jobs.next_to_hand - jobs.next_to_replay;
        if (in_flight == 0 || (!all && in_flight < jobs.slots.size())) return;
        if (slot_of(jobs, jobs.next_to_replay).state == SlotState::Done) continue;
        // Rather than wait, the owner checks a waiting file itself, as the Nth of N jobs:
        // N - 1 threads are started.
        if (can_take(jobs)) {
            help_workers(jobs, hold);
            continue;
        }
        // Woken when half the window is checked (or all of it, at the end), so that one
        // wake-up replays many files; a worker still on the front file is waited for
        // file by file.
        wake_workers(jobs, true);
        const std::uint64_t half = all ? in_flight : (in_flight + 1) / 2;
        jobs.wake_owner_at = std::max(jobs.finished + 1, jobs.next_to_replay + half);
        jobs.owner_waiting = true;
        jobs.to_owner.wait_for(hold, kStopPollInterval);
        jobs.owner_waiting = false;
    }
}

}  // namespace

CheckJobs* start_check_jobs(const JobsSetUp& set_up) {
    CheckJobs* jobs = new CheckJobs();
    jobs->set_up = set_up;
    jobs->owner_scan = current_scan();
    jobs->owner_capture.sink = capture_entry;
    jobs->replayed.reset(new FileDetails());
    jobs->slots.resize(
        static_cast<std::size_t>(std::max(kFilesInFlightAtLeast, set_up.jobs * kFilesPerJob)));
    for (int i = 1; i < set_up.jobs; ++i) {
        // A thread the system refuses leaves the jobs started so far to do the work.
        try {
            jobs->workers.emplace_back(run_worker, jobs);
        } catch (const std::system_error&) {
            break;
        }
    }
    if (jobs->workers.empty()) {
        delete jobs;
        return nullptr;
    }
    return jobs;
}

bool hand_over_file(CheckJobs* jobs, const char* path, bool listed_regular) {
    settle(*jobs, false);
    std::lock_guard<std::mutex> hold(jobs->lock);
    if (jobs->ended || stopped(*jobs)) return false;
    Slot& slot = slot_of(*jobs, jobs->next_to_hand++);
    slot.path.assign(path);
    slot.listed_regular = listed_regular;
    slot.state = SlotState::Queued;
    wake_workers(*jobs, false);
    return true;
}

void catch_up_checks(CheckJobs* jobs) {
    settle(*jobs, true);
}

void finish_check_jobs(CheckJobs* jobs) {
    settle(*jobs, true);
    {
        std::lock_guard<std::mutex> hold(jobs->lock);
        jobs->closing = true;
    }
    jobs->to_workers.notify_all();
    for (std::thread& worker : jobs->workers) worker.join();
    delete jobs;
}

CheckJobs* jobs_for_next_file(JobsOnDemand* on_demand) {
    if (on_demand->checks != nullptr || on_demand->set_up.jobs < 2) return on_demand->checks;
    // The threads start with the second file; where they cannot, the files are checked
    // on the owner's thread all the same, and the start is not tried again.
    if (++on_demand->files_seen > 1 && !on_demand->tried) {
        on_demand->tried = true;
        on_demand->checks = start_check_jobs(on_demand->set_up);
    }
    return on_demand->checks;
}

void finish_jobs_on_demand(JobsOnDemand* on_demand) {
    if (on_demand->checks != nullptr) finish_check_jobs(on_demand->checks);
    on_demand->checks = nullptr;
}

FileHandOff file_hand_off(CheckJobs* jobs) {
    FileHandOff hand_off;
    hand_off.hand_over = [](void* receiver, const char* path, const ListedFile* listed) {
        hand_over_file(static_cast<CheckJobs*>(receiver), path, listed != nullptr);
    };
    hand_off.catch_up = [](void* receiver) { catch_up_checks(static_cast<CheckJobs*>(receiver)); };
    hand_off.receiver = jobs;
    return hand_off;
}
