// The results view's decisions: section placement, the full view and its notice, the
// loaded log's cut, the double-clicked line's path, the "Print log" button's place and the printed
// page. Pure functions, called on the user-interface thread.
#include "desktop/results/view_layout.h"

#include <cstdio>
#include <cstring>

ViewEntryPlan place_view_entry(ViewSections* view, int category, std::size_t text_length,
                               std::size_t line_length) {
    ViewEntryPlan plan = {false, false, 0, nullptr};
    const LogSection section = section_of(category);
    if (section == LogSection::none) return plan;
    const int slot = static_cast<int>(section);
    const char* header = view->lines[slot] == 0 ? kSections[slot].header : nullptr;
    const std::size_t added = line_length + (header != nullptr ? std::strlen(header) : 0);
    // The closing lines say how the scan ended: they still go in after the view filled up,
    // into the reserve, which keeps room for the notice after them.
    const bool closing = section == LogSection::summary;
    const std::size_t limit =
        closing ? kViewTextLimit + kViewClosingReserve - kViewNoticeRoom : kViewTextLimit;
    if ((view->full && !closing) || text_length > limit || added > limit - text_length) {
        plan.becomes_full = !view->full;
        view->full = true;
        ++view->not_shown;
        return plan;
    }
    // The entry goes after the notice, the lines of its own section and of every section
    // the view shows before it.
    int line = view->notice_lines;
    for (const SectionInfo& other : kSections)
        if (other.view_rank <= kSections[slot].view_rank)
            line += view->lines[static_cast<int>(other.section)];
    plan.insert = true;
    plan.line = line;
    plan.header = header;
    // A header is an empty line and its title line.
    view->lines[slot] += (header != nullptr ? 2 : 0) + 1;
    return plan;
}

ViewBatchPlan place_view_batch(ViewSections* view, ViewBatchEntry* entries, int count,
                               std::size_t text_length) {
    ViewBatchPlan plan = {};
    const ViewSections before = *view;
    for (int i = 0; i < count; ++i) {
        ViewBatchEntry& entry = entries[i];
        const ViewEntryPlan one = place_view_entry(view, entry.category, text_length, entry.length);
        entry.insert = one.insert;
        entry.header = one.header != nullptr;
        if (one.becomes_full) plan.becomes_full = true;
        if (one.insert) text_length += entry.length + (entry.header ? std::strlen(one.header) : 0);
    }
    // A section's block goes after its own old lines, below the sections before it in the
    // view, whose blocks are in by then.
    for (int slot = 0; slot < kSectionCount; ++slot) {
        plan.line[slot] = -1;
        if (view->lines[slot] == before.lines[slot]) continue;
        int line = view->notice_lines + before.lines[slot];
        for (const SectionInfo& other : kSections)
            if (other.view_rank < kSections[slot].view_rank)
                line += view->lines[static_cast<int>(other.section)];
        plan.line[slot] = line;
    }
    return plan;
}

std::size_t format_view_notice(const ViewSections& view, const char* file_name, bool written,
                               char* out, std::size_t size) {
    if (size == 0) return 0;
    out[0] = '\0';
    int length = 0;
    if (view.full)
        length = std::snprintf(out, size, written ? kViewFullNotice : kViewFullUnwrittenNotice,
                               view.not_shown, file_name);
    else if (!written)
        length = std::snprintf(out, size, kViewUnwrittenNotice, file_name);
    // The file names are our own and short: a cut notice would only lose its line break.
    if (length < 0) return 0;
    return static_cast<std::size_t>(length) < size ? static_cast<std::size_t>(length) : size - 1;
}

LogChunkPlan place_log_chunk(ViewSections* view, LoadedLog* log, std::size_t text_length,
                             const char* text, std::size_t length) {
    LogChunkPlan plan = {0, 0};
    if (view->full) {
        view->not_shown += count_entry_lines(text, length, &log->at_line_start);
        return plan;
    }
    const std::size_t room = text_length < kViewTextLimit ? kViewTextLimit - text_length : 0;
    plan.keep = length <= room ? length : whole_lines_within(text, length, room);
    std::size_t last_break = plan.keep;
    while (last_break > 0 && text[last_break - 1] != '\n') --last_break;
    log->open_line = last_break > 0 ? plan.keep - last_break : log->open_line + plan.keep;
    if (plan.keep == length) return plan;
    view->full = true;
    log->at_line_start = true;
    // The chunk's first line break would have ended the open line: the line comes off,
    // counted once, by its start.
    if (plan.keep == 0 && log->open_line > 0) {
        plan.drop = log->open_line;
        view->not_shown = 1;
        log->at_line_start = false;
    }
    log->open_line = 0;
    view->not_shown += count_entry_lines(text + plan.keep, length - plan.keep, &log->at_line_start);
    return plan;
}

int count_entry_lines(const char* text, std::size_t length, bool* at_line_start) {
    int count = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (*at_line_start && c != '\r' && c != '\n' && c != '=') ++count;
        *at_line_start = c == '\n';
    }
    return count;
}

