// The file check driver: identification by extension, Macintosh type or signature, the
// mis-labelling rule and the hand-over to the analyses. Runs on the scan's thread.
#include "classify/check.h"

#include <cstring>

#include "classify/analyses.h"
#include "classify/psd.h"
#include "classify/pdf.h"
#include "platform/paths.h"
#include "classify/reader.h"
#include "platform/identity.h"
#include "report/report.h"

// Length of the ":Afp_AfpInfo" suffix that names the Finder information stream.
constexpr std::size_t kFinderInfoSuffixLength = 12;

void path_extension(const char* path, char* out) {
    const char* extension = find_extension(path);
    std::size_t length = std::strlen(extension);
    // Every path the check is given fits the path limit, and so does its extension.
    if (length >= kExtensionSize) length = kExtensionSize - 1;
    std::memcpy(out, extension, length);
    out[length] = '\0';
    upper_case_ascii(out);
}

bool match_extension(const char* extension, const char* list) {
    // An empty list means "no extensions", and a file without an extension names no
    // kind: read literally, an empty list or entry would claim every such file.
    if (list == nullptr || extension[0] == '\0') return false;
    const char* entry = list;
    for (;;) {
        const char* e = extension;
        const char* l = entry;
        while (*e != '\0' && *e == *l) {
            ++e;
            ++l;
        }
        if (*e == '\0' && (*l == ';' || *l == '\0')) return true;
        // The entry differs: go on after the next ";" from the point of difference.
        // Entries are a few bytes long: a plain loop beats a library search here.
        while (*l != ';') {
            if (*l == '\0') return false;
            ++l;
        }
        entry = l + 1;
    }
}

struct MacTypeRow {
    const char* type;
    FileKind kind;
};

static const MacTypeRow kMacTypes[] = {
    {"JPEG", FileKind::Jpeg}, {"JFIF", FileKind::Jpeg}, {"GIFf", FileKind::Gif},
    {"TIFF", FileKind::Tiff}, {"EPSF", FileKind::Eps},  {"EPSP", FileKind::Eps},
    {"EPSW", FileKind::Eps},
};

void read_macintosh_type(const char* path, char* out) {
    out[0] = '\0';
    // The stream is named by appending to the path; a path that would then pass the
    // limit has no type rather than a cut name.
    if (std::strlen(path) + kFinderInfoSuffixLength >= kPathLimit) return;
    unsigned char* info = reader_storage();
    const int count = platform_read_finder_info(path, info);
    // The buffer now holds the stream's bytes, not the file's.
    file_reader.buffered = 0;
    file_reader.stored = 0;
    if (count != static_cast<int>(kFinderInfoSize)) return;
    if (std::memcmp(info, "AFP\0", 4) != 0) return;
    int length = 0;
    while (length < 4 && info[16 + length] != 0) {
        out[length] = static_cast<char>(info[16 + length]);
        ++length;
    }
    out[length] = '\0';
}

static FileKind kind_of_macintosh_type(const char* type) {
    for (const MacTypeRow& row : kMacTypes)
        if (std::strcmp(type, row.type) == 0) return row.kind;
    return FileKind::None;
}

// ---- Signature tests ----------------------------------------------------------------------

// A machine that matches a fixed byte sequence; a byte that breaks a partial match
// restarts it without being looked at again.
struct SequenceMachine {
    const unsigned char* bytes;
    int length;
    int matched;

    bool step(int byte) {
        if (byte == bytes[matched]) {
            if (++matched == length) return true;
        } else {
            matched = 0;
        }
        return false;
    }
};

bool looks_like_jpeg() {
    static const unsigned char kStart[] = {0xFF, 0xD8, 0xFF};
    SequenceMachine machine = {kStart, 3, 0};
    return scan_signature([&](int byte) { return machine.step(byte); });
}

bool looks_like_gif() {
    // "GIF", two digits, one lower-case letter: GIF87a, GIF89a.
    int state = 0;
    return scan_signature([&](int byte) {
        bool fits;
        switch (state) {
            case 0:
                fits = byte == 'G';
                break;
            case 1:
                fits = byte == 'I';
                break;
            case 2:
                fits = byte == 'F';
                break;
            case 3:
            case 4:
                fits = byte >= '0' && byte <= '9';
                break;
            default:
                fits = byte >= 'a' && byte <= 'z';
                break;
        }
        if (!fits) {
            state = 0;
            return false;
        }
        return ++state == 6;
    });
}

bool looks_like_eps() {
    // "%!" of a text EPS file, or the magic that opens the binary header of one with a
    // preview; two machines, since a byte may break one match and not the other.
    static const unsigned char kText[] = {0x25, 0x21};
    static const unsigned char kBinary[] = {0xC5, 0xD0, 0xD3, 0xC6};
    SequenceMachine text = {kText, 2, 0};
    SequenceMachine binary = {kBinary, 4, 0};
    return scan_signature([&](int byte) {
        const bool text_match = text.step(byte);
        const bool binary_match = binary.step(byte);
        return text_match || binary_match;
    });
}

bool looks_like_pdf() {
    // "%PDF-" anywhere in its window; only its first byte can restart a broken match.
    static const char kStart[] = "%PDF-";
    int matched = 0;
    return scan_signature(
        [&](int byte) {
            if (byte == kStart[matched]) return ++matched == 5;
            matched = byte == '%' ? 1 : 0;
            return false;
        },
        kPdfSignatureWindow);
}

// ---- The check ----------------------------------------------------------------------------

