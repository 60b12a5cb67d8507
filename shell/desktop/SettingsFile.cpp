#include "shell/desktop/SettingsFile.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/File.h"
#include "platform/PrivateFolder.h"
#include "platform/TextFile.h"

namespace brenmark::desktop {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSection = "[Brenmark]";
// Far more than the few paths it holds; anything larger is not ours.
constexpr std::uint64_t kMostBytes = 64 * 1024;

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// The settings a file's text holds; nothing when it is not such a file.
std::optional<std::map<std::string, std::string>> ParseSettingsText(std::string_view text) {
  std::map<std::string, std::string> values;
  bool inSection = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    // The file may have been saved by a Windows editor.
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!inSection) {
      if (line != kSection) return std::nullopt;
      inSection = true;
      continue;
    }
    if (line.empty()) continue;
    const std::size_t equals = line.find('=');
    if (equals == 0 || equals == std::string_view::npos || HasControlCharacter(line)) return std::nullopt;
    values.emplace(std::string(line.substr(0, equals)), std::string(line.substr(equals + 1)));
  }
  if (!inSection) return std::nullopt;
  return values;
}

std::string SettingsText(const std::map<std::string, std::string>& values) {
  std::string text(kSection);
  text += '\n';
  for (const auto& [key, value] : values) text += key + "=" + value + "\n";
  return text;
}

}  // namespace

SettingsFile::SettingsFile(fs::path path) : path_(std::move(path)) {
  // A link at its name is not followed.
  if (platform::LookAtEntry(path_) != platform::EntryAtPath::RegularFile) return;
  if (const auto text = platform::ReadTextFile(path_, kMostBytes)) {
    if (auto values = ParseSettingsText(*text)) values_ = std::move(*values);
  }
}

std::string SettingsFile::Read(const std::string& key) {
  const auto found = values_.find(key);
  return found == values_.end() ? std::string() : found->second;
}

void SettingsFile::Write(const std::string& key, const std::string& value) {
  // A key the file could not give back would make it ignored, and with it every other setting.
  if (HasControlCharacter(value) || key.empty() || HasControlCharacter(key) || key.find('=') != std::string::npos) {
    return;
  }
  if (const auto found = values_.find(key); found != values_.end() && found->second == value) return;
  values_[key] = value;
  std::string error;
  if (platform::CreatePrivateFolders(path_.parent_path(), error)) {
    platform::WriteTextFileAtomically(path_, SettingsText(values_), error);
  }
}

}  // namespace brenmark::desktop
