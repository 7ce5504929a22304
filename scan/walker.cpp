// The directory walker and the immediate scan's framing. Runs on the thread of the scan
// that runs: the immediate-scan worker, the background scanner or the command-line tool.
#include "scan/walker.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "classify/check.h"
#include "settings/dirlist.h"
#include "platform/paths.h"
#include "classify/reader.h"
#include "report/report.h"

ScanControl scan_control;

namespace {

// The folders one scan has walked whole, each from the top of a walk, so that no later
// walk of the scan enters them again: the list edited while the scan was paused inside a
// folder, or the list naming a folder twice (an ancestor, another spelling, a link). One
// identity and one path per top-level walk: as long as the list, never as the tree.
struct WalkedFolders {
    std::vector<FolderIdentity> identities;  // kept sorted, for the look-up per folder
    std::vector<std::string> paths;
};

bool identity_before(const FolderIdentity& a, const FolderIdentity& b) {
    return a.volume != b.volume ? a.volume < b.volume : a.file < b.file;
}

// One level of the walk's own path, by identity, on that level's stack frame: the chain
// is as deep as the walk and costs nothing per file.
struct FolderStep {
    FolderIdentity identity;
    bool known;  // false when the system would not say: the folder is walked unchecked
    const FolderStep* up;
};

// One walk, from its top directory down. The nested levels share the one path buffer:
// each appends its entry's name to its own directory's path and cuts it back afterwards,
// so a deep tree costs no more than the longest path (a buffer per level would need
// 4 KiB of stack per level where the path limit is that of Linux).
struct Walk {
    char path[kPathLimit];
    bool recurse;
    bool list_filter;
    bool background;
    const Options* options;
    const WalkedFolders* walked;    // null: a walk on its own
    const FileHandOff* hand_off;    // null: files are checked here
    const NameFilter* name_filter;  // null: no name is left out
};

// Before an entry of the walker's own: the files handed over are reported first.
void catch_up(const FileHandOff* hand_off) {
    if (hand_off != nullptr) hand_off->catch_up(hand_off->receiver);
}

// The step for the folder in walk.path, below `up`.
FolderStep step_for(const Walk& walk, const FolderStep* up) {
    FolderStep step;
    step.known = platform_folder_identity(walk.path, &step.identity) == 1;
    step.up = up;
    return step;
}

// Whether the walk passes over the folder of `step`, silently: it stands above itself on
// the walk's path (a link or junction back up the tree, which would be walked again and
// again until the path limit), or the scan has walked it whole already. Nothing of it
// goes unreported: its files are, or were, checked on the other way in.
bool walked_already(const Walk& walk, const FolderStep& step) {
    if (!step.known) return false;
    for (const FolderStep* above = step.up; above != nullptr; above = above->up)
        if (above->known && same_folder(above->identity, step.identity)) return true;
    return walk.walked != nullptr &&
           std::binary_search(walk.walked->identities.begin(), walk.walked->identities.end(),
                              step.identity, identity_before);
}

bool stop_requested(const Walk& walk) {
    if (walk.background) {
        const ScanState* scan = current_scan();
        return scan != nullptr && scan->pause_or_stop_check != nullptr &&
               scan->pause_or_stop_check();
    }
    return scan_control.immediate_stop_requested.load(std::memory_order_relaxed);
}

constexpr std::uint32_t kSkippedAttributes =
    kAttributeHidden | kAttributeSystem | kAttributeTemporary;

int walk_level(Walk& walk, std::size_t length, bool check_files, const FolderStep& level);

// Handles one entry of the directory whose path is walk.path[0, length), the folder of
// `level`. Returns the result of a nested walk, or 1.
int handle_entry(Walk& walk, std::size_t length, PlatformDirectory folder,
                 const DirectoryEntry& entry, bool check_files, const FolderStep& level) {
    if (entry.pass_over || (entry.attributes & kSkippedAttributes) != 0) return 1;
    if (entry.is_directory) {
        // ".", ".." and every other directory whose name begins with a dot.
        if (!walk.recurse || entry.name[0] == '.') return 1;
    } else if (!check_files) {
        return 1;
    }
    const NameFilter* filter = walk.name_filter;
    if (filter != nullptr && filter->excluded(filter->context, entry.name)) return 1;
    const char first = walk.path[0];
    const bool joined = join_path(walk.path, entry.name, walk.path, sizeof walk.path);
    // A directory must leave room for what its enumeration appends to it.
    if (!joined || (entry.is_directory &&
                    std::strlen(walk.path) + kDirectorySearchSuffix >= sizeof walk.path)) {
        // A refused join only emptied the buffer: the directory's path is still there to
        // be named, and the entry goes into the message. Cutting the path would check or
        // enter something else.
        walk.path[0] = first;
        walk.path[length] = '\0';
        catch_up(walk.hand_off);
        if (!entry.is_directory) count_file_seen();
        report(1, ReportCategory::IoError, walk.path, kEntryPathTooLong, entry.name);
        return 1;
    }
    const std::size_t entry_length = std::strlen(walk.path);
    int result = 1;
    if (entry.is_directory) {
        const bool included = !walk.list_filter || is_directory_included(walk.path);
        // An excluded directory holding an included one further down: its own files stay
        // unchecked, but the included directory is still reached.
        if (included || has_included_below(walk.path)) {
            const FolderStep step = step_for(walk, &level);
            if (!walked_already(walk, step))
                result = walk_level(walk, entry_length, included, step);
        }
    } else {
        const ListedFile listed = {folder, entry.name};
        const ListedFile* listing = entry.regular ? &listed : nullptr;
        if (walk.hand_off != nullptr) {
            walk.hand_off->hand_over(walk.hand_off->receiver, walk.path, listing);
        } else {
            const Verdict verdict = check_file(walk.path, *walk.options, listing);
            report_verdict(walk.path, verdict, file_reader.embedded_jpeg_seen,
                           walk.options->logging_flags);
        }
    }
    walk.path[length] = '\0';
    return result;
}

// Walks the directory in walk.path[0, length). The result is only ever lowered: a stop
// in a nested walk ends every enclosing one after its next fetch.
int walk_level(Walk& walk, std::size_t length, bool check_files, const FolderStep& level) {
    PlatformDirectory directory;
    DirectoryEntry entry;
    const int opened = platform_open_directory(walk.path, &directory, &entry);
    if (opened == kDirectoryEmpty) return 1;
    if (opened == kDirectoryFailed) {
        const int error = platform_last_error();
        catch_up(walk.hand_off);
        report_open_failure(walk.path, kOpenFailureOnDirectory, error);
        return 1;
    }
    int result = 1;
    do {
        if (handle_entry(walk, length, directory, entry, check_files, level) == 0) result = 0;
        if (!platform_next_entry(directory, &entry)) break;
        if (stop_requested(walk)) result = 0;
    } while (result == 1);
    platform_close_directory(directory);
    return result;
}

// walk_directory, in the record of what the scan has walked (`walked`, or null): a folder
// recorded there is not walked again, and the walk is recorded once it has run to its end.
int walk_tree(const char* directory, bool recurse, bool list_filter, bool background,
              const Options& options, WalkedFolders* walked, const FileHandOff* hand_off,
              const NameFilter* name_filter) {
    Walk walk;
    const std::size_t length = std::strlen(directory);
    if (length == 0 || length + kDirectorySearchSuffix >= sizeof walk.path) catch_up(hand_off);
    // Enumerating "" would list the current folder (on Windows the current drive's).
    if (length == 0) {
        report_open_failure(directory, kOpenFailureOnDirectory, kErrorPathNotFound);
        return 1;
    }
    if (length + kDirectorySearchSuffix >= sizeof walk.path) {
        report(1, ReportCategory::IoError, directory, kPathTooLong);
        return 1;
    }
    std::memcpy(walk.path, directory, length + 1);
    walk.recurse = recurse;
    walk.list_filter = list_filter;
    walk.background = background;
    walk.options = &options;
    walk.walked = walked;
    walk.hand_off = hand_off;
    walk.name_filter = name_filter;
    const FolderStep top = step_for(walk, nullptr);
    if (walked_already(walk, top)) return 1;
    const int result =
        walk_level(walk, length, !list_filter || is_directory_included(directory), top);
    if (walked != nullptr && result == 1) {
        if (top.known)
            walked->identities.insert(
                std::upper_bound(walked->identities.begin(), walked->identities.end(), top.identity,
                                 identity_before),
                top.identity);
        walked->paths.emplace_back(directory);
    }
    return result;
}

// Windows takes a slash for a backslash.
bool is_separator(char c) {
    return c == kPathSeparator || (kPathSeparator == '\\' && c == '/');
}

// Letters compare as the platform compares paths, and separators as separators.
bool same_path_character(char a, char b) {
    if (kPathsIgnoreCase) {
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
    }
    return a == b || (is_separator(a) && is_separator(b));
}

// Whether `path` is one of the walked top folders or lies below one, by its spelling
// (the same folder by another spelling is caught by its identity as the walk reaches it).
bool lies_in_walked(const WalkedFolders& walked, const char* path) {
    for (const std::string& top : walked.paths) {
        std::size_t at = 0;
        while (at < top.size() && same_path_character(top[at], path[at])) ++at;
        if (at < top.size()) continue;
        if (path[at] == '\0' || is_separator(path[at]) || (at > 0 && is_separator(top[at - 1])))
            return true;
    }
    return false;
}

struct ListWalk {
    bool background;
    const Options* options;
    WalkedFolders walked;
    const FileHandOff* hand_off;
    const NameFilter* name_filter;
};

// A top-level entry of the list: an included directory, or an excluded one that holds an
// included directory further down, which the walk reaches without checking the
// excluded files. A background scan may be paused before each entry.
int walk_list_entry(const char* path, bool has_entries_below, void* context) {
    ListWalk& list = *static_cast<ListWalk*>(context);
    if (list.background) {
        const ScanState* scan = current_scan();
        if (scan != nullptr && scan->pause_or_stop_check != nullptr && scan->pause_or_stop_check())
            return 0;
    }
    if (lies_in_walked(list.walked, path)) return 1;
    return walk_tree(path, true, has_entries_below, list.background, *list.options, &list.walked,
                     list.hand_off, list.name_filter);
}

int walk_list(bool background, const Options& options, const FileHandOff* hand_off,
              const NameFilter* name_filter) {
    ListWalk list;
    list.background = background;
    list.options = &options;
    list.hand_off = hand_off;
    list.name_filter = name_filter;
    return for_each_scan_directory(walk_list_entry, &list);
}

}  // namespace

