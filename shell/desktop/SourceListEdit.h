#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "shell/desktop/SourceFileCheck.h"

namespace brenmark::desktop {

// The list a choice of files makes, top item first: each file checked, the
// one chosen last at the top (the first chosen becomes the last track), and
// only the first `limit` chosen when there are more; `note` then says so.
struct ChosenList {
  std::vector<CheckedFile> files;
  std::string note;
};
ChosenList ListChosenFiles(JobKind kind, const std::vector<std::string>& chosen, std::size_t limit);

// The user's corrections to an audio or video file list (top item first):
// a file moved one place or removed. Each returns the row to select after
// it: the moved file's new row (its old one when it cannot move), or the row
// that took the removed file's place (-1 for an empty list). Rows outside
// the list change nothing.
int MoveSourceFile(std::vector<CheckedFile>& files, int row, int step);
int RemoveSourceFile(std::vector<CheckedFile>& files, int row);

// Said when more files are chosen than a disc's list takes: only the first
// `limit` are listed.
std::string TooManyFilesMessage(std::size_t chosen, std::size_t limit);

}  // namespace brenmark::desktop
