// The byte-at-a-time model of the line scan, and the runner of the real scan it is
// compared with.
#include "postscript_model.h"

#include <cstdio>
#include <cstring>

#include "platform.h"
#include "postscript.h"
#include "reader.h"

namespace {

int model_read_byte(ModelStream* s) {
    if (s->end_of_data) return 0;
    if (s->position == s->fail_at) {
        s->failed = true;
        return 0;
    }
    if (s->position >= s->size) {
        s->end_of_data = true;
        return 0;
    }
    return s->data[s->position++];
}

void model_upper_case(char* line) {
    for (char* p = line; *p; ++p)
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
}

struct ModelState {
    int scan_state;
    std::uint16_t findings;
    bool seen_creator, is_photoshop, seen_process_colours, seen_rgb_custom, seen_custom_colours;
};

std::uint16_t model_process_colours(const char* p) {
    static const char* const kNames[] = {"CYAN", "MAGENTA", "YELLOW", "BLACK"};
    bool cyan_magenta_yellow = false, black = false, unknown = false;
    while (*p) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        int found = -1;
        for (int i = 0; i < 4; ++i)
            if (std::strncmp(p, kNames[i], std::strlen(kNames[i])) == 0) found = i;
        if (found >= 0) {
            if (found == 3)
                black = true;
            else
                cyan_magenta_yellow = true;
            p += std::strlen(kNames[found]);
            continue;
        }
        if (*p >= 'A' && *p <= 'Z') {
            unknown = true;
            break;
        }
        ++p;
    }
    if (unknown) return 0x04;
    if (cyan_magenta_yellow) return 0x01;
    if (black) return 0x08;
    return 0x80;
}

// Returns true to return from the scan.
bool model_state_3(ModelState& st, char* line) {
    if (std::strstr(line, "/DeviceRGB")) {
        if (st.is_photoshop) {
            st.findings |= 0x02;
            return true;
        }
        st.findings |= 0x20;
        return false;
    }
    if (std::strstr(line, "/DeviceCMYK")) {
        if (st.is_photoshop) {
            st.findings |= 0x01;
            return true;
        }
        st.findings |= 0x10;
        return false;
    }
    model_upper_case(line);
    if (std::strstr(line, "%%BEGINBINARY") || std::strstr(line, "%%EOF") ||
        std::strstr(line, "%%PAGETRAILER") || std::strstr(line, "%%TRAILER"))
        return true;
    if (std::strstr(line, "%%BEGINPROLOG"))
        st.scan_state = 3;
    else if (std::strstr(line, "%%ENDPROLOG"))
        st.scan_state = 2;
    return false;
}

bool model_handle(ModelState& st, char* line, bool find_jpeg, bool* jpeg_seen) {
    switch (st.scan_state) {
        case 0: {
            model_upper_case(line);
            if (!st.seen_creator && std::strstr(line, "%%CREATOR")) {
                st.seen_creator = true;
                if (std::strstr(line, "PHOTOSHOP")) st.is_photoshop = true;
                return false;
            }
            if (!st.seen_process_colours) {
                const char* at = std::strstr(line, "%%DOCUMENTPROCESSCOLORS:");
                const char* colon = at ? at + std::strlen("%%DOCUMENTPROCESSCOLORS") : nullptr;
                if (!at) {
                    at = std::strstr(line, "%%PAGEPROCESSCOLORS:");
                    colon = at ? at + std::strlen("%%PAGEPROCESSCOLORS") : nullptr;
                }
                if (colon) {
                    st.seen_process_colours = true;
                    st.findings |= model_process_colours(colon);
                    return false;
                }
            }
            if (!st.seen_rgb_custom && std::strstr(line, "%%RGBCUSTOMCOLOR")) {
                st.seen_rgb_custom = true;
                st.findings |= 0x20;
                return false;
            }
            if (!st.seen_custom_colours && std::strstr(line, "%%DOCUMENTCUSTOMCOLORS")) {
                st.seen_custom_colours = true;
                st.findings |= 0x40;
                return false;
            }
            if (std::strstr(line, "%%ENDCOMMENTS")) {
                if (!st.is_photoshop && (st.findings & 0x0F)) return true;
                st.scan_state = 1;
            }
            return false;
        }
        case 1:
            model_upper_case(line);
            if (!st.seen_process_colours && std::strstr(line, "%%PAGEPROCESSCOLORS:")) {
                st.seen_process_colours = true;
                st.findings |= 0x01;
            }
            if (std::strstr(line, "%%ENDSETUP")) {
                if (!st.is_photoshop && (st.findings & 0x0F)) return true;
                st.scan_state = 2;
            }
            return false;
        case 2: {
            const char* at = st.is_photoshop ? std::strstr(line, "%ImageData:") : nullptr;
            // Read as wide numbers, then held to the range of an int: what "%d" gives for
            // a number beyond that range differs between C libraries.
            long long wide[7];
            long long n[7];
            if (at && std::sscanf(at + std::strlen("%ImageData:"),
                                  "%lld %lld %lld %lld %lld %lld %lld", &wide[0], &wide[1],
                                  &wide[2], &wide[3], &wide[4], &wide[5], &wide[6]) == 7) {
                for (int i = 0; i < 7; ++i)
                    n[i] = wide[i] > 2147483647LL    ? 2147483647LL
                           : wide[i] < -2147483648LL ? -2147483648LL
                                                     : wide[i];
                if (find_jpeg && n[6] >= 3 && n[6] <= 6) *jpeg_seen = true;
                if (n[3] == 4) {
                    st.findings |= 0x01;
                    return true;
                }
                if (n[3] == 3) {
                    st.findings |= 0x02;
                    return true;
                }
                if (n[3] == 2) {
                    st.findings |= 0x04;
                    return true;
                }
                if (n[3] == 1) {
                    st.findings |= 0x08;
                    return true;
                }
            }
            if (std::strstr(line, "setrgbcolor") || std::strstr(line, "sethsbcolor")) {
                st.findings |= 0x20;
                return false;
            }
            if (std::strstr(line, "setcmykcolor")) {
                st.findings |= 0x10;
                return false;
            }
            if (std::strstr(line, "setcolor")) {
                st.findings |= 0x40;
                return false;
            }
            return model_state_3(st, line);
        }
        default:
            return model_state_3(st, line);
    }
}

