// The colour analyses of the four kinds, each run on the open file of the current check
// through the buffered reader; each returns the verdict of its findings. With them the
// TIFF signature test, which shares the TIFF analysis's header search.
#pragma once

#include "classify/verdict.h"

Verdict analyse_tiff();
// Whether a TIFF header ("II*\0" or "MM\0*") lies within the first kSignatureWindow
// bytes; rewinds the reader first.
bool looks_like_tiff();
Verdict analyse_jpeg();
Verdict analyse_eps(bool scan_embedded, bool find_embedded_jpeg);
