#include "shell/qt/DesktopOpener.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

#include "drive/UserPrompt.h"

namespace brenmark::gui {

bool OpenOnDesktop(const QString& path, UserPrompt& prompt) {
  if (QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return true;
  prompt.ShowMessage(QStringLiteral("Brenmark could not open %1:\nno program to show it was found.")
                         .arg(QDir::toNativeSeparators(path))
                         .toStdString(),
                     MessageIcon::Warning);
  return false;
}

}  // namespace brenmark::gui
