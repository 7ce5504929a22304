// The PDF kind of the command-line tool: the inventory of what a PDF's pages draw, read
// through a byte source by the PDF library where the build has it, the verdict it gives,
// and the analysis of the open file of the current check. Runs on the check's thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "classify/details.h"
#include "classify/verdict.h"
#include "platform/platform.h"

// Bytes `count` from `offset` into `out`; returns how many it delivered, fewer only at
// the end of the data or on a failure.
struct PdfSource {
    std::size_t (*read)(void* context, std::uint64_t offset, unsigned char* out, std::size_t count);
    void* context;
    std::uint64_t size;  // kSizeUnknown: the PDF cannot be read at offsets (Unreadable)
};

// What one PDF may cost: past any of them the inventory stops growing there and is
// marked Capped. Memory stays near stream_bytes, the largest stream inflated at once.
struct PdfLimits {
    std::uint64_t stream_bytes;  // inflated bytes of one content stream (a page's together)
    std::uint64_t file_bytes;    // inflated bytes of all the file's content streams
    int depth;                   // forms, patterns and appearances nested in each other
};
constexpr PdfLimits kPdfLimits = {256u << 20, 1024u << 20, 32};

// Fills `inventory` (cleared first, then marked examined) from the PDF in `source`: the
// page count, the images and colour operators of every page by colour space, the
// colorant names, the first output intent's profile, and the problem met if any. Never
// throws; a build without the PDF library, or whose PDF module cannot be loaded, answers
// NotExamined.
void read_pdf_inventory(const PdfSource& source, const PdfLimits& limits, PdfInventory* inventory);

// The output intent's profile into the inventory, read by the profile reader: the first
// `size` bytes of it, `partial` when the profile goes on past them; `usable` false when
// the library could not deliver it (Broken).
void note_intent_profile(const unsigned char* bytes, std::uint32_t size, bool usable, bool partial,
                         PdfInventory* inventory);
using PdfIntentReader = decltype(&note_intent_profile);

// The PDF module's one function, by which the tool reads PDF files with the PDF library:
// loaded at the first PDF examined, so that a run without one does not load the library.
using PdfModuleRead = void (*)(const PdfSource* source, const PdfLimits* limits,
                               PdfInventory* inventory, PdfIntentReader intent);
constexpr char kPdfModuleFunction[] = "inkhound_read_pdf_inventory";

// The verdict of an inventory: from its images and vector art together, never from its
// output intent; Undetermined when the file could not be looked into.
Verdict pdf_verdict(const PdfInventory& inventory);

// Bytes the PDF signature test looks at: the "%PDF-" header may follow other data.
constexpr int kPdfSignatureWindow = 1024;

// The analysis of the open file of the current check: its inventory into the reader's
// details, read through the reader at offsets, and its verdict.
Verdict analyse_pdf();
