// The fault switch shared by both platform implementations: tests arm a row, and the next
// matching platform call fails with the row's error code. Used on the scan thread only.
#include "platform/platform.h"

void set_platform_last_error(int error);  // each implementation's own

PlatformFaults platform_faults;

void fail_platform_call(PlatformCall call, int error, int skip, int times) {
    FaultRow& row = platform_faults.rows[static_cast<int>(call)];
    row.error = error;
    row.skip = skip;
    row.times = times;
}

void clear_platform_faults() {
    platform_faults = PlatformFaults{};
}

int injected_fault_of_armed_row(PlatformCall call) {
    FaultRow& row = platform_faults.rows[static_cast<int>(call)];
    if (row.skip > 0) {
        --row.skip;
        return 0;
    }
    const int error = row.error;
    if (row.times > 0 && --row.times == 0) row.error = 0;
    set_platform_last_error(error);
    return error;
}

void fail_reads_at(std::uint32_t position, int error) {
    platform_faults.read_error_at = position;
    platform_faults.read_error_at_error = error;
}

void cap_read_size(std::uint32_t size) {
    platform_faults.read_size_cap = size;
}

std::uint32_t injected_read_size(std::uint32_t size) {
    const std::uint32_t cap = platform_faults.read_size_cap;
    return cap != 0 && cap < size ? cap : size;
}

int injected_read_fault_at(std::uint64_t position, std::uint32_t size) {
    const int error = platform_faults.read_error_at_error;
    if (error == 0 || size == 0) return 0;
    const std::uint64_t at = platform_faults.read_error_at;
    if (at < position || at - position >= size) return 0;
    set_platform_last_error(error);
    return error;
}
