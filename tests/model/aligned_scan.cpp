// The line scan at a chosen block offset, through the reader and the fault switch.
#include "tests/model/aligned_scan.h"

#include "platform/platform.h"
#include "classify/reader.h"

ScanRun scan_at(const std::string& path, std::uint32_t offset, const ScanSetup& setup) {
    FileReader& reader = file_reader;
    ScanRun run = {0, false, ""};
    const PlatformFile file = platform_open_read(path.c_str());
    if (!is_open(file)) return {0, false, "no file"};
    reader.file_name = path.c_str();
    reset_reader_for_file(file);
    reader.verdict = 13;  // as the EPS analysis leaves it
    reader.embedded_jpeg_seen = false;
    // A block read from kDocumentStart - offset holds the document from `offset` on.
    seek_to(kDocumentStart - offset);
    if (offset > 0) read_byte();
    seek_to(kDocumentStart);
    // Blocks after the placement are read from the end of the placed block on; the read
    // that touches the chosen block fails, however many blocks one read takes.
    const std::uint32_t next_block = offset > 0 ? 2 * kDocumentStart - offset : kDocumentStart;
    if (setup.failing_read >= 0)
        fail_reads_at(next_block + static_cast<std::uint32_t>(setup.failing_read) * kBlockSize, 5);
    do {
        const EpsFindings findings = scan_postscript(setup.find_embedded_jpeg);
        if (run.calls.empty()) run.findings = findings;
        run.calls += std::to_string(findings) + "@" +
                     std::to_string(reader.buffer_start + reader.cursor - kDocumentStart) + " ";
    } while (setup.repeat && !reader.end_of_data && reader.verdict != 1);
    run.embedded_jpeg_seen = reader.embedded_jpeg_seen;
    if (run.embedded_jpeg_seen) run.calls += "jpeg ";
    if (reader.verdict == 1) run.calls += "failed";
    clear_platform_faults();
    platform_close(file);
    reader.handle = kNoFile;
    return run;
}
