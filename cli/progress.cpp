// The progress line of long runs: a drawing thread redraws it from the scan's counters and
// the current folder a few times a second, cut to the terminal's width; the main thread
// names the folder, holds the line off its own writes and stops it. A failed write to
// stderr ends the drawing silently: the run's result does not depend on it.
#include "cli/progress.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/records.h"
#include "platform/paths.h"
#include "platform/platform.h"

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(250);
constexpr int kDefaultColumns = 80;
constexpr char kCutMark[] = "...";

// Shared by the main thread and the drawing thread: the fields after `running`, and stderr
// itself while the line runs, are used only under `lock`. `running` and `drawer` are the
// main thread's alone.
struct ProgressLine {
    bool running;  // the drawing thread is there
    bool stdout_on_terminal;
    std::thread drawer;
    std::mutex lock;
    std::condition_variable wake;
    bool stopping;      // it is to end
    int holds;          // while above 0 the line stays off the screen
    bool failed;        // a write to stderr failed: nothing more is drawn
    int shown_columns;  // columns of the line on the screen now; 0: none
    std::string folder;
    const ScanState* scan;
    std::chrono::steady_clock::time_point started;
};
ProgressLine progress_line;

// Writes `text` to stderr whole; a failure ends the drawing for good.
void write_stderr(const std::string& text) {
    ProgressLine& line = progress_line;
    if (line.failed) return;
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    if (std::ferror(stderr)) {
        line.failed = true;
        line.shown_columns = 0;
        std::clearerr(stderr);
    }
}

// Under the lock.
void clear_line() {
    ProgressLine& line = progress_line;
    if (line.shown_columns == 0) return;
    write_stderr("\r" + std::string(static_cast<std::size_t>(line.shown_columns), ' ') + "\r");
    line.shown_columns = 0;
}

// The folder as the line shows it, one unit per column: a control byte or a byte outside
// valid UTF-8 as \xHH (a line break would end the line), a character as it is.
void folder_units(const std::string& folder, std::vector<std::string>* units) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(folder.c_str());
    while (*p) {
        const int length = utf8_sequence_length(p);
        char form[8];
        if (*p < 0x20 || *p == 0x7F || length == 0) {
            std::snprintf(form, sizeof form, "\\x%02x", *p);
            for (const char* f = form; *f; ++f) units->push_back(std::string(1, *f));
            ++p;
        } else {
            units->push_back(std::string(reinterpret_cast<const char*>(p), length));
            p += length;
        }
    }
}

// The line's text in at most `room` columns: the counts and the time first, then as much
// of the folder's end as fits.
std::string compose_line(int room) {
    ProgressLine& line = progress_line;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - line.started).count();
    const long elapsed = static_cast<long>(seconds);
    const int seen = line.scan->files_seen.load(std::memory_order_relaxed);
    const int checked = line.scan->files_checked.load(std::memory_order_relaxed);
    // No rate yet at the very start, where a few files would make a wild one.
    const long rate = seconds >= 0.2 ? static_cast<long>(seen / seconds) : 0;
    char counts[160];
    if (elapsed >= 3600)
        std::snprintf(counts, sizeof counts,
                      "%d files seen, %d checked, %ld files/s, %ld:%02ld:%02ld", seen, checked,
                      rate, elapsed / 3600, elapsed / 60 % 60, elapsed % 60);
    else
        std::snprintf(counts, sizeof counts, "%d files seen, %d checked, %ld files/s, %ld:%02ld",
                      seen, checked, rate, elapsed / 60, elapsed % 60);
    std::string text = counts;
    const std::size_t columns = static_cast<std::size_t>(room);
    if (text.size() >= columns) return text.substr(0, columns);
    // Room for ", ", the cut mark and a unit of the folder, or no folder at all.
    if (line.folder.empty() || text.size() + 2 + sizeof kCutMark > columns) return text;
    std::vector<std::string> units;
    folder_units(line.folder, &units);
    const std::size_t left = columns - text.size() - 2;
    text += ", ";
    std::size_t first = 0;
    if (units.size() > left) {
        first = units.size() - (left - (sizeof kCutMark - 1));
        text += kCutMark;
    }
    for (std::size_t i = first; i < units.size(); ++i) text += units[i];
    return text;
}

// Under the lock: the line drawn over the last one, in the width the terminal has now
// (a column short of it, so that the terminal never wraps it).
void draw_line() {
    ProgressLine& line = progress_line;
    if (line.holds > 0 || line.failed) return;
    int columns = platform_stderr_terminal_width();
    if (columns <= 0) columns = kDefaultColumns;
    const std::string text = compose_line(columns - 1);
    int drawn = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++drawn;
    std::string out = "\r" + text;
    // What is left of a longer line before it is blanked.
    if (line.shown_columns > drawn)
        out += std::string(static_cast<std::size_t>(line.shown_columns - drawn), ' ') + "\r" + text;
    write_stderr(out);
    if (!line.failed) line.shown_columns = drawn;
}

void run_drawer() {
    platform_keep_interrupts_off_this_thread();
    ProgressLine& line = progress_line;
    std::unique_lock<std::mutex> hold(line.lock);
    while (!line.stopping) {
        line.wake.wait_for(hold, kRedrawInterval);
        if (!line.stopping) draw_line();
    }
}

}  // namespace

bool progress_wanted(const ParsedArguments& args) {
    if (args.progress) return true;
    if (args.no_progress) return false;
    return platform_stderr_is_terminal();
}

void start_progress(const ScanState* scan) {
    ProgressLine& line = progress_line;
    line.scan = scan;
    line.started = std::chrono::steady_clock::now();
    line.stopping = false;
    line.stdout_on_terminal = platform_stdout_is_terminal();
    // The first line at once, before the thread: a run shows it however short.
    draw_line();
    try {
        line.drawer = std::thread(run_drawer);
        line.running = true;
    } catch (const std::system_error&) {
        line.running = false;
        clear_line();
    }
}

void note_progress_folder(const char* path) {
    ProgressLine& line = progress_line;
    if (!line.running) return;
    const char* last = nullptr;
    for (const char* p = path; *p; ++p)
        if (*p == kPathSeparator || *p == '/') last = p;
    std::lock_guard<std::mutex> hold(line.lock);
    if (last == nullptr)
        line.folder.assign(".");
    else
        line.folder.assign(path, static_cast<std::size_t>(last - path + (last == path)));
}

void hold_progress() {
    ProgressLine& line = progress_line;
    if (!line.running) return;
    std::lock_guard<std::mutex> hold(line.lock);
    ++line.holds;
    clear_line();
}

void release_progress() {
    ProgressLine& line = progress_line;
    if (!line.running) return;
    std::lock_guard<std::mutex> hold(line.lock);
    --line.holds;
}

void hold_progress_for_stdout() {
    if (progress_line.stdout_on_terminal) hold_progress();
}

void release_progress_for_stdout() {
    if (progress_line.stdout_on_terminal) release_progress();
}

void stop_progress() {
    ProgressLine& line = progress_line;
    if (!line.running) return;
    {
        std::lock_guard<std::mutex> hold(line.lock);
        line.stopping = true;
        clear_line();
    }
    line.wake.notify_all();
    line.drawer.join();
    line.running = false;
}
