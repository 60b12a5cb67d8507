#include "shell/qt/QtSettingsStore.h"

namespace brenmark::gui {

QtSettingsStore::QtSettingsStore()
    : settings_(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("brenmark"), QStringLiteral("brenmark")) {}

std::string QtSettingsStore::Read(const std::string& key) {
  // A value of another type (from a damaged or foreign file) reads as nothing.
  const QVariant value = settings_.value(QString::fromStdString(key));
  return value.typeId() == QMetaType::QString ? value.toString().toStdString() : std::string();
}

void QtSettingsStore::Write(const std::string& key, const std::string& value) {
  settings_.setValue(QString::fromStdString(key), QString::fromStdString(value));
  settings_.sync();
}

}  // namespace brenmark::gui
