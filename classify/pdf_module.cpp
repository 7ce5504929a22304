// The PDF inventory of a build with the PDF library: read by the PDF module, which is
// loaded at the first PDF examined. The library and what it links take about 10 ms and
// 5 MB to load, which a run that meets no PDF file does not pay.
#include "classify/pdf.h"

namespace {

// Loaded once, by whichever job's thread examines a PDF first; the others wait for it.
PdfModuleRead module_function() {
    static const PdfModuleRead function = reinterpret_cast<PdfModuleRead>(
        platform_module_function(INKHOUND_PDF_MODULE, kPdfModuleFunction));
    return function;
}

}  // namespace

void read_pdf_inventory(const PdfSource& source, const PdfLimits& limits, PdfInventory* inventory) {
    const PdfModuleRead read = module_function();
    if (read == nullptr) {
        // A module not installed beside the tool: the file is not looked into.
        *inventory = {};
        inventory->examined = true;
        inventory->problem = PdfProblem::NotExamined;
        return;
    }
    read(&source, &limits, inventory, note_intent_profile);
}
