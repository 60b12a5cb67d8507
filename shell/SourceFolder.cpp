#include "shell/SourceFolder.h"

namespace brenmark {

std::unique_ptr<datadisc::SourceTree> BuildSourceTree(const std::string& folder) {
  using datadisc::SourceTree;
  auto tree = std::make_unique<SourceTree>(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names,
                                           /*useFileTimes=*/false, /*xaRecords=*/false);
  tree->SetVolumeLabel(SourceTree::kDefaultVolumeLabel);
  tree->AddPath(folder, nullptr);
  return tree;
}

}  // namespace brenmark
