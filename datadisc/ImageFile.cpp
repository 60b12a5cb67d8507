#include "datadisc/ImageFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "datadisc/IsoBytes.h"

namespace brenmark::datadisc {
namespace {

bool WriteAt(int fd, const std::uint8_t* data, std::size_t count, off_t offset) {
  while (count > 0) {
    const ssize_t written = ::pwrite(fd, data, count, offset);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    count -= static_cast<std::size_t>(written);
    offset += written;
  }
  return true;
}

}  // namespace

bool RenderImageToFile(const ImageLayout& layout, const std::string& imagePath, std::string& error,
                       std::vector<RenderedIssue>* issues, ImageStream::Clock clock) {
  const int fd = ::open(imagePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "Cannot create " + imagePath + ": " + std::strerror(errno);
    return false;
  }
  ImageStream stream(layout, std::move(clock));
  SectorGroup group;
  bool ok = true;
  while (ok && stream.Next(group)) {
    if (group.issue != FileIssue::None && issues != nullptr) {
      issues->push_back({group.file->sourcePath, group.issue});
    }
    const auto offset = static_cast<off_t>(group.firstSector - layout.sessionStart) *
                        static_cast<off_t>(kSectorSize);
    ok = WriteAt(fd, group.data.data(), group.data.size(), offset);
  }
  const auto imageBytes =
      static_cast<off_t>(layout.imageEnd - layout.sessionStart) * static_cast<off_t>(kSectorSize);
  ok = ok && ::ftruncate(fd, imageBytes) == 0;
  if (!ok) error = "Cannot write " + imagePath + ": " + std::strerror(errno);
  if (::close(fd) != 0 && ok) {
    error = "Cannot write " + imagePath + ": " + std::strerror(errno);
    ok = false;
  }
  return ok;
}

}  // namespace brenmark::datadisc
