// Checks on several threads at once for one scan or one run of the command-line check: the
// owner's thread hands files over in order, worker threads check them, each with its own
// reader and its entries captured, and so does the owner's thread while the window of
// files in flight is full; the owner's thread replays each file's entries into its own
// scan strictly in hand-over order. The report is the one a single thread
// checking the files in turn would make. Used from one owner thread at a time.
#pragma once

#include <atomic>

#include "settings/options.h"
#include "classify/details.h"
#include "classify/verdict.h"
#include "scan/walker.h"

// Each job holds a file open, a reader and a few files' entries: 64 are more than a slow
// share's waits need, and keep a mistyped number from starting thousands of threads.
constexpr int kMaxJobs = 64;

// Files in flight per job: enough that a worker finds the next file waiting while the
// owner replays, and that the owner, woken when half the window is checked, replays many
// files per wake-up; few enough that memory stays bounded (a few hundred bytes a file,
// more for a PDF) whatever the tree holds.
constexpr int kFilesPerJob = 32;
// Files in flight whatever the number of jobs: a wake-up of the owner costs several
// microseconds where the other processor must be interrupted (a virtual machine's most of
// all), more than a small file's check; one per half window of these is negligible.
constexpr int kFilesInFlightAtLeast = 512;

// One file as the owner's thread learns of it, once its entries are replayed.
struct CheckedFile {
    const char* path;
    Verdict verdict;
    bool embedded_jpeg_seen;
    const FileDetails* details;  // model, bits and profile; valid during the call
};

struct JobsSetUp {
    int jobs;  // files checked at once, 2 to kMaxJobs: the owner's thread and jobs - 1 workers
    const Options* options;
    bool report_verdicts;  // a scan: each verdict becomes its entries (report_verdict)
    // The stop of a scan, raised from anywhere: no file is begun after it (null: none).
    const std::atomic<bool>* stop;
    // Called on the owner's thread after each file's entries; false ends the checks: no
    // further file is replayed or begun. Null: none.
    bool (*file_done)(const CheckedFile& file);
};

struct CheckJobs;

// Starts the workers for the scan bound to the calling thread, which becomes the owner.
// Returns null when not one worker thread could be started.
CheckJobs* start_check_jobs(const JobsSetUp& set_up);

// Hands `path` over (it is copied). Waits while the window of files in flight is full,
// replaying what is finished meanwhile. Returns false once the checks have ended (a
// file_done that said so, or the stop): the file is then not checked.
bool hand_over_file(CheckJobs* jobs, const char* path, bool listed_regular = false);

// Replays every file handed over, waiting for those still being checked; after the stop
// the files not yet begun are dropped, never half reported.
void catch_up_checks(CheckJobs* jobs);

// Catches up, ends the workers and frees everything.
void finish_check_jobs(CheckJobs* jobs);

// The walker's hand-off to `jobs`.
FileHandOff file_hand_off(CheckJobs* jobs);

// Jobs started when a run reaches its second file: a run of one file is checked on the
// owner's thread, as with one job, without the threads' start. Zero but set_up to begin.
struct JobsOnDemand {
    JobsSetUp set_up;
    CheckJobs* checks;
    int files_seen;
    bool tried;
};

// The jobs to hand the next file to, started now when it is time; null: check the file on
// the calling thread, as one job does. Files before the start are finished and reported
// whole by then, so the order stays the hand-over order.
CheckJobs* jobs_for_next_file(JobsOnDemand* on_demand);

// finish_check_jobs for jobs that were started.
void finish_jobs_on_demand(JobsOnDemand* on_demand);
