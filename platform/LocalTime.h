#pragma once

#include <ctime>

namespace brenmark::platform {

// The calendar time of `time` in the user's time zone.
std::tm LocalTime(std::time_t time);

}  // namespace brenmark::platform
