// Printing the results view's text: the print dialog, the device's pages and the lines
// wrapped to the printable width. User-interface thread; the abort procedure keeps the
// windows painted while the device works.
#include "desktop/results/printing.h"

#include <commdlg.h>
#include <winspool.h>

#include <cstdlib>
#include <cstring>

#include "desktop/common/startup.h"
#include "desktop/common/waiting.h"
#include "desktop/results/view_layout.h"

namespace {

BOOL CALLBACK print_abort_procedure(HDC, int) {
    pump_waiting_messages();
    return TRUE;
}

int measure_printed(const char* text, std::size_t length, void* context) {
    SIZE size = {};
    if (!GetTextExtentPoint32A(static_cast<HDC>(context), text, static_cast<int>(length), &size))
        return 0;
    return size.cx;
}

// Prints `text` (the view's, in the device's character set) `copies` times as one
// document. Returns false when the device refused a document or a page.
bool print_document(HDC dc, const char* text, std::size_t length, int copies) {
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    PrintMeasures measures = {};
    measures.physical_offset_x = GetDeviceCaps(dc, PHYSICALOFFSETX);
    measures.physical_offset_y = GetDeviceCaps(dc, PHYSICALOFFSETY);
    measures.physical_height = GetDeviceCaps(dc, PHYSICALHEIGHT);
    measures.horizontal_resolution = GetDeviceCaps(dc, HORZRES);
    measures.vertical_resolution = GetDeviceCaps(dc, VERTRES);
    measures.pixels_per_inch_y = GetDeviceCaps(dc, LOGPIXELSY);
    measures.text_height = metrics.tmHeight + metrics.tmExternalLeading;
    const PrintLayout layout = layout_print_page(measures);

    DOCINFOA document = {};
    document.cbSize = sizeof document;
    document.lpszDocName = kPrintDocumentName;
    if (StartDocA(dc, &document) <= 0) return false;
    bool printed = true;
    for (int copy = 0; printed && copy < copies; ++copy) {
        PrintCursor cursor = {false, 0};
        std::size_t position = 0;
        std::size_t line_length = 0;
        for (std::size_t start = position;
             printed && next_view_line(text, length, &position, &line_length); start = position) {
            const char* rest = text + start;
            std::size_t left = line_length;
            // An empty line still takes its printed line; a long one wraps onto several.
            do {
                const std::size_t piece =
                    left > 0 ? wrap_print_line(rest, left, layout.width, measure_printed, dc) : 0;
                const PrintStep step = next_print_line(layout, &cursor);
                if ((step.end_page && EndPage(dc) <= 0) ||
                    (step.start_page && StartPage(dc) <= 0)) {
                    printed = false;
                    break;
                }
                if (piece > 0) TextOutA(dc, layout.left, step.top, rest, static_cast<int>(piece));
                rest += piece;
                left -= piece;
            } while (left > 0);
        }
        if (printed && cursor.page_open && EndPage(dc) <= 0) printed = false;
    }
    if (!printed) {
        AbortDoc(dc);
        return false;
    }
    return EndDoc(dc) > 0;
}

constexpr DWORD kPrinterKinds = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
constexpr char kSpoolerDriver[] = "winspool";

// The names of the first printer installed, local or connected, for the print dialog to
// show chosen when there is no default printer; null when there is no printer at all.
HGLOBAL first_printer_names() {
    DWORD needed = 0;
    DWORD returned = 0;
    // Asked with no room: the room it wants says whether there is anything to list.
    EnumPrintersA(kPrinterKinds, nullptr, 4, nullptr, 0, &needed, &returned);
    if (needed == 0) return nullptr;
    auto* printers = static_cast<BYTE*>(std::malloc(needed));
    if (printers == nullptr) return nullptr;
    HGLOBAL names = nullptr;
    if (EnumPrintersA(kPrinterKinds, nullptr, 4, printers, needed, &needed, &returned) &&
        returned > 0) {
        const char* printer = reinterpret_cast<const PRINTER_INFO_4A*>(printers)->pPrinterName;
        const std::size_t length = printer != nullptr ? std::strlen(printer) : 0;
        // The offsets are 16-bit; a printer's name is far shorter.
        const std::size_t device = sizeof(DEVNAMES) + sizeof kSpoolerDriver;
        if (length > 0 && length < 1024) names = GlobalAlloc(GHND, device + length + 2);
        auto* block = names != nullptr ? static_cast<DEVNAMES*>(GlobalLock(names)) : nullptr;
        if (block != nullptr) {
            char* base = reinterpret_cast<char*>(block);
            block->wDriverOffset = sizeof(DEVNAMES);
            block->wDeviceOffset = static_cast<WORD>(device);
            block->wOutputOffset = static_cast<WORD>(device + length + 1);
            std::memcpy(base + block->wDriverOffset, kSpoolerDriver, sizeof kSpoolerDriver);
            std::memcpy(base + device, printer, length + 1);
            GlobalUnlock(names);
        }
    }
    std::free(printers);
    return names;
}

}  // namespace

bool print_text(char* text, std::size_t length) {
    PRINTDLGA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = startup.main_window;
    // Without any printer some systems' print dialog warns and then ends as a cancel does,
    // so the default printer is asked for first, without a dialog; without a default one,
    // the dialog opens on the first printer there is and lets the user pick another.
    dialog.Flags = PD_RETURNDEFAULT;
    if (!PrintDlgA(&dialog)) {
        dialog.hDevNames = first_printer_names();
        if (dialog.hDevNames == nullptr) return false;
    }
    dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_HIDEPRINTTOFILE | PD_NOWARNING;
    const bool chosen = PrintDlgA(&dialog) != 0;
    const bool failed = !chosen && CommDlgExtendedError() != 0;
    bool printed = true;
    if (chosen) {
        HDC dc = dialog.hDC;
        if (dc == nullptr || SetAbortProc(dc, print_abort_procedure) <= 0) {
            printed = false;
        } else {
            TEXTMETRICA metrics = {};
            // A device font of the OEM character set prints the view's ANSI text wrong
            // unless converted; any other prints it as it is.
            if (GetTextMetricsA(dc, &metrics) && metrics.tmCharSet == OEM_CHARSET)
                CharToOemBuffA(text, text, static_cast<DWORD>(length));
            const int copies = dialog.nCopies > 0 ? dialog.nCopies : 1;
            printed = print_document(dc, text, length, copies);
        }
        if (dc != nullptr) DeleteDC(dc);
    }
    if (dialog.hDevMode != nullptr) GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames != nullptr) GlobalFree(dialog.hDevNames);
    return !failed && printed;
}