int walk_directory(const char* directory, bool recurse, bool list_filter, bool background,
                   const Options& options) {
    return walk_tree(directory, recurse, list_filter, background, options, nullptr, nullptr,
                     nullptr);
}

int walk_scan_directory_list(bool background, const Options& options) {
    return walk_list(background, options, nullptr, nullptr);
}

namespace {

// The report entries of a verdict, before the logging flags filter them.
void verdict_slots(Verdict verdict, bool embedded_jpeg_seen, ReportCategory slots[3]) {
    slots[0] = static_cast<ReportCategory>(verdict);
    slots[1] = ReportCategory::NothingToReport;
    slots[2] = ReportCategory::NothingToReport;
    if (verdict == Verdict::CmykAndRgb) {
        slots[0] = ReportCategory::Cmyk;
        slots[1] = ReportCategory::Rgb;
    } else if (verdict == Verdict::PossiblyBoth) {
        slots[0] = ReportCategory::PossiblyCmyk;
        slots[1] = ReportCategory::PossiblyRgb;
    }
    if (embedded_jpeg_seen) slots[2] = ReportCategory::EmbeddedJpeg;
}

// NothingToReport's mask is 0: it never passes.
bool slot_passes(const CategoryInfo* info, std::uint16_t logging_flags) {
    return info == nullptr || info->log_mask == kAlwaysReported ||
           (info->log_mask & logging_flags) != 0;
}

}  // namespace

