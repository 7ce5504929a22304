// The verdicts' names and message texts, read from the report categories' table: the
// verdict codes are the categories 1 to 15.
#include "classify/verdict.h"

#include "report/report.h"

static const CategoryInfo* find_verdict(Verdict verdict) {
    const int code = static_cast<int>(verdict);
    return code >= 1 && code <= 15 ? category_info(code) : nullptr;
}

const char* verdict_message(Verdict verdict) {
    const CategoryInfo* info = find_verdict(verdict);
    return info ? info->message : nullptr;
}

const char* verdict_name(Verdict verdict) {
    const CategoryInfo* info = find_verdict(verdict);
    return info ? info->name : "?";
}
