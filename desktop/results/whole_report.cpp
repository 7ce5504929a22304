// The immediate scan's whole report: its lines kept by section in memory while the scan
// runs, written in the view's section order when it ends. Immediate-scan worker thread.
#include "desktop/results/whole_report.h"

#include <cstdlib>
#include <cstring>

#include "platform/win32/win32.h"

WholeReport whole_report;

namespace {

// Appends to a section's text, doubling its room as it grows.
bool keep(int slot, const char* text, std::size_t length) {
    std::size_t& room = whole_report.room[slot];
    const std::size_t used = whole_report.length[slot];
    if (length > room - used) {
        std::size_t grown = room > 0 ? room : 4096;
        while (grown - used < length) grown *= 2;
        char* bigger = static_cast<char*>(std::realloc(whole_report.text[slot], grown));
        if (bigger == nullptr) return false;
        whole_report.text[slot] = bigger;
        room = grown;
    }
    std::memcpy(whole_report.text[slot] + used, text, length);
    whole_report.length[slot] = used + length;
    return true;
}

void forget_whole_report() {
    for (char* text : whole_report.text) std::free(text);
    whole_report = WholeReport{};
}

bool write_all(HANDLE file, const char* text, std::size_t length) {
    while (length > 0) {
        const DWORD piece = length < 0x100000 ? static_cast<DWORD>(length) : 0x100000;
        DWORD written = 0;
        if (!WriteFile(file, text, piece, &written, nullptr) || written == 0) return false;
        text += written;
        length -= written;
    }
    return true;
}

}  // namespace

void keep_report_line(int category, const char* line, std::size_t length) {
    const LogSection section = section_of(category);
    if (section == LogSection::none || whole_report.lost) return;
    const int slot = static_cast<int>(section);
    const char* header = kSections[slot].header;
    if (whole_report.length[slot] == 0 && header != nullptr &&
        !keep(slot, header, std::strlen(header)))
        whole_report.lost = true;
    else if (!keep(slot, line, length))
        whole_report.lost = true;
}

bool write_whole_report(const char* path) {
    bool written = !whole_report.lost && path != nullptr;
    HANDLE file = written ? CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                          : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) written = false;
    for (int rank = 0; written && rank < kSectionCount; ++rank)
        for (const SectionInfo& row : kSections)
            if (row.view_rank == rank) {
                const int slot = static_cast<int>(row.section);
                written = write_all(file, whole_report.text[slot], whole_report.length[slot]);
            }
    if (file != INVALID_HANDLE_VALUE) {
        if (!CloseHandle(file)) written = false;
        // Half a report would pass for the whole one.
        if (!written) DeleteFileA(path);
    }
    forget_whole_report();
    return written;
}
