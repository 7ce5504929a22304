// The PDF kind's portable part: the verdict of an inventory and the byte source over the
// open file of the current check. Runs on the check's thread.
#include "classify/pdf.h"

#include <cstring>

#include "classify/icc.h"
#include "classify/reader.h"

namespace {

// Reads through the check's reader, so the file is opened once and what the signature
// test saw is what the library reads; a failure is the reader's, reported once.
std::size_t read_open_file(void*, std::uint64_t offset, unsigned char* out, std::size_t count) {
    FileReader& reader = file_reader;
    if (reader.failed || offset >= reader.size_at_open || offset > 0xFFFFFFFFu) return 0;
    reader.end_of_data = false;
    reader.stop = false;
    reader.end_limit = 0;
    seek_to(static_cast<std::uint32_t>(offset));
    std::size_t got = 0;
    while (got < count) {
        const std::uint32_t available = block_bytes_available();
        if (available == 0) {
            const int byte = read_byte();
            if (reader.end_of_data || reader.failed) break;
            out[got++] = static_cast<unsigned char>(byte);
            continue;
        }
        const std::size_t take = available < count - got ? available : count - got;
        std::memcpy(out + got, reader.buffer + reader.cursor, take);
        reader.cursor += static_cast<std::uint32_t>(take);
        got += take;
    }
    return got;
}

}  // namespace

void note_intent_profile(const unsigned char* bytes, std::uint32_t size, bool usable, bool partial,
                         PdfInventory* inventory) {
    FileDetails read = {};
    IccMemory memory = {bytes, size};
    IccSource source = icc_memory_source(&memory);
    source.partial = partial;
    if (usable)
        read_icc_profile(source, &read);
    else
        read.icc_space = IccSpace::Broken;
    inventory->intent_space = read.icc_space == IccSpace::None ? IccSpace::Broken : read.icc_space;
    std::memcpy(inventory->intent_description, read.icc_description,
                sizeof inventory->intent_description);
}

Verdict pdf_verdict(const PdfInventory& inventory) {
    switch (inventory.problem) {
        case PdfProblem::Encrypted:
        case PdfProblem::Unreadable:
        case PdfProblem::NotExamined:
            return Verdict::Undetermined;
        default:
            break;
    }
    auto met = [&](PdfSpace space) {
        const int index = static_cast<int>(space);
        return inventory.images[index] != 0 || inventory.vector[index] != 0;
    };
    const bool rgb = met(PdfSpace::Rgb);
    const bool cmyk = met(PdfSpace::Cmyk);
    if (rgb && cmyk) return Verdict::PossiblyBoth;
    if (rgb) return Verdict::Rgb;
    if (cmyk) return Verdict::Cmyk;
    if (met(PdfSpace::Lab)) return Verdict::OtherColourSpace;
    return Verdict::NothingToReport;
}

Verdict analyse_pdf() {
    PdfInventory& inventory = file_reader.details.pdf;
    const PdfSource source = {read_open_file, nullptr, reader_file_size()};
    read_pdf_inventory(source, kPdfLimits, &inventory);
    return pdf_verdict(inventory);
}
