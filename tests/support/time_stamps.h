// The time stamps that start log, view and trace lines ("5-Dec-26 09:07:03 ", the date as
// the system writes it), written as "T " so that whole lines can be compared.
#pragma once

#include <regex>
#include <string>

inline std::string mask_time_stamps(const std::string& text) {
    static const std::regex stamp("(^|\n)[^ \r\n]+ [0-9]{2}:[0-9]{2}:[0-9]{2} ");
    return std::regex_replace(text, stamp, "$1T ");
}
