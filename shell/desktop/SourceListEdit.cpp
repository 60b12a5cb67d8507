#include "shell/desktop/SourceListEdit.h"

#include <algorithm>
#include <utility>

namespace brenmark::desktop {
namespace {

bool Holds(const std::vector<CheckedFile>& files, int row) {
  return row >= 0 && static_cast<std::size_t>(row) < files.size();
}

}  // namespace

ChosenList ListChosenFiles(JobKind kind, const std::vector<std::string>& chosen, std::size_t limit) {
  ChosenList list;
  const std::size_t listed = std::min(chosen.size(), limit);
  for (std::size_t index = listed; index-- > 0;) list.files.push_back(CheckSourceFile(kind, chosen[index]));
  if (chosen.size() > limit) list.note = TooManyFilesMessage(chosen.size(), limit);
  return list;
}

int MoveSourceFile(std::vector<CheckedFile>& files, int row, int step) {
  const int target = row + step;
  if (!Holds(files, row)) return -1;
  if (!Holds(files, target)) return row;
  std::swap(files[static_cast<std::size_t>(row)], files[static_cast<std::size_t>(target)]);
  return target;
}

int RemoveSourceFile(std::vector<CheckedFile>& files, int row) {
  if (!Holds(files, row)) return files.empty() ? -1 : 0;
  files.erase(files.begin() + row);
  if (files.empty()) return -1;
  return Holds(files, row) ? row : row - 1;
}

std::string TooManyFilesMessage(std::size_t chosen, std::size_t limit) {
  return std::to_string(chosen) + " files were chosen, but a disc's list takes at most " + std::to_string(limit) +
         ": only the first " + std::to_string(limit) + " are listed.";
}

}  // namespace brenmark::desktop
