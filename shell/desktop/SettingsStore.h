#pragma once

#include <map>
#include <string>

namespace brenmark::desktop {

// Where the desktop programs keep what they remember between runs: the chosen
// drive, the last folder of each folder field and of each file dialog, the
// speed chosen last and the grab's format and bit rate. Keys
// and values are UTF-8 text; each front end keeps them its own way.
class SettingsStore {
 public:
  static constexpr const char* kDrive = "drive";
  static constexpr const char* kFolderToBurn = "folderToBurn";
  static constexpr const char* kOutputFolder = "outputFolder";
  static constexpr const char* kAudioFilesFolder = "audioFilesFolder";
  static constexpr const char* kVideoFilesFolder = "videoFilesFolder";
  static constexpr const char* kSpeed = "speed";
  static constexpr const char* kGrabFormat = "grabFormat";    // "wav" or "mp3"
  static constexpr const char* kGrabBitrate = "grabBitrate";  // kbit/s

  virtual ~SettingsStore() = default;
  // The remembered value of `key`; empty when nothing usable is remembered.
  virtual std::string Read(const std::string& key) = 0;
  virtual void Write(const std::string& key, const std::string& value) = 0;
};

// Remembers for the run only: for a program told to keep nothing between runs
// (screenshots, tests).
class RunSettings final : public SettingsStore {
 public:
  std::string Read(const std::string& key) override {
    const auto found = values_.find(key);
    return found == values_.end() ? std::string() : found->second;
  }
  void Write(const std::string& key, const std::string& value) override { values_[key] = value; }

 private:
  std::map<std::string, std::string> values_;
};

}  // namespace brenmark::desktop
