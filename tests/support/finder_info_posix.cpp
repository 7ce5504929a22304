// Finder information on Linux: the extended attribute Samba's streams_xattr writes, the
// stream's bytes followed by one zero byte.
#include <sys/xattr.h>

#include "tests/support/finder_info.h"

bool attach_finder_info(const std::string& path, const Bytes& info) {
    const Bytes value = info + Bytes(1, '\0');
    return setxattr(path.c_str(), "user.DosStream.AFP_AfpInfo:$DATA", value.data(), value.size(),
                    0) == 0;
}
