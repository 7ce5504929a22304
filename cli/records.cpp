// The tool's machine-readable records: JSON Lines and CSV (RFC 4180, with a header row and
// the platform's line end, as every output of the tool) for check and scan. A scan's
// entries are gathered as they arrive; each file's are printed with its record. Main thread.
#include "cli/records.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "report/report.h"
#include "settings/options.h"
#include "scan/walker.h"

namespace {

struct FormatName {
    const char* name;
    OutputFormat format;
    std::uint8_t commands;  // the commands that write it
};

constexpr FormatName kFormatNames[] = {
    {"tsv", OutputFormat::Tsv, kCheckCommand},
    {"report", OutputFormat::Report, kScanCommand},
    {"json", OutputFormat::Json, kCheckCommand | kScanCommand},
    {"csv", OutputFormat::Csv, kCheckCommand | kScanCommand},
};

// The names of the report's sections in records, in LogSection order.
constexpr const char* kSectionNames[] = {"general",        "rgb",    "cmyk",   "gif", "eps_jpeg",
                                         "unknown_colour", "errors", "summary"};
static_assert(sizeof kSectionNames / sizeof kSectionNames[0] == kSectionCount,
              "kSectionNames: one name per LogSection");

// The name of the section an entry of `category` goes to; "" where none.
const char* section_name(int category) {
    const LogSection section = section_of(category);
    return section == LogSection::none ? "" : kSectionNames[static_cast<int>(section)];
}

// A CSV field, quoted when it holds a comma, a quote or a line break, its quotes doubled.
// Every other byte, valid UTF-8 or not, is written as it is, so a path reads back exactly.
void print_csv_field(const char* text) {
    if (std::strpbrk(text, ",\"\r\n") == nullptr) {
        std::fputs(text, stdout);
        return;
    }
    std::fputc('"', stdout);
    for (const char* p = text; *p; ++p) {
        if (*p == '"') std::fputc('"', stdout);
        std::fputc(*p, stdout);
    }
    std::fputc('"', stdout);
}

void print_json_or_null(const char* text) {
    if (text != nullptr)
        print_json_string(text);
    else
        std::fputs("null", stdout);
}

// The PDF's counts by space, only the spaces met, in the order of PdfSpace: JSON members
// or CSV "rgb=2;cmyk=1".
void print_pdf_counts(const std::uint64_t (&counts)[kPdfSpaceCount], bool json) {
    bool first = true;
    if (json) std::fputc('{', stdout);
    for (int i = 0; i < kPdfSpaceCount; ++i) {
        if (counts[i] == 0) continue;
        const char* name = pdf_space_name(static_cast<PdfSpace>(i));
        std::fprintf(stdout, json ? "%s\"%s\":%llu" : "%s%s=%llu",
                     first  ? ""
                     : json ? ","
                            : ";",
                     name, static_cast<unsigned long long>(counts[i]));
        first = false;
    }
    if (json) std::fputc('}', stdout);
}

// The "pdf" member: null for a file not examined as a PDF.
void print_json_pdf_member(const FileDetails& d) {
    const PdfInventory& pdf = d.pdf;
    std::fputs(",\"pdf\":", stdout);
    if (!pdf.examined) {
        std::fputs("null", stdout);
        return;
    }
    std::fprintf(stdout, "{\"pages\":%lu,\"images\":", static_cast<unsigned long>(pdf.pages));
    print_pdf_counts(pdf.images, true);
    std::fputs(",\"vector\":", stdout);
    print_pdf_counts(pdf.vector, true);
    std::fputs(",\"spots\":[", stdout);
    for (int i = 0; i < pdf.spot_count; ++i) {
        if (i != 0) std::fputc(',', stdout);
        print_json_string(pdf.spots[i]);
    }
    std::fputs("],\"output_intent\":", stdout);
    if (pdf.intent_space == IccSpace::None) {
        std::fputs("null", stdout);
    } else {
        std::fputs("{\"space\":", stdout);
        print_json_or_null(icc_space_name(pdf.intent_space));
        std::fputs(",\"description\":", stdout);
        print_json_or_null(pdf.intent_description[0] != '\0' ? pdf.intent_description : nullptr);
        std::fputc('}', stdout);
    }
    std::fputs(",\"problem\":", stdout);
    print_json_or_null(pdf_problem_name(pdf.problem));
    std::fputc('}', stdout);
}

// pdf_pages,pdf_images,pdf_vector,pdf_spots,pdf_output_space,pdf_output_description,
// pdf_problem after a comma: all empty for a file not examined as a PDF.
void print_csv_pdf_fields(const FileDetails& d) {
    const PdfInventory& pdf = d.pdf;
    if (!pdf.examined) {
        std::fputs(",,,,,,,", stdout);
        return;
    }
    std::fprintf(stdout, ",%lu,", static_cast<unsigned long>(pdf.pages));
    print_pdf_counts(pdf.images, false);
    std::fputc(',', stdout);
    print_pdf_counts(pdf.vector, false);
    std::fputc(',', stdout);
    std::string spots;
    for (int i = 0; i < pdf.spot_count; ++i) {
        if (i != 0) spots += ';';
        spots += pdf.spots[i];
    }
    print_csv_field(spots.c_str());
    const char* space = icc_space_name(pdf.intent_space);
    std::fprintf(stdout, ",%s,", space != nullptr ? space : "");
    print_csv_field(pdf.intent_description);
    const char* problem = pdf_problem_name(pdf.problem);
    std::fprintf(stdout, ",%s", problem != nullptr ? problem : "");
}

// The details' members, after the others: each null when unknown or not looked for.
void print_json_detail_members(const FileDetails* details) {
    static const FileDetails kNone = {};
    const FileDetails& d = details != nullptr ? *details : kNone;
    static const char* const kAnswerJson[] = {"null", "false", "true"};
    std::fputs(",\"icc_space\":", stdout);
    print_json_or_null(icc_space_name(d.icc_space));
    std::fputs(",\"icc_description\":", stdout);
    print_json_or_null(d.icc_description[0] != '\0' ? d.icc_description : nullptr);
    std::fprintf(stdout, ",\"icc_conflict\":%s,\"model\":",
                 kAnswerJson[icc_conflict_answer(d.model, d.icc_space) + 1]);
    print_json_or_null(colour_model_name(d.model));
    if (d.bits != 0)
        std::fprintf(stdout, ",\"bits\":%d", d.bits);
    else
        std::fputs(",\"bits\":null", stdout);
    if (d.channels != 0)
        std::fprintf(stdout, ",\"channels\":%d", d.channels);
    else
        std::fputs(",\"channels\":null", stdout);
    print_json_pdf_member(d);
}

// icc_space,icc_description,icc_conflict,model,bits,channels, after a comma: empty where
// JSON has null.
void print_csv_detail_fields(const FileDetails* details) {
    static const FileDetails kNone = {};
    const FileDetails& d = details != nullptr ? *details : kNone;
    static const char* const kAnswerCsv[] = {"", "0", "1"};
    const char* space = icc_space_name(d.icc_space);
    const char* model = colour_model_name(d.model);
    std::fprintf(stdout, ",%s,", space != nullptr ? space : "");
    print_csv_field(d.icc_description);
    std::fprintf(stdout, ",%s,%s,", kAnswerCsv[icc_conflict_answer(d.model, d.icc_space) + 1],
                 model != nullptr ? model : "");
    if (d.bits != 0) std::fprintf(stdout, "%d", d.bits);
    std::fputc(',', stdout);
    if (d.channels != 0) std::fprintf(stdout, "%d", d.channels);
    print_csv_pdf_fields(d);
}

// The members check --json has always written, without the braces.
void print_json_file_members(const FileRecord& record) {
    static const char* const kJpegJson[] = {"null", "false", "true"};
    std::fputs("\"path\":", stdout);
    print_json_string(record.path);
    std::fprintf(stdout,
                 ",\"verdict\":%d,\"name\":\"%s\",\"message\":", static_cast<int>(record.verdict),
                 verdict_name(record.verdict));
    print_json_or_null(verdict_message(record.verdict));
    std::fprintf(stdout, ",\"embedded_jpeg\":%s,\"error\":", kJpegJson[record.embedded_jpeg + 1]);
    print_json_or_null(record.error);
    print_json_detail_members(record.details);
}

// path,verdict,name,message,embedded_jpeg,error: an empty field where JSON has null.
void print_csv_file_fields(const FileRecord& record) {
    static const char* const kJpegCsv[] = {"", "0", "1"};
    print_csv_field(record.path);
    std::fprintf(stdout, ",%d,%s,", static_cast<int>(record.verdict), verdict_name(record.verdict));
    const char* message = verdict_message(record.verdict);
    print_csv_field(message != nullptr ? message : "");
    std::fprintf(stdout, ",%s,", kJpegCsv[record.embedded_jpeg + 1]);
    print_csv_field(record.error != nullptr ? record.error : "");
}

// One entry of the scan, as its sink received it.
struct ScanEntry {
    int category;
    bool has_name;
    std::string name;
    std::string message;
};

// The scan's records. `pending` holds the entries since the last file's record: the next
// file's own (named after it, the last ones before its record) and the walker's.
struct ScanRecords {
    OutputFormat format;
    std::vector<ScanEntry> pending;
};
ScanRecords scan_records;

// An entry not about a checked file: a folder that could not be read, a name too long.
// The framing (start, closing lines, totals) is left to the totals record.
void print_walk_entry(const ScanEntry& entry) {
    if (entry.category != static_cast<int>(ReportCategory::IoError)) return;
    const char* path = entry.has_name ? entry.name.c_str() : "";
    if (scan_records.format == OutputFormat::Json) {
        std::fputs("{\"kind\":\"error\",\"path\":", stdout);
        print_json_string(path);
        std::fputs(",\"error\":", stdout);
        print_json_string(entry.message.c_str());
        std::fputs("}\n", stdout);
    } else {
        std::fputs("error,", stdout);
        print_csv_field(path);
        std::fputs(",,,,,", stdout);
        print_csv_field(entry.message.c_str());
        std::fputs(",,,,,,,,,,,,,,\n", stdout);
    }
}

void print_walk_entries(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) print_walk_entry(scan_records.pending[i]);
}

}  // namespace

