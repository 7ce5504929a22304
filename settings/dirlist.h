// The scan directory list: a tree of included and excluded directories, the answers the
// walker and the drive tree ask of it, the iteration that feeds the scans, and its file
// "Inkhound.dfo". Changed on the user-interface thread while no scan runs; read by the
// scan that runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

struct DirEntry {
    DirEntry* next;                // next sibling
    DirEntry* previous;            // previous sibling
    DirEntry* parent;              // the entry above; the root for top-level entries
    DirEntry* first_child;         // first entry below
    DirEntry* last_child;          // last entry below, where a new one is linked
    std::uint64_t order;           // grows along the siblings: which of two stands first
    std::uint8_t included;         // 1 included, 0 excluded
    std::size_t length;            // of path
    std::unique_ptr<char[]> path;  // full directory path without trailing separator
};

// Finds entries by path without walking their siblings, so that a list of many
// thousands of lines loads in linear time. Keys are paths as the platform compares them
// (upper-cased where case does not count).
struct DirectoryIndex {
    std::unordered_map<std::string, DirEntry*> entries;  // every entry, by its path
    // For each path that entries lie below, those entries.
    std::unordered_map<std::string, std::unordered_set<DirEntry*>> below;
    std::uint64_t last_order;  // the order of the entry linked last
};

// The root has no path and is always excluded; it is never stored or iterated.
struct DirectoryList {
    DirEntry root;
    DirectoryIndex index;
    std::uint32_t generation;  // changes with every change of the list
};
extern DirectoryList directory_list;

constexpr char kDirectoryListFileName[] = "Inkhound.dfo";
// The header lines; on disk each ends with the platform's line end (CR LF on Windows).
constexpr char kDirectoryListHeader[] = "!\n!\tInkhound scan directories - don't edit\n!\n";

// Where a path belongs in the list.
struct DirectorySearch {
    DirEntry* parent;       // deepest entry above the path, else the root
    DirEntry* exact;        // the entry with the same path, or null
    DirEntry* previous;     // without an exact entry: the sibling before the place where
                            // the path belongs, or null
    DirEntry* next;         // sibling after that place (after an exact entry), or null
    DirEntry* first_below;  // first listed entry below the path (an exact entry's first
                            // child), or null
};

// Searches the list for `path` (which may end with a separator, as a drive root asked as
// "C:\" does). Paths compare as the platform compares them.
void find_directory_entry(const char* path, DirectorySearch* search);

// Removes and frees every entry below `entry`; the entry itself stays.
void drop_entries_below(DirEntry* entry);

// Marks `path` included (1) or excluded (0) with everything below it. Trailing
// separators are removed first (the root directory "/" keeps its own); an empty path, or
// one that does not fit the path limit, changes nothing. A mark equal to the inherited
// one is not kept. Without memory nothing changes.
void set_directory_mark(const char* path, int mark);

// The effective mark of `path`: 1 included, 0 excluded.
int is_directory_included(const char* path);

// Whether an included entry lies at the path's closest entry or below the path, given
// that something is listed below the path at all (the drive tree's "partly included").
bool has_included_below(const char* path);

// Calls `callback` with each top-level entry's path, in list order, and whether entries
// lie below it: each included one, and each excluded one that holds an included entry
// further down (the walk reaches that one without checking the excluded files). Stops at
// the first call that returns 0. Returns 0 when stopped, 1 otherwise. The list may change
// while a callback runs (a background scan paused in its walk while the settings window
// edits the list): the iteration then goes on with the first top-level entry it has not
// yet visited, and never touches a removed entry.
using ScanDirectoryCallback = int (*)(const char* path, bool has_entries_below, void* context);
int for_each_scan_directory(ScanDirectoryCallback callback, void* context);

// Empties the list.
void empty_directory_list();

// Empties the list and reads "Inkhound.dfo" beside the executable; a missing or
// unreadable file leaves the list empty, without a word.
void load_directory_list();
// Why a line of the list file was skipped.
enum class SkippedLine : std::uint8_t { None, TooLong, ZeroByte };
using SkippedLineHook = void (*)(long line_number, SkippedLine why);

// The same from a file named by the caller, which must be a regular file; `skipped`, when
// given, hears of each line skipped as unusable (counted from 1). Returns 1 when the file
// could be opened and read, 0 otherwise (the list is then empty).
int load_directory_list_file(const char* file, SkippedLineHook skipped = nullptr);

// Rewrites "Inkhound.dfo" beside the executable, lines ending with the platform's line
// end; a file that cannot be written whole is left as it was. Returns 1 when it was
// replaced whole, 0 otherwise (the caller tells the user).
int save_directory_list();
// The same to a file named by the caller. Returns 1 when the file was replaced whole.
int save_directory_list_file(const char* file);
