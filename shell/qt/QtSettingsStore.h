#pragma once

#include <QSettings>

#include <string>

#include "shell/desktop/SettingsStore.h"

namespace brenmark::gui {

// The remembered settings in the user's Qt settings: "brenmark/brenmark.conf"
// in the desktop's configuration folder ($XDG_CONFIG_HOME, else ~/.config).
class QtSettingsStore final : public desktop::SettingsStore {
 public:
  QtSettingsStore();

  std::string Read(const std::string& key) override;
  // Written through at once, so that a program that does not end normally
  // keeps it too.
  void Write(const std::string& key, const std::string& value) override;

 private:
  QSettings settings_;
};

}  // namespace brenmark::gui
