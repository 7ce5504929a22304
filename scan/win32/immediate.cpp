// Placeholder until the immediate scan lands.
#include "scan/win32/immediate.h"

void start_immediate_scan(const char*, bool) {}
