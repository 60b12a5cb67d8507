#include "datadisc/ImageFile.h"

#include "datadisc/IsoBytes.h"
#include "platform/File.h"
#include "platform/Utf8Path.h"

namespace brenmark::datadisc {

bool RenderImageToFile(const ImageLayout& layout, const std::string& imagePath, std::string& error,
                       std::vector<RenderedIssue>* issues, ImageStream::Clock clock) {
  platform::File file;
  if (!file.OpenForWriting(platform::PathFromUtf8(imagePath), true)) {
    error = "Cannot create " + imagePath + ": " + file.lastError();
    return false;
  }
  ImageStream stream(layout, std::move(clock));
  SectorGroup group;
  bool ok = true;
  while (ok && stream.Next(group)) {
    if (group.issue != FileIssue::None && issues != nullptr) {
      issues->push_back({group.file->SourcePath(), group.issue});
    }
    const auto offset = static_cast<std::int64_t>(group.firstSector - layout.sessionStart) *
                        static_cast<std::int64_t>(kSectorSize);
    ok = file.WriteAt(offset, group.data.data(), group.data.size());
  }
  const auto imageBytes = static_cast<std::int64_t>(layout.imageEnd - layout.sessionStart) *
                          static_cast<std::int64_t>(kSectorSize);
  ok = ok && file.Resize(imageBytes) && file.Close();
  if (!ok) error = "Cannot write " + imagePath + ": " + file.lastError();
  return ok;
}

}  // namespace brenmark::datadisc
