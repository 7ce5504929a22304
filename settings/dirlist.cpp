// The scan directory list and its file. Entries are allocated one by one as marks are
// set; nothing is allocated while a scan asks the list questions.
#include "settings/dirlist.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/paths.h"
#include "platform/platform.h"

DirectoryList directory_list;

namespace {

bool is_path_separator(char c) {
    return c == kPathSeparator;
}

// The index key of a path's first `length` characters.
std::string key_of(const char* path, std::size_t length) {
    std::string key(path, length);
    if (kPathsIgnoreCase)
        for (char& c : key)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return key;
}

// Calls `visit` with the length of every prefix of `path` that an entry lying above it
// could have: the text before each separator, and the lone separator of the root
// directory "/". Longest first.
template <typename Visit>
void for_each_parent_prefix(const char* path, std::size_t length, Visit visit) {
    for (std::size_t i = length; i-- > 0;) {
        if (!is_path_separator(path[i])) continue;
        if (i > 0) visit(i);
        if (i == 0 && length > 1) visit(std::size_t{1});
    }
}

void index_entry(DirEntry* entry) {
    DirectoryIndex& index = directory_list.index;
    const char* path = entry->path.get();
    index.entries[key_of(path, entry->length)] = entry;
    for_each_parent_prefix(path, entry->length,
                           [&](std::size_t n) { index.below[key_of(path, n)].insert(entry); });
}

void unindex_entry(DirEntry* entry) {
    DirectoryIndex& index = directory_list.index;
    const char* path = entry->path.get();
    index.entries.erase(key_of(path, entry->length));
    for_each_parent_prefix(path, entry->length, [&](std::size_t n) {
        const auto found = index.below.find(key_of(path, n));
        if (found == index.below.end()) return;
        found->second.erase(entry);
        if (found->second.empty()) index.below.erase(found);
    });
}

DirEntry* indexed_entry(const char* path, std::size_t length) {
    const DirectoryIndex& index = directory_list.index;
    const auto found = index.entries.find(key_of(path, length));
    return found == index.entries.end() ? nullptr : found->second;
}

// The entries lying below `path`, or null. A trailing separator asks the same as the
// path without it: both are what an entry's path continues with a separator.
const std::unordered_set<DirEntry*>* entries_below(const char* path, std::size_t length) {
    if (length > 1 && is_path_separator(path[length - 1])) --length;
    const DirectoryIndex& index = directory_list.index;
    const auto found = index.below.find(key_of(path, length));
    return found == index.below.end() ? nullptr : &found->second;
}

// The entry after `entry` in pre-order, staying inside the subtree of `top`.
const DirEntry* next_in_preorder(const DirEntry* entry, const DirEntry* top) {
    if (entry->first_child) return entry->first_child;
    while (entry != top) {
        if (entry->next) return entry->next;
        entry = entry->parent;
    }
    return nullptr;
}

bool subtree_has_included(const DirEntry* top) {
    for (const DirEntry* entry = top; entry; entry = next_in_preorder(entry, top))
        if (entry->included) return true;
    return false;
}

// Takes `entry` out of its parent's children.
void unlink_entry(DirEntry* entry) {
    DirEntry* parent = entry->parent;
    (entry->previous ? entry->previous->next : parent->first_child) = entry->next;
    (entry->next ? entry->next->previous : parent->last_child) = entry->previous;
    entry->next = entry->previous = nullptr;
}

// Links `entry` among the parent's children before `before`, or last without one.
void link_entry(DirEntry* entry, DirEntry* before) {
    DirEntry* parent = entry->parent;
    entry->next = before;
    entry->previous = before ? before->previous : parent->last_child;
    (entry->previous ? entry->previous->next : parent->first_child) = entry;
    (before ? before->previous : parent->last_child) = entry;
}

void free_entry(DirEntry* entry) {
    drop_entries_below(entry);
    unindex_entry(entry);
    delete entry;
}

// The children of `parent` that lie below a path whose entries below are `below`, first
// in list order first.
std::vector<DirEntry*> children_below(const DirEntry* parent,
                                      const std::unordered_set<DirEntry*>& below) {
    std::vector<DirEntry*> children;
    for (DirEntry* entry : below)
        if (entry->parent == parent) children.push_back(entry);
    std::sort(children.begin(), children.end(),
              [](const DirEntry* a, const DirEntry* b) { return a->order < b->order; });
    return children;
}

}  // namespace

