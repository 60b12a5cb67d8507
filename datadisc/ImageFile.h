#pragma once

#include <string>
#include <vector>

#include "datadisc/ImageStream.h"

namespace brenmark::datadisc {

// A file issue met while rendering, with the source path it concerns.
struct RenderedIssue {
  std::string path;
  FileIssue issue;
};

// Renders the whole image of a laid-out tree into a file, the session start
// at offset 0, through the same stream a burn uses. Returns false with
// `error` set when the image file cannot be written; file issues do not stop
// the rendering and are appended to `issues` when given.
bool RenderImageToFile(const ImageLayout& layout, const std::string& imagePath, std::string& error,
                       std::vector<RenderedIssue>* issues = nullptr,
                       ImageStream::Clock clock = ImageStream::DefaultClock);

}  // namespace brenmark::datadisc
