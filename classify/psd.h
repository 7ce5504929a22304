// The Photoshop document analysis (PSD, and PSB for large documents): the verdict from the
// colour mode of the 26-byte header, and for the details the depth, the channel count and
// the profile among the image resources. The layers and the image data are never read.
#pragma once

#include "classify/verdict.h"

// Whether the file starts with "8BPS" and version 1 (PSD) or 2 (PSB); rewinds the reader.
bool looks_like_psd();

// The verdict of the header's colour mode: Invalid for a header cut short or of another
// version, Undetermined for a mode no Photoshop document has.
Verdict analyse_psd();