// Position of the reader's block read number `index` (0 first) over a file of `size`
// bytes read from its start: whole blocks, then the read at the end that finds nothing.
std::size_t read_position(std::size_t index, std::size_t size) {
    const std::size_t blocks = (size + kBlockSize - 1) / kBlockSize;
    if (index < blocks) return index * kBlockSize;
    if (index == blocks) return size;
    return kNeverFails;
}

}  // namespace

std::size_t model_read_line(ModelStream* s, char* line) {
    std::size_t taken = 0, length = 0;
    while (taken < 255 && !s->end_of_data && !s->failed) {
        const int byte = model_read_byte(s);
        ++taken;
        if (s->end_of_data || s->failed) break;
        if (byte == 0) continue;
        if (byte == '\r' || byte == '\n') {
            if (taken > 1) break;
            continue;
        }
        line[length++] = static_cast<char>(byte);
    }
    line[length] = '\0';
    return length;
}

std::uint16_t model_scan_postscript(ModelStream* s, bool find_embedded_jpeg,
                                    bool* embedded_jpeg_seen) {
    ModelState st = {};
    char line[256];
    while (!s->end_of_data && !s->failed) {
        model_read_line(s, line);
        if (s->failed) break;
        if (model_handle(st, line, find_embedded_jpeg, embedded_jpeg_seen)) break;
    }
    return st.findings;
}

ScanRun model_scan_run(const std::string& data, const ScanSetup& setup) {
    ModelStream s = {reinterpret_cast<const unsigned char*>(data.data()),
                     data.size(),
                     setup.start,
                     kNeverFails,
                     false,
                     false};
    if (setup.failing_read >= 0) {
        const std::size_t reads_to_start = (setup.start + kBlockSize - 1) / kBlockSize;
        s.fail_at = read_position(reads_to_start + static_cast<std::size_t>(setup.failing_read),
                                  data.size());
    }
    ScanRun run = {{}, false, false};
    do {
        const std::uint16_t findings =
            model_scan_postscript(&s, setup.find_embedded_jpeg, &run.embedded_jpeg_seen);
        run.calls.push_back({findings, s.position});
    } while (setup.repeat && !s.end_of_data && !s.failed);
    run.failed = s.failed;
    return run;
}

ScanRun fast_scan_run(const std::string& path, const std::string& data, const ScanSetup& setup) {
    ScanRun run = {{}, false, false};
    FileReader& reader = file_reader;
    const PlatformFile file = platform_open_read(path.c_str());
    if (!is_open(file)) {
        run.failed = true;
        return run;
    }
    allocate_reader_buffer();
    reader.file_name = path.c_str();
    reset_reader_for_file(file);
    rewind_reader(true);
    reader.verdict = 13;
    file_reader.embedded_jpeg_seen = false;
    for (std::size_t i = 0; i < setup.start && i < data.size(); ++i) read_byte();
    if (setup.failing_read >= 0) fail_platform_call(PlatformCall::Read, 5, setup.failing_read, 1);
    do {
        const EpsFindings findings = scan_postscript(setup.find_embedded_jpeg);
        run.calls.push_back({findings, std::uint64_t{reader.buffer_start} + reader.cursor});
    } while (setup.repeat && !reader.end_of_data && reader.verdict != 1);
    run.failed = reader.verdict == 1;
    run.embedded_jpeg_seen = file_reader.embedded_jpeg_seen;
    clear_platform_faults();
    platform_close(file);
    reader.handle = kNoFile;
    reader.file_name = nullptr;
    return run;
}

std::string describe_difference(const ScanRun& model, const ScanRun& fast) {
    char text[200];
    if (model.failed != fast.failed) {
        std::snprintf(text, sizeof text, "failure: model %d, scan %d", model.failed, fast.failed);
        return text;
    }
    if (model.embedded_jpeg_seen != fast.embedded_jpeg_seen) {
        std::snprintf(text, sizeof text, "embedded JPEG: model %d, scan %d",
                      model.embedded_jpeg_seen, fast.embedded_jpeg_seen);
        return text;
    }
    if (model.calls.size() != fast.calls.size()) {
        std::snprintf(text, sizeof text, "calls: model %lu, scan %lu",
                      static_cast<unsigned long>(model.calls.size()),
                      static_cast<unsigned long>(fast.calls.size()));
        return text;
    }
    for (std::size_t i = 0; i < model.calls.size(); ++i) {
        const ScanCall& m = model.calls[i];
        const ScanCall& f = fast.calls[i];
        if (m.findings != f.findings || m.position != f.position) {
            std::snprintf(text, sizeof text,
                          "call %lu: model findings 0x%02X at %llu, scan 0x%02X at %llu",
                          static_cast<unsigned long>(i), m.findings,
                          static_cast<unsigned long long>(m.position), f.findings,
                          static_cast<unsigned long long>(f.position));
            return text;
        }
    }
    return std::string();
}
