#include "platform/LocalTime.h"

namespace brenmark::platform {

std::tm LocalTime(std::time_t time) {
  std::tm local{};
  localtime_s(&local, &time);
  return local;
}

}  // namespace brenmark::platform