bool parse_output_format(const char* text, std::uint16_t* value) {
    for (const FormatName& row : kFormatNames) {
        if (std::strcmp(text, row.name) != 0) continue;
        *value = static_cast<std::uint16_t>(row.format);
        return true;
    }
    return false;
}

std::uint16_t tool_flags_for(OutputFormat format, const ParsedArguments& args) {
    const bool records = format == OutputFormat::Json || format == OutputFormat::Csv;
    return records || args.report_icc_conflict ? kReadDetails : 0;
}

bool output_format_for(std::uint8_t command, const ParsedArguments& args, OutputFormat* format) {
    const OutputFormat asked = static_cast<OutputFormat>(args.output_format);
    *format = command == kCheckCommand ? OutputFormat::Tsv : OutputFormat::Report;
    if (args.json && asked != OutputFormat::Default && asked != OutputFormat::Json) {
        usage_error("--json and --format disagree");
        return false;
    }
    if (args.json) *format = OutputFormat::Json;
    if (asked == OutputFormat::Default) return true;
    for (const FormatName& row : kFormatNames) {
        if (row.format != asked) continue;
        if ((row.commands & command) == 0) {
            usage_error("%s has no --format %s", command == kCheckCommand ? "check" : "scan",
                        row.name);
            return false;
        }
    }
    *format = asked;
    return true;
}

