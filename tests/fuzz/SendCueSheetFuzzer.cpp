#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "drive/CdCueSheet.h"
#include "virtualdrive/SessionCueSheet.h"

// The bytes of a SEND CUE SHEET (the first two giving the session's first
// track and where its first pregap must begin): a sheet the recorder takes
// must describe spans in order, tracks in order, each starting inside the
// session, and SpanAt must find a span for every block of it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brenmark;
  if (size < 2) return 0;
  const int firstTrack = 1 + data[0] % 99;
  const std::int32_t firstPregap = cdcue::kFirstPregapStart + data[1];
  const auto sheet = virtualdrive::ReadSessionCueSheet(data + 2, size - 2, firstTrack, firstPregap);
  if (!sheet) return 0;
  if (sheet->spans.empty() || sheet->tracks.empty()) std::abort();
  for (std::size_t i = 1; i < sheet->spans.size(); ++i) {
    if (sheet->spans[i].from < sheet->spans[i - 1].from) std::abort();
  }
  int expected = firstTrack;
  for (const virtualdrive::CueSheetTrack& track : sheet->tracks) {
    if (track.number != expected++) std::abort();
    if (track.pregapStart > track.start || track.start > track.end) std::abort();
    if (track.end > sheet->leadOutStart) std::abort();
  }
  const std::int32_t last = sheet->leadOutStart;
  for (std::int32_t lba : {sheet->spans.front().from, sheet->tracks.front().start, last - 1}) {
    const virtualdrive::CueSpan& span = sheet->SpanAt(lba);
    if (span.HostBytes() > 2352 + 96) std::abort();
  }
  return 0;
}
