// Finder information on Windows: the NTFS stream ":Afp_AfpInfo". Wine has no alternate
// data streams and keeps a file of that literal name instead, which the program's own
// open of "name:Afp_AfpInfo" then finds, so the same code path runs.
#include <fstream>

#include "tests/support/finder_info.h"

bool attach_finder_info(const std::string& path, const Bytes& info) {
    std::ofstream out(path + ":Afp_AfpInfo", std::ios::binary | std::ios::trunc);
    out.write(info.data(), static_cast<std::streamsize>(info.size()));
    return static_cast<bool>(out);
}
