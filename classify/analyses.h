// The colour analyses of the four kinds, each run on the open file of the current check
// through the buffered reader; each returns the verdict of its findings.
#pragma once

#include "classify/verdict.h"

Verdict analyse_tiff();
Verdict analyse_jpeg();
Verdict analyse_eps(bool scan_embedded, bool find_embedded_jpeg);
