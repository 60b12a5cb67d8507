#include "platform/LocalTime.h"

namespace brenmark::platform {

std::tm LocalTime(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  return local;
}

}  // namespace brenmark::platform
