#pragma once

namespace brenmark::desktop {

// The jobs the main window starts, one per command.
enum class JobKind { DataCd, DataDvd, AudioCd, VideoCd, AudioGrab, DiscImage };

}  // namespace brenmark::desktop
