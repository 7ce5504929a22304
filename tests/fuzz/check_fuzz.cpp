// libFuzzer target: the file check on arbitrary bytes under every naming and EPS setting,
// and the line scan of the bytes with the reader's block ending at different places in
// them. Any crash, sanitizer report, leak or disagreement ends the run.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "tests/model/aligned_scan.h"
#include "classify/check.h"
#include "classify/icc.h"
#include "settings/options.h"
#include "platform/identity.h"
#include "classify/reader.h"
#include "report/report.h"

namespace {

namespace fs = std::filesystem;

struct FuzzState {
    std::string directory;
    Options options;
};
FuzzState fuzz_state;

void remove_directory() {
    std::error_code ignored;
    fs::remove_all(fuzz_state.directory, ignored);
}

std::string write_input(const std::string& name, const std::string& data) {
    const std::string path = fuzz_state.directory + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return path;
}

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "inkhound_fuzz: %s: %s\n", what, detail.c_str());
    std::abort();
}

bool valid_utf8(const char* text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        int length = *p < 0x80 ? 1 : *p >= 0xF0 ? 4 : *p >= 0xE0 ? 3 : *p >= 0xC2 ? 2 : 0;
        if (length == 0) return false;
        for (int i = 1; i < length; ++i)
            if ((p[i] & 0xC0) != 0x80) return false;
        p += length;
    }
    return true;
}

void check_every_way(const std::string& data) {
    static const char* const kNames[] = {"input.TIF", "input.JPG", "input.EPS", "input.GIF",
                                         "input.PSD", "input.PDF", "input"};
    constexpr std::uint16_t kAllChecks = kCheckTiff | kCheckJpeg | kCheckEps | kWarnGif;
    Options& options = fuzz_state.options;
    for (const char* name : kNames) {
        const std::string path = write_input(name, data);
        const bool named = std::string(name).find('.') != std::string::npos;
        // The PDF kind where it can be reached: by its extension, or by the content.
        const bool pdf_named = std::strcmp(name, "input.PDF") == 0;
        const std::uint16_t pdf = pdf_named || !named ? kCheckPdf : 0;
        // The EPS settings mean nothing to a PDF: one pass is enough.
        for (int settings = 0; settings < (pdf_named ? 1 : 4); ++settings) {
            const bool embedded = (settings & 1) != 0;
            const bool log_jpegs = (settings & 2) != 0;
            options.file_scan_flags = static_cast<std::uint16_t>(
                kAllChecks | (named ? kExamineExtensions : 0) | (embedded ? kEmbedded : 0));
            options.logging_flags = log_jpegs ? kLogEpsJpegs : 0;
            // Photoshop documents every other time.
            const std::uint16_t psd = embedded ? kCheckPsd : 0;
            // The details are gathered beside the verdict and never change it.
            options.tool_flags = static_cast<std::uint16_t>(psd | pdf);
            const Verdict plain = check_file(path.c_str(), options);
            options.tool_flags = static_cast<std::uint16_t>(psd | pdf | kReadDetails);
            const Verdict verdict = check_file(path.c_str(), options);
            if (verdict != plain) fail("details changed the verdict", name);
            const int code = static_cast<int>(verdict);
            if (code < 1 || code > 15 || verdict == Verdict::EmbeddedJpeg ||
                verdict == Verdict::PossiblyGif)  // report categories only
                fail("verdict out of range", std::to_string(code));
            if (!log_jpegs && file_reader.embedded_jpeg_seen)
                fail("embedded JPEG seen without being asked", name);
            if (file_reader.handle.value != kNoFile.value) fail("file left open", name);
            const PdfInventory& inventory = file_reader.details.pdf;
            if (inventory.spot_count > kPdfSpotLimit) fail("too many spot names", name);
            for (int i = 0; i < inventory.spot_count; ++i)
                if (std::memchr(inventory.spots[i], 0, kPdfSpotSize) == nullptr)
                    fail("spot name without its terminator", name);
            if (std::memchr(inventory.intent_description, 0, kIccDescriptionSize) == nullptr)
                fail("output intent description without its terminator", name);
        }
        std::remove(path.c_str());
    }
}

// The bytes as a profile by themselves, whole and as the start of one: the description
// must end inside its field and be valid UTF-8, whatever the tags claim.
void read_as_profile(const std::string& data) {
    IccMemory memory = {reinterpret_cast<const unsigned char*>(data.data()),
                        static_cast<std::uint32_t>(data.size())};
    for (const bool partial : {false, true}) {
        FileDetails details = {};
        IccSource source = icc_memory_source(&memory);
        source.partial = partial;
        read_icc_profile(source, &details);
        const void* end = std::memchr(details.icc_description, 0, kIccDescriptionSize);
        if (end == nullptr) fail("description without its terminator", "");
        if (details.icc_space == IccSpace::Broken && details.icc_description[0] != '\0')
            fail("broken profile with a description", details.icc_description);
        if (!valid_utf8(details.icc_description)) fail("description not UTF-8", "");
    }
}

// Lines inside a block take the block scan, a line across its end read_line: the
// findings and where each scan stops must not depend on where the block ends.
void compare_block_ends(const std::string& data) {
    const std::string path = write_input("scan.eps", std::string(kDocumentStart, ' ') + data);
    const std::uint32_t reach =
        static_cast<std::uint32_t>(std::min<std::size_t>(data.size(), kDocumentStart - 1));
    const std::uint32_t chosen = std::hash<std::string>{}(data) % (reach + 1);
    const std::uint32_t in_block[] = {reach / 2 + 1, reach + 1, chosen + 1};
    for (const ScanSetup setup : {ScanSetup{false, true, -1}, ScanSetup{true, false, -1}}) {
        const std::string whole = scan_at(path, 0, setup).calls;
        for (const std::uint32_t bytes : in_block) {
            const std::string split = scan_at(path, kDocumentStart - bytes, setup).calls;
            if (split != whole)
                fail("line scan depends on the block's end",
                     std::to_string(bytes) + " bytes in the block: " + split + "; whole: " + whole);
        }
    }
    std::remove(path.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_state.directory =
        (fs::temp_directory_path() / ("inkhound-fuzz-" + std::to_string(getpid()))).string();
    fs::create_directories(fuzz_state.directory);
    std::atexit(remove_directory);
    platform_state.platform_id = 2;
    set_default_options(&fuzz_state.options);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string data(reinterpret_cast<const char*>(bytes), size);
    check_every_way(data);
    read_as_profile(data);
    compare_block_ends(data);
    return 0;
}
