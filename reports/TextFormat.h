#pragma once

#include <string>

namespace brenmark::reports {

// printf-style formatting into a string of whatever length the result needs.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace brenmark::reports
