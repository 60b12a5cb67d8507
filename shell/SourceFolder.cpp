#include "shell/SourceFolder.h"

#include "platform/Utf8Path.h"

namespace brenmark {

std::unique_ptr<datadisc::SourceTree> BuildSourceTree(const std::string& folder, std::stop_token stop) {
  using datadisc::SourceTree;
  auto tree = std::make_unique<SourceTree>(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names,
                                           /*useFileTimes=*/false, /*xaRecords=*/false);
  tree->SetVolumeLabel(SourceTree::kDefaultVolumeLabel);
  // The tree names entries by what lies between slashes; a Windows folder
  // comes with backslashes, which its generic form turns into slashes.
  const std::u8string generic = platform::PathFromUtf8(folder).generic_u8string();
  tree->AddPath(std::string(generic.begin(), generic.end()), nullptr, std::move(stop));
  if (tree->scanStopped()) return nullptr;
  return tree;
}

}  // namespace brenmark
