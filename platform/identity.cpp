// The recorded platform; Windows NT until start-up records the real one.
#include "platform/identity.h"

PlatformState platform_state = {2};