static bool signature_of(FileKind kind) {
    switch (kind) {
        case FileKind::Jpeg:
            return looks_like_jpeg();
        case FileKind::Gif:
            return looks_like_gif();
        case FileKind::Tiff:
            return looks_like_tiff();
        case FileKind::Eps:
            return looks_like_eps();
        case FileKind::Psd:
            return looks_like_psd();
        case FileKind::Pdf:
            return looks_like_pdf();
        default:
            return false;
    }
}

// Whether the check knows `kind` at all: the tool's own kinds only when it asks for them,
// so that without them every file is named and read as it always was.
static bool kind_in_use(FileKind kind, const Options& options) {
    switch (kind) {
        case FileKind::Psd:
            return (options.tool_flags & kCheckPsd) != 0;
        case FileKind::Pdf:
            return (options.tool_flags & kCheckPdf) != 0;
        default:
            return true;
    }
}

static FileKind kind_of_extension(const char* path, const Options& options) {
    char extension[kExtensionSize];
    path_extension(path, extension);
    for (int list = 0; list < kListKindCount; ++list) {
        const FileKind kind = static_cast<FileKind>(list + 1);
        if (kind_in_use(kind, options) &&
            match_extension(extension, options.extension_lists[list].get()))
            return kind;
    }
    return FileKind::None;
}

static Verdict analyse(FileKind kind, const Options& options) {
    const std::uint16_t flags = options.file_scan_flags;
    switch (kind) {
        case FileKind::Jpeg:
            if (flags & kCheckJpeg) return analyse_jpeg();
            break;
        case FileKind::Gif:
            if (flags & kWarnGif) {
                // Every GIF is indices into a palette of 8-bit samples; the file is not read.
                file_reader.details.model = ColourModel::Palette;
                file_reader.details.bits = 8;
                return Verdict::Gif;
            }
            break;
        case FileKind::Tiff:
            if (flags & kCheckTiff) return analyse_tiff();
            break;
        case FileKind::Eps:
            if (flags & kCheckEps) {
                const Verdict verdict = analyse_eps((flags & kEmbedded) != 0,
                                                    (options.logging_flags & kLogEpsJpegs) != 0);
                // PostScript states no model; the colour operators found are the best word.
                if (verdict == Verdict::Rgb) file_reader.details.model = ColourModel::Rgb;
                if (verdict == Verdict::Cmyk) file_reader.details.model = ColourModel::Cmyk;
                return verdict;
            }
            break;
        case FileKind::Psd:
            return analyse_psd();
        case FileKind::Pdf:
            return analyse_pdf();
        default:
            break;
    }
    return Verdict::NothingToReport;
}

void count_file_seen() {
    ScanState* scan = current_scan();
    if (scan == nullptr) return;
    const std::int32_t seen = ++scan->files_seen;
    if (scan->progress_count_on && scan->show_progress_count) scan->show_progress_count(seen);
}

Verdict check_file(const char* path, const Options& options, const ListedFile* listed) {
    FileReader& reader = file_reader;
    reader.verdict = 0;
    reader.embedded_jpeg_seen = false;
    clear_file_details(&reader.details);
    reader.file_name = path;
    reader.read_details = (options.tool_flags & kReadDetails) != 0;
    count_file_seen();

    // A path the platform cannot hold is refused, never cut and then opened.
    if (std::strlen(path) >= kPathLimit) {
        report(1, ReportCategory::IoError, path, "path too long");
        return Verdict::NothingToReport;
    }

    const bool by_extension = (options.file_scan_flags & kExamineExtensions) != 0;
    const bool by_macintosh_type =
        (options.file_scan_flags & kUseMacintoshTypes) != 0 && platform_state.platform_id == 2;

    FileKind kind = FileKind::None;
    if (by_extension) kind = kind_of_extension(path, options);
    if (kind == FileKind::None && by_macintosh_type) {
        char type[5];
        read_macintosh_type(path, type);
        kind = kind_of_macintosh_type(type);
    }
    // The content decides the kind only when no naming method is in force.
    if (kind == FileKind::None && (by_extension || by_macintosh_type))
        return Verdict::NothingToReport;

    std::uint64_t size = kSizeUnknown;
    const PlatformFile file = listed != nullptr ? platform_open_listed_file(path, *listed, &size)
                                                : platform_open_read(path, &size);
    if (!is_open(file)) {
        const int error = platform_last_error();
        report_open_failure(path, "open failure: %d", error);
        return Verdict::NothingToReport;
    }
    if (ScanState* scan = current_scan()) ++scan->files_checked;
    reset_reader_for_file(file, size, listed != nullptr);
    reader.verdict = 0;
    file_reader.embedded_jpeg_seen = false;

    Verdict verdict;
    if (kind == FileKind::None) {
        // The tool's own kinds come last, so that a file the four kinds claim stays theirs.
        static const FileKind kOrder[] = {FileKind::Jpeg, FileKind::Gif, FileKind::Tiff,
                                          FileKind::Eps,  FileKind::Psd, FileKind::Pdf};
        for (FileKind candidate : kOrder) {
            if (kind_in_use(candidate, options) && signature_of(candidate)) {
                kind = candidate;
                break;
            }
        }
        verdict = kind == FileKind::None ? Verdict::NothingToReport : analyse(kind, options);
    } else {
        verdict = signature_of(kind) ? analyse(kind, options) : Verdict::Mislabelled;
    }
    platform_close(file);
    reader.handle = kNoFile;
    // However the analyses went on after a read failure, the file could not be read.
    if (reader.failed) {
        clear_file_details(&reader.details);
        return Verdict::IoError;
    }
    reader.details.icc_conflict = icc_conflicts(reader.details.model, reader.details.icc_space);
    return verdict;
}
