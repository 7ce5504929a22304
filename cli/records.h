// The tool's machine-readable records: the output formats by name, JSON strings and CSV
// fields that hold any path exactly, one checked file's record, and the records of a scan
// (its files in walk order, the entries not about a file, the totals). Main thread only.
#pragma once

#include <cstdint>

#include "classify/details.h"
#include "classify/verdict.h"
#include "cli/cli.h"

enum class OutputFormat : std::uint16_t { Default = 0, Tsv, Report, Json, Csv };

// Reads a --format value into *value (an OutputFormat); false when it names none.
bool parse_output_format(const char* text, std::uint16_t* value);

// The format `command` writes: --format, --json for check, or the command's default.
// Returns false after a message for a format the command has no use for, or for --json
// beside another --format.
bool output_format_for(std::uint8_t command, const ParsedArguments& args, OutputFormat* format);

// The tool flags the output needs: kReadDetails where records or the profile section show
// the details, which no check reads otherwise.
std::uint16_t tool_flags_for(OutputFormat format, const ParsedArguments& args);

// What the check found out about one file. embedded_jpeg: -1 when the analysis was not
// asked to look; error: the report's message when the file could not be read, or null;
// details: the model, bits and profile, or null for none learnt.
struct FileRecord {
    const char* path;
    Verdict verdict;
    int embedded_jpeg;
    const char* error;
    const FileDetails* details;
};

// A JSON string on stdout. A byte that is not part of valid UTF-8 (always 0x80 or above)
// is written as the lone surrogate U+DC00 + byte, which stands for that byte alone when
// read back with Python's surrogateescape and can never be taken for a character.
void print_json_string(const char* text);

// Length of the valid UTF-8 sequence at `p`, or 0 when the byte there does not start one.
int utf8_sequence_length(const unsigned char* p);

// check's record of one file, with its line end: "json" or "csv" (after csv_check_header).
void print_check_record(const FileRecord& record, OutputFormat format);
void print_check_csv_header();

// A scan's records, fed from its sink and its files' hand-over in walk order.
void begin_scan_records(OutputFormat format);
// Every entry the scan makes, as its sink receives it.
void note_scan_entry(int category, const char* name, const char* message);
// After the file's entries: its record, with the entries named after it.
void print_scan_file_record(const FileRecord& record);
// After the scan: the entries not yet given, the stop's record, and the totals (JSON: the
// last line; CSV: the report's totals line on stderr).
void finish_scan_records(bool stopped, int files_seen, int files_checked, int files_logged);
