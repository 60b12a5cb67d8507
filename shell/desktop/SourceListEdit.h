#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "shell/desktop/SourceFileCheck.h"

namespace brenmark::desktop {

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
