// The scan directory list and its file. Entries are allocated one by one as marks are
// set; nothing is allocated while a scan asks the list questions.
#include "dirlist.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "paths.h"
#include "platform.h"

DirectoryList directory_list;

namespace {

bool is_path_separator(char c) { return c == kPathSeparator; }

// Whether `path` (of `length` characters) lies strictly below the entry: the entry's path
// starts it and a separator follows, or the entry's path already ends with one (the root
// directory "/").
bool path_lies_below(const char* path, std::size_t length, const DirEntry* entry) {
    const std::size_t n = entry->length;
    return length > n && platform_path_equal(path, entry->path.get(), n) &&
           (is_path_separator(path[n]) || is_path_separator(entry->path[n - 1]));
}

// Whether the entry lies strictly below `path`; the path may end with a separator.
bool entry_lies_below(const char* path, std::size_t length, const DirEntry* entry) {
    const std::size_t n = entry->length;
    return length > 0 && length < n && platform_path_equal(path, entry->path.get(), length) &&
           (is_path_separator(path[length - 1]) || is_path_separator(entry->path[length]));
}

bool same_path(const char* path, std::size_t length, const DirEntry* entry) {
    return length == entry->length && platform_path_equal(path, entry->path.get(), length);
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

void free_entry(DirEntry* entry) {
    drop_entries_below(entry);
    delete entry;
}

// Takes `entry` out of its parent's children.
void unlink_entry(DirEntry* entry) {
    DirEntry** link = &entry->parent->first_child;
    while (*link != entry) link = &(*link)->next;
    *link = entry->next;
    entry->next = nullptr;
}

}  // namespace

void find_directory_entry(const char* path, DirectorySearch* search) {
    const std::size_t length = std::strlen(path);
    *search = DirectorySearch{&directory_list.root, nullptr, nullptr, nullptr, nullptr};
    DirEntry* child = directory_list.root.first_child;
    while (child) {
        if (same_path(path, length, child)) {
            search->exact = child;
            search->next = child->next;
            search->first_below = child->first_child;
            return;
        }
        if (path_lies_below(path, length, child)) {
            search->parent = child;
            search->previous = nullptr;
            child = child->first_child;
            continue;
        }
        if (entry_lies_below(path, length, child)) {
            search->first_below = child;
            search->next = child->next;
            return;
        }
        search->previous = child;
        child = child->next;
    }
}

void drop_entries_below(DirEntry* entry) {
    DirEntry* child = entry->first_child;
    entry->first_child = nullptr;
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
        // The new mark overrides every mark below it.
        DirEntry** link = &parent->first_child;
        while (*link) {
            DirEntry* child = *link;
            if (entry_lies_below(normal, length, child)) {
                *link = child->next;
                free_entry(child);
            } else {
                link = &child->next;
            }
        }
        // The first child below the path came right after search.previous, so the new
        // entry takes its place; with none below, search.previous is the last child.
        DirEntry** place = search.previous ? &search.previous->next : &parent->first_child;
        entry->next = *place;
        *place = entry;
    }
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
    const std::size_t length = std::strlen(path);
    for (const DirEntry* child = search.first_below; child; child = child->next) {
        if (!search.exact && !entry_lies_below(path, length, child)) continue;
        if (subtree_has_included(child)) return true;
    }
    return false;
}

int for_each_scan_directory(ScanDirectoryCallback callback, void* context) {
    for (const DirEntry* entry = directory_list.root.first_child; entry; entry = entry->next) {
        if (!entry->included) continue;
        if (!callback(entry->path.get(), entry->first_child != nullptr, context)) return 0;
    }
    return 1;
}

void empty_directory_list() { drop_entries_below(&directory_list.root); }

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

void save_directory_list() {
    char file[kPathLimit];
    if (!path_beside_executable(kDirectoryListFileName, file, sizeof file)) return;
    save_directory_list_file(file);
}
