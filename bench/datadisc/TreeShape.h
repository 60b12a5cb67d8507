#pragma once

#include <cstddef>
#include <string>

namespace brenmark::datadisc::bench {

// The trees the benchmarks author: folders of 100 files below one chosen
// folder, with long names that contain spaces. Every tenth file of a folder
// has a name over 62 bytes whose first 58 bytes and extension it shares with
// the other such files of its folder, so the Joliet cut makes them collide;
// the 8.3 rule makes nearly all names of a folder collide.
inline constexpr std::size_t kFilesPerFolder = 100;

inline std::size_t FoldersFor(std::size_t entries) { return entries / (kFilesPerFolder + 1); }

inline std::string FolderName(std::size_t folder) {
  return "Project folder with a rather long name " + std::to_string(folder);
}

inline std::string FileName(std::size_t file) {
  if (file % 10 == 0) {
    return "Minutes of the weekly coordination meeting of the project " + std::to_string(file) +
           " final version.txt";
  }
  return "Quarterly report of the northern sales region part " + std::to_string(file) + ".pdf";
}

}  // namespace brenmark::datadisc::bench