int report_verdict(const char* path, Verdict verdict, bool embedded_jpeg_seen,
                   std::uint16_t logging_flags) {
    ReportCategory slots[3];
    verdict_slots(verdict, embedded_jpeg_seen, slots);
    const char* message = verdict_message(verdict);
    ScanState* scan = current_scan();
    int made = 0;
    for (ReportCategory slot : slots) {
        if (!slot_passes(category_info(static_cast<int>(slot)), logging_flags)) continue;
        // The message is passed as an argument, never as the format: a path or text with
        // a percent sign stays as it is.
        if (message != nullptr)
            report(0, slot, path, "%s", message);
        else
            report(0, slot, path, nullptr);
        if (scan != nullptr) ++scan->files_logged;
        ++made;
    }
    return made;
}

bool verdict_raises_alert(Verdict verdict, bool embedded_jpeg_seen, std::uint16_t logging_flags) {
    ReportCategory slots[3];
    verdict_slots(verdict, embedded_jpeg_seen, slots);
    for (ReportCategory slot : slots) {
        const CategoryInfo* info = category_info(static_cast<int>(slot));
        if (info != nullptr && info->raises_alert && slot_passes(info, logging_flags)) return true;
    }
    return false;
}

bool report_closing_lines(bool (*was_stopped)(), const char* finished_text,
                          const char* stopped_text) {
    report(0, ReportCategory::Summary, nullptr, nullptr);
    const bool stopped = was_stopped();
    report(1, ReportCategory::Summary, nullptr, "%s", stopped ? stopped_text : finished_text);
    // Formatted here into its own buffer, then passed on as text: the same line as
    // handing it over as the format, since it holds no percent sign.
    const ScanState* scan = current_scan();
    char totals[kTotalsSize] = "";
    if (scan != nullptr)
        std::snprintf(totals, sizeof totals, kTotalsFormat, scan->files_seen.load(),
                      scan->files_checked.load(), scan->files_logged.load());
    report(0, ReportCategory::Summary, nullptr, "%s", totals);
    return stopped;
}

