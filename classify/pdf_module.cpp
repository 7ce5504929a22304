// The PDF inventory of a build with the PDF library: read by the PDF module, which is
// loaded at the first PDF examined. The library and what it links take about 10 ms and
// 5 MB to load, which a run that meets no PDF file does not pay.
#include "classify/pdf.h"
#include "platform/paths.h"

namespace {

// The module where the build tree puts it, beside the tool; where the installation puts
// it, relative to the tool; else the one a program was linked with (the tests).
PdfModuleRead load_module() {
    static const char* const kPlaces[] = {INKHOUND_PDF_MODULE, INKHOUND_PDF_MODULE_INSTALLED};
    char path[kPathLimit];
    for (const char* place : kPlaces) {
        if (!path_beside_executable(place, path, sizeof path)) continue;
        if (void* function = platform_module_function(path, kPdfModuleFunction, false))
            return reinterpret_cast<PdfModuleRead>(function);
    }
    return reinterpret_cast<PdfModuleRead>(
        platform_module_function(INKHOUND_PDF_MODULE, kPdfModuleFunction, true));
}

// Loaded once, by whichever job's thread examines a PDF first; the others wait for it.
PdfModuleRead module_function() {
    static const PdfModuleRead function = load_module();
    return function;
}

}  // namespace

void read_pdf_inventory(const PdfSource& source, const PdfLimits& limits, PdfInventory* inventory) {
    const PdfModuleRead read = module_function();
    if (read == nullptr) {
        // A module not installed with the tool: the file is not looked into.
        *inventory = {};
        inventory->examined = true;
        inventory->problem = PdfProblem::NotExamined;
        return;
    }
    read(&source, &limits, inventory, note_intent_profile);
}