std::size_t whole_lines_within(const char* text, std::size_t length, std::size_t room) {
    std::size_t end = length < room ? length : room;
    while (end > 0 && text[end - 1] != '\n') --end;
    return end;
}

bool view_needs_scroll_bar(int line_count, int height) {
    return static_cast<long long>(line_count) * kViewLineHeight > height;
}

bool view_line_path(const char* line, std::size_t length, char* out, std::size_t size) {
    if (size == 0) return false;
    out[0] = '\0';
    // Only file entries begin with two spaces: timestamped lines, headers and totals do not.
    if (length <= 4 || line[0] != ' ' || line[1] != ' ') return false;
    std::size_t end = length;
    while (end > 0 && static_cast<unsigned char>(line[end - 1]) <= ' ') --end;
    const void* found = std::memchr(line, '\\', end);
    if (found == nullptr) return false;
    const std::size_t backslash = static_cast<std::size_t>(static_cast<const char*>(found) - line);
    // The first colon after the first backslash starts the message; a drive letter's
    // colon stands before it.
    const void* colon = std::memchr(line + backslash, ':', end - backslash);
    if (colon != nullptr) end = static_cast<std::size_t>(static_cast<const char*>(colon) - line);
    std::size_t start = 0;
    while (start < end && line[start] == ' ') ++start;
    const std::size_t path_length = end - start;
    if (path_length == 0 || path_length >= size) return false;
    std::memcpy(out, line + start, path_length);
    out[path_length] = '\0';
    return true;
}

ViewRect place_print_button(const ViewRect& ok, const ViewRect& cancel) {
    const int leftmost = ok.left < cancel.left ? ok.left : cancel.left;
    const int pitch = ok.left < cancel.left ? cancel.left - ok.left : ok.left - cancel.left;
    const int left = leftmost - pitch;
    return {left, ok.top, left + (ok.right - ok.left), ok.top + (ok.bottom - ok.top)};
}

PrintLayout layout_print_page(const PrintMeasures& measures) {
    PrintLayout layout;
    layout.line_height = measures.text_height > 0 ? measures.text_height : 1;
    const int top_margin =
        measures.pixels_per_inch_y > 0 ? measures.pixels_per_inch_y * 10 / 72 : 0;
    // A device that does not know its paper is taken as all printable.
    const int physical_height = measures.physical_height > 0
                                    ? measures.physical_height
                                    : measures.vertical_resolution + measures.physical_offset_y;
    int bottom_loss = physical_height - measures.vertical_resolution - measures.physical_offset_y;
    if (bottom_loss < 0) bottom_loss = 0;
    layout.page_limit = physical_height - measures.physical_offset_y - bottom_loss - top_margin;
    // A page's first line stands one line below the top margin.
    layout.first_top = top_margin + measures.physical_offset_y + layout.line_height;
    layout.left = measures.physical_offset_x > 0 ? measures.physical_offset_x : 0;
    layout.width = measures.horizontal_resolution - layout.left;
    if (layout.width < 1) layout.width = 1;
    return layout;
}

PrintStep next_print_line(const PrintLayout& layout, PrintCursor* cursor) {
    PrintStep step = {false, false, 0};
    if (cursor->page_open) {
        const int top = cursor->top + layout.line_height;
        if (top + layout.line_height <= layout.page_limit) {
            cursor->top = top;
            step.top = top;
            return step;
        }
        step.end_page = true;
    }
    step.start_page = true;
    cursor->page_open = true;
    cursor->top = layout.first_top;
    step.top = layout.first_top;
    return step;
}

std::size_t wrap_print_line(const char* text, std::size_t length, int width,
                            TextWidthMeasure measure, void* context) {
    if (length <= 1) return length;
    // The longest prefix that fits lies between `fits` (one character is printed even
    // when it does not fit) and `too_long`: found by doubling, then halving, so that a
    // long line is measured around the length of each piece, never whole for each.
    std::size_t fits = 1;
    std::size_t too_long = 0;
    for (std::size_t probe = 2; too_long == 0; probe *= 2) {
        if (probe >= length) {
            if (measure(text, length, context) <= width) return length;
            too_long = length;
        } else if (measure(text, probe, context) > width) {
            too_long = probe;
        } else {
            fits = probe;
        }
    }
    while (too_long - fits > 1) {
        const std::size_t middle = fits + (too_long - fits) / 2;
        if (measure(text, middle, context) <= width)
            fits = middle;
        else
            too_long = middle;
    }
    // Break after a space or a path's backslash, but not inside the entry's indentation.
    std::size_t indentation = 0;
    while (indentation < fits && text[indentation] == ' ') ++indentation;
    for (std::size_t end = fits; end > indentation; --end)
        if (text[end - 1] == ' ' || text[end - 1] == '\\') return end;
    return fits;
}

bool next_view_line(const char* text, std::size_t length, std::size_t* position,
                    std::size_t* line_length) {
    const std::size_t start = *position;
    if (start >= length) return false;
    std::size_t end = start;
    while (end < length && !(text[end] == '\r' && end + 1 < length && text[end + 1] == '\n')) ++end;
    *line_length = end - start;
    *position = end < length ? end + 2 : length;
    return true;
}