void find_directory_entry(const char* path, DirectorySearch* search) {
    const std::size_t length = std::strlen(path);
    *search = DirectorySearch{&directory_list.root, nullptr, nullptr, nullptr, nullptr};
    // Every entry lies below its deepest listed ancestor, so the deepest listed prefix
    // of the path is its parent.
    bool found_parent = false;
    for_each_parent_prefix(path, length, [&](std::size_t n) {
        if (found_parent) return;
        if (DirEntry* entry = indexed_entry(path, n)) {
            search->parent = entry;
            found_parent = true;
        }
    });
    if (DirEntry* exact = indexed_entry(path, length)) {
        search->exact = exact;
        search->next = exact->next;
        search->first_below = exact->first_child;
        return;
    }
    DirEntry* parent = search->parent;
    const std::unordered_set<DirEntry*>* below = entries_below(path, length);
    if (below == nullptr) {
        search->previous = parent->last_child;
        return;
    }
    // Whatever lies below the path lies below one of the parent's children that does;
    // the path's place is where the first of those stands.
    DirEntry* first = children_below(parent, *below).front();
    search->first_below = first;
    search->previous = first->previous;
    search->next = first->next;
}

void drop_entries_below(DirEntry* entry) {
    DirEntry* child = entry->first_child;
    entry->first_child = nullptr;
    entry->last_child = nullptr;
    while (child) {
        DirEntry* next = child->next;
        free_entry(child);
        child = next;
    }
}

void set_directory_mark(const char* path, int mark) {
    char normal[kPathLimit];
    std::size_t length = std::strlen(path);
    if (length == 0 || length >= sizeof normal) return;
    std::memcpy(normal, path, length + 1);
    // Paths carry no trailing separator, so that "C:\A\" and "C:\A" are one entry; the
    // root directory "/" is the one path that keeps its own.
    while (length > 1 && is_path_separator(normal[length - 1])) normal[--length] = '\0';
    const std::uint8_t included = mark ? 1 : 0;

    DirectorySearch search;
    find_directory_entry(normal, &search);
    DirEntry* entry = search.exact;
    if (entry) {
        entry->included = included;
        drop_entries_below(entry);
    } else {
        DirEntry* parent = search.parent;
        if (!search.first_below && included == parent->included) return;
        entry = new (std::nothrow) DirEntry();
        if (!entry) return;
        entry->path.reset(new (std::nothrow) char[length + 1]);
        if (!entry->path) {
            delete entry;
            return;
        }
        std::memcpy(entry->path.get(), normal, length + 1);
        entry->length = length;
        entry->included = included;
        entry->parent = parent;
        if (search.first_below) {
            // The new entry takes the place of the first child below its path, and its
            // mark overrides every mark below it.
            const std::vector<DirEntry*> replaced =
                children_below(parent, *entries_below(normal, length));
            entry->order = replaced.front()->order;
            link_entry(entry, replaced.front());
            for (DirEntry* child : replaced) {
                unlink_entry(child);
                free_entry(child);
            }
        } else {
            entry->order = ++directory_list.index.last_order;
            link_entry(entry, nullptr);
        }
        index_entry(entry);
    }
    ++directory_list.generation;
    DirEntry* parent = entry->parent;
    if (entry->included == parent->included && parent->first_child == entry && !entry->next) {
        unlink_entry(entry);
        free_entry(entry);
    }
}

int is_directory_included(const char* path) {
    DirectorySearch search;
    find_directory_entry(path, &search);
    return search.exact ? search.exact->included : search.parent->included;
}

bool has_included_below(const char* path) {
    DirectorySearch search;
    find_directory_entry(path, &search);
    if (!search.first_below) return false;
    const DirEntry* closest = search.exact ? search.exact : search.parent;
    if (closest != &directory_list.root && closest->included) return true;
    // Only entries below the path count: a sibling elsewhere under the same parent says
    // nothing about this path.
    const std::unordered_set<DirEntry*>* below = entries_below(path, std::strlen(path));
    if (below == nullptr) return false;
    for (const DirEntry* entry : *below)
        if (entry->included) return true;
    return false;
}

int for_each_scan_directory(ScanDirectoryCallback callback, void* context) {
    // The callback gets a copy of the path, and the entry is found again afterwards:
    // the list may have changed while it ran.
    std::unordered_set<std::string> visited;
    char path[kPathLimit];
    const DirEntry* entry = directory_list.root.first_child;
    while (entry) {
        const std::string key = key_of(entry->path.get(), entry->length);
        // An excluded entry is walked for an included one anywhere below it.
        if (!subtree_has_included(entry) || visited.count(key)) {
            entry = entry->next;
            continue;
        }
        visited.insert(key);
        std::memcpy(path, entry->path.get(), entry->length + 1);
        const std::uint32_t generation = directory_list.generation;
        if (!callback(path, entry->first_child != nullptr, context)) return 0;
        entry =
            directory_list.generation == generation ? entry->next : directory_list.root.first_child;
    }
    return 1;
}