int perform_immediate_scan(const ImmediateScanTargets& targets, const Options& options) {
    ScanState* scan = current_scan();
    if (scan != nullptr) {
        zero_scan_counters(scan);
        // The walk reports by the options' flags; the sink keeps its sections by the same.
        scan->logging_flags = options.logging_flags;
    }
    report(1, ReportCategory::General, nullptr, kStartingImmediateScan);
    if (targets.whole_list) {
        walk_list(false, options, targets.hand_off, targets.name_filter);
    } else {
        // Directories named twice, or one inside another, are walked once.
        WalkedFolders walked;
        for (int i = 0; i < targets.directory_count; ++i) {
            const char* directory = targets.directories[i];
            if (targets.include_subdirectories && lies_in_walked(walked, directory)) continue;
            if (!walk_tree(directory, targets.include_subdirectories, false, false, options,
                           &walked, targets.hand_off, targets.name_filter))
                break;
        }
    }
    catch_up(targets.hand_off);
    if (scan != nullptr && scan->show_progress_count) scan->show_progress_count(-1);
    const bool stopped = report_closing_lines(
        [] { return scan_control.immediate_stop_requested.load(std::memory_order_relaxed); },
        kFinishedImmediateScan, kImmediateScanStopped);
    return stopped ? 0 : 1;
}