int utf8_sequence_length(const unsigned char* p) {
    const unsigned char first = p[0];
    if (first < 0x80) return 1;
    int length;
    unsigned min_second = 0x80, max_second = 0xBF;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        if (first == 0xE0) min_second = 0xA0;  // no overlong forms
        if (first == 0xED) max_second = 0x9F;  // no surrogates
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        if (first == 0xF0) min_second = 0x90;
        if (first == 0xF4) max_second = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (p[1] < min_second || p[1] > max_second) return 0;
    for (int i = 2; i < length; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF) return 0;
    return length;
}

void print_json_string(const char* text) {
    std::fputc('"', stdout);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        const unsigned char c = *p;
        if (c == '"' || c == '\\') {
            std::fputc('\\', stdout);
            std::fputc(c, stdout);
            ++p;
        } else if (c == '\n') {
            std::fputs("\\n", stdout);
            ++p;
        } else if (c == '\t') {
            std::fputs("\\t", stdout);
            ++p;
        } else if (c == '\r') {
            std::fputs("\\r", stdout);
            ++p;
        } else if (c < 0x20 || c == 0x7F) {
            std::fprintf(stdout, "\\u%04x", c);
            ++p;
        } else {
            const int length = utf8_sequence_length(p);
            if (length == 0) {
                std::fprintf(stdout, "\\udc%02x", c);
                ++p;
            } else {
                std::fwrite(p, 1, static_cast<std::size_t>(length), stdout);
                p += length;
            }
        }
    }
    std::fputc('"', stdout);
}

