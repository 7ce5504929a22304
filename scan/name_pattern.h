// The pattern of a name the command-line scan leaves out: "*" any run of characters,
// "?" one character, "[...]" one of a set ("a-z" ranges, "!" or "^" first negates; "]"
// first stands for itself). No escape character: "[*]" is a literal star. Any thread.
#pragma once

// Whether `name` (one entry's name, no separators) matches `pattern` whole. With
// `ignore_case` ASCII letters compare without case, as Windows compares names. A "["
// without its closing "]" stands for itself.
bool name_matches(const char* pattern, const char* name, bool ignore_case);
