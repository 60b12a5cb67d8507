#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "shell/desktop/SettingsFile.h"

namespace {

namespace fs = std::filesystem;

// The settings file lives in a folder of this process's own.
const fs::path& SettingsPath() {
  static const fs::path path = [] {
    const fs::path folder = fs::temp_directory_path() / ("brenmark-fuzz-settings-" + std::to_string(getpid()));
    fs::create_directories(folder);
    return folder / "brenmark.ini";
  }();
  return path;
}

}  // namespace

// A settings file of any content, then a change of one key (whose name and
// value come from the input too): reading must not crash, and a change the
// file took must be read back by the next program to open it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using brenmark::desktop::SettingsFile;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  // The last line gives the key and value to write: "key=value".
  const std::size_t lastBreak = text.rfind('\n');
  const std::string_view change = lastBreak == std::string_view::npos ? text : text.substr(lastBreak + 1);
  const std::size_t equals = change.find('=');
  const std::string key(change.substr(0, equals));
  const std::string value(equals == std::string_view::npos ? std::string_view() : change.substr(equals + 1));

  const fs::path& path = SettingsPath();
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(text.data(), static_cast<std::streamsize>(text.size()));
  SettingsFile settings(path);
  const std::string before = settings.Read(key);
  settings.Write(key, value);
  const std::string kept = settings.Read(key);
  if (kept != value && kept != before) std::abort();
  if (SettingsFile(path).Read(key) != kept) std::abort();
  return 0;
}