void print_check_csv_header() {
    std::fputs(
        "path,verdict,name,message,embedded_jpeg,error,icc_space,icc_description,icc_conflict,"
        "model,bits,channels,pdf_pages,pdf_images,pdf_vector,pdf_spots,pdf_output_space,"
        "pdf_output_description,pdf_problem\n",
        stdout);
}

void print_check_record(const FileRecord& record, OutputFormat format) {
    if (format == OutputFormat::Json) {
        std::fputc('{', stdout);
        print_json_file_members(record);
        std::fputs("}\n", stdout);
    } else {
        print_csv_file_fields(record);
        print_csv_detail_fields(record.details);
        std::fputc('\n', stdout);
    }
}

void begin_scan_records(OutputFormat format) {
    scan_records.format = format;
    scan_records.pending.clear();
    if (format == OutputFormat::Csv)
        std::fputs(
            "kind,path,verdict,name,message,embedded_jpeg,error,sections,icc_space,"
            "icc_description,icc_conflict,model,bits,channels,pdf_pages,pdf_images,pdf_vector,"
            "pdf_spots,pdf_output_space,pdf_output_description,pdf_problem\n",
            stdout);
}

void note_scan_entry(int category, const char* name, const char* message) {
    ScanEntry entry;
    entry.category = category;
    entry.has_name = name != nullptr;
    if (name != nullptr) entry.name = name;
    entry.message = message;
    scan_records.pending.push_back(std::move(entry));
}

void print_scan_file_record(const FileRecord& record) {
    // The file's entries are the last ones, each named after it: the check's and its
    // verdict's. Whatever came before them is the walker's, made before the file was.
    std::vector<ScanEntry>& pending = scan_records.pending;
    std::size_t first = pending.size();
    while (first > 0 && pending[first - 1].has_name && pending[first - 1].name == record.path)
        --first;
    print_walk_entries(first);
    // The error is the first of the file's entries of the errors kind, as check gives it.
    FileRecord full = record;
    for (std::size_t i = first; i < pending.size() && full.error == nullptr; ++i)
        if (pending[i].category == static_cast<int>(ReportCategory::IoError))
            full.error = pending[i].message.c_str();
    if (scan_records.format == OutputFormat::Json) {
        std::fputs("{\"kind\":\"file\",", stdout);
        print_json_file_members(full);
        std::fputs(",\"entries\":[", stdout);
        for (std::size_t i = first; i < pending.size(); ++i) {
            const ScanEntry& entry = pending[i];
            const CategoryInfo* info = category_info(entry.category);
            std::fprintf(stdout, "%s{\"section\":\"%s\",\"category\":%d,\"name\":\"%s\",",
                         i == first ? "" : ",", section_name(entry.category), entry.category,
                         info != nullptr ? info->name : "?");
            std::fputs("\"message\":", stdout);
            print_json_or_null(entry.message.empty() ? nullptr : entry.message.c_str());
            std::fputc('}', stdout);
        }
        std::fputs("]}\n", stdout);
    } else {
        std::fputs("file,", stdout);
        print_csv_file_fields(full);
        std::fputc(',', stdout);
        for (std::size_t i = first; i < pending.size(); ++i) {
            std::fprintf(stdout, "%s%s", i == first ? "" : " ", section_name(pending[i].category));
        }
        print_csv_detail_fields(full.details);
        std::fputc('\n', stdout);
    }
    pending.clear();
}

void finish_scan_records(bool stopped, int files_seen, int files_checked, int files_logged) {
    print_walk_entries(scan_records.pending.size());
    scan_records.pending.clear();
    const bool json = scan_records.format == OutputFormat::Json;
    if (stopped && json)
        std::fprintf(stdout, "{\"kind\":\"stopped\",\"message\":\"%s\"}\n", kImmediateScanStopped);
    else if (stopped)
        std::fprintf(stdout, "stopped,,,,%s,,,,,,,,,,,,,,,,\n", kImmediateScanStopped);
    if (json) {
        std::fprintf(stdout,
                     "{\"kind\":\"totals\",\"files_seen\":%d,\"files_checked\":%d,"
                     "\"files_logged\":%d,\"stopped\":%s}\n",
                     files_seen, files_checked, files_logged, stopped ? "true" : "false");
    } else {
        char totals[kTotalsSize];
        std::snprintf(totals, sizeof totals, kTotalsFormat, files_seen, files_checked,
                      files_logged);
        std::fprintf(stderr, "%s\n", totals);
    }
}
