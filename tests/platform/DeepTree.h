#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace brenmark::testing {

// Creates `levels` nested folders below `root`, each named by `nameLength`
// copies of a letter that changes per level, and a file `leafName` holding
// `leafText` in the deepest one; their full paths exceed what the system
// accepts in one path. Works by moving the current folder down step by step,
// so each call sees a short relative path; the current folder is restored.
inline void MakeDeepTree(const std::filesystem::path& root, int levels, std::size_t nameLength,
                         const std::string& leafName, const std::string& leafText) {
  const std::filesystem::path start = std::filesystem::current_path();
  std::filesystem::current_path(root);
  for (int level = 0; level < levels; ++level) {
    const std::string name(nameLength, static_cast<char>('a' + level % 26));
    std::filesystem::create_directory(name);
    std::filesystem::current_path(name);
  }
  std::ofstream(leafName, std::ios::binary) << leafText;
  std::filesystem::current_path(start);
}

// Removes a tree made by MakeDeepTree (too deep for remove_all's full paths).
inline void RemoveDeepTree(const std::filesystem::path& root, int levels, std::size_t nameLength) {
  const std::filesystem::path start = std::filesystem::current_path();
  std::error_code ignored;
  for (int depth = levels; depth > 0; --depth) {
    std::filesystem::current_path(root);
    for (int level = 0; level + 1 < depth; ++level)
      std::filesystem::current_path(std::string(nameLength, static_cast<char>('a' + level % 26)));
    std::filesystem::remove_all(std::string(nameLength, static_cast<char>('a' + (depth - 1) % 26)),
                                ignored);
  }
  std::filesystem::current_path(start);
  std::filesystem::remove_all(root, ignored);
}

}  // namespace brenmark::testing
