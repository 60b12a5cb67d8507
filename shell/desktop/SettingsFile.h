#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "shell/desktop/SettingsStore.h"

namespace brenmark::desktop {

// The remembered settings as an ini file of their own ("[Brenmark]", then
// one "key=value" line each). The file is read once; a file that is damaged,
// another program's, too large or no regular file is ignored, and the first
// change replaces it. Every change rewrites the whole file beside it and
// renames it into place, never writing through a link; a failed write leaves
// the settings remembered for the run only.
class SettingsFile final : public SettingsStore {
 public:
  explicit SettingsFile(std::filesystem::path path);

  std::string Read(const std::string& key) override;
  // A value holding a line break or other control character is not kept,
  // nor a key that is empty or holds one, or '='.
  void Write(const std::string& key, const std::string& value) override;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::map<std::string, std::string> values_;
};

}  // namespace brenmark::desktop
