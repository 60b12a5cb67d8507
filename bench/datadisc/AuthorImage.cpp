// Authors the image of a folder the way a burn does (scan, layout, every
// sector through the image stream) and writes it to a file, printing the time
// of each stage. Used to compare with other image authoring tools.
//
//   brenmark-datadisc-author FOLDER IMAGE
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "datadisc/ImageFile.h"
#include "datadisc/ImageLayout.h"
#include "datadisc/SourceTree.h"

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace brenmark::datadisc;
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FOLDER IMAGE\n", argv[0]);
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  SourceTree tree(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, false);
  tree.SetVolumeLabel(SourceTree::kDefaultVolumeLabel);
  tree.AddPath(argv[1], nullptr);
  tree.ComputeDepth();
  const double scanned = SecondsSince(start);

  ImageLayout layout(tree, 0);
  const LayoutResult result = layout.Run();
  if (!result.ok()) {
    std::fprintf(stderr, "layout refused: %s\n", result.message.c_str());
    return 1;
  }
  const double laidOut = SecondsSince(start);

  std::string error;
  std::vector<RenderedIssue> issues;
  if (!RenderImageToFile(layout, argv[2], error, &issues)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const double rendered = SecondsSince(start);
  for (const auto& issue : issues) {
    std::fprintf(stderr, "file issue %d: %s\n", static_cast<int>(issue.issue), issue.path.c_str());
  }
  std::printf(
      "scan %.3f s, layout %.3f s, image %.3f s, total %.3f s; %u sectors, %u directories\n",
      scanned, laidOut - scanned, rendered - laidOut, rendered, layout.imageEnd,
      layout.pathTables().DirectoryCount());
  return 0;
}