void empty_directory_list() {
    drop_entries_below(&directory_list.root);
    ++directory_list.generation;
}

namespace {

// One line of the file, leading spaces and line end already removed.
void take_list_line(char* line) {
    if (line[0] == '\0' || line[0] == '!') return;
    if (line[0] == '-') {
        const char* path = line + 1;
        if (path[0] == '\0' || std::strlen(path) >= kPathLimit) return;
        set_directory_mark(path, 0);
        return;
    }
    if (std::strlen(line) >= kPathLimit) return;
    set_directory_mark(line, 1);
}

}  // namespace

int load_directory_list_file(const char* file, SkippedLineHook skipped) {
    empty_directory_list();
    // A device or a pipe is no list: it could block the read or never end it.
    const PlatformFile probe = platform_open_read(file);
    if (!is_open(probe)) return 0;
    platform_close(probe);
    std::FILE* stream = std::fopen(file, "r");
    if (!stream) return 0;
    // Room for a hyphen, a path at the limit and a carriage return: a line longer than
    // that is skipped whole, never split into paths.
    char line[kPathLimit + 2];
    std::size_t length = 0;
    long line_number = 1;
    SkippedLine unusable = SkippedLine::None;
    for (;;) {
        const int c = std::getc(stream);
        if (c == EOF || c == '\n') {
            if (length > 0 && line[length - 1] == '\r') --length;
            const std::size_t hyphen = length > 0 && line[0] == '-' ? 1 : 0;
            if (unusable == SkippedLine::None && length - hyphen >= kPathLimit)
                unusable = SkippedLine::TooLong;
            if (unusable == SkippedLine::None) {
                line[length] = '\0';
                take_list_line(line);
            } else if (skipped != nullptr) {
                skipped(line_number, unusable);
            }
            if (c == EOF) break;
            length = 0;
            ++line_number;
            unusable = SkippedLine::None;
            continue;
        }
        if (length == 0 && c == ' ') continue;
        // A zero byte would end the path early: the line is garbage, not a shorter path.
        if (unusable != SkippedLine::None) continue;
        if (c == '\0') {
            unusable = SkippedLine::ZeroByte;
            continue;
        }
        if (length == sizeof line - 1) {
            unusable = SkippedLine::TooLong;
            continue;
        }
        line[length++] = static_cast<char>(c);
    }
    const bool read_ok = !std::ferror(stream);
    std::fclose(stream);
    return read_ok ? 1 : 0;
}

void load_directory_list() {
    char file[kPathLimit];
    empty_directory_list();
    if (!path_beside_executable(kDirectoryListFileName, file, sizeof file)) return;
    load_directory_list_file(file);
}

namespace {

// The list's text on its way into the new file, gathered into writes of a few KiB.
struct ListWriter {
    PlatformReplacement* replacement;
    bool ok;
    std::size_t used;
    char buffer[4096];

    void flush() {
        if (ok && used > 0 &&
            !platform_write(replacement->file, buffer, static_cast<std::uint32_t>(used)))
            ok = false;
        used = 0;
    }
    void put(const char* text, std::size_t length) {
        while (length > 0) {
            if (used == sizeof buffer) flush();
            std::size_t count = sizeof buffer - used;
            if (count > length) count = length;
            std::memcpy(buffer + used, text, count);
            used += count;
            text += count;
            length -= count;
        }
    }
    void put_line_end() { put(kLineEnd, sizeof kLineEnd - 1); }
};

}  // namespace

int save_directory_list_file(const char* file) {
    PlatformReplacement replacement;
    if (!platform_begin_replace(file, &replacement)) return 0;
    ListWriter writer;
    writer.replacement = &replacement;
    writer.ok = true;
    writer.used = 0;
    // The header's lines end with "\n" as a text stream would take them: on disk each
    // gets the platform's own line end.
    for (const char* line = kDirectoryListHeader; *line != '\0';) {
        const char* end = std::strchr(line, '\n');
        writer.put(line, static_cast<std::size_t>(end - line));
        writer.put_line_end();
        line = end + 1;
    }
    const DirEntry* root = &directory_list.root;
    for (const DirEntry* entry = root->first_child; entry; entry = next_in_preorder(entry, root)) {
        if (!entry->included) writer.put("-", 1);
        writer.put(entry->path.get(), entry->length);
        writer.put_line_end();
    }
    writer.flush();
    if (!writer.ok) {
        platform_abandon_replace(&replacement);
        return 0;
    }
    return platform_commit_replace(&replacement);
}

int save_directory_list() {
    char file[kPathLimit];
    if (!path_beside_executable(kDirectoryListFileName, file, sizeof file)) return 0;
    return save_directory_list_file(file);
}
