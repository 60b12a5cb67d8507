#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "vcd/MpegStreamCheck.h"

// The first bytes of any file: the check classifies them and every kind it
// gives has a reason, empty only for the stream a Video CD takes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brenmark::vcd;
  if (size > kMpegCheckBytes) size = kMpegCheckBytes;
  const MpegStreamKind kind = ClassifyMpegStream(std::span(data, size));
  const char* reason = MpegRefusalReason(kind);
  if (reason == nullptr) std::abort();
  if ((*reason == '\0') != (kind == MpegStreamKind::MpegOneSystemStream)) std::abort();
  if (size == 0 && kind != MpegStreamKind::Empty) std::abort();
  return 0;
}
