#include "shell/qt/FileBrowser.h"

#include <QFileDialog>

namespace brenmark::gui {

std::optional<QString> DesktopFileBrowser::ChooseFolder(QWidget* parent, const QString& title,
                                                        const QString& startFolder) {
  const QString folder = QFileDialog::getExistingDirectory(parent, title, startFolder);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

std::optional<QString> DesktopFileBrowser::ChooseDiscImage(QWidget* parent) {
  const QString image = QFileDialog::getOpenFileName(parent, QStringLiteral("Insert a disc image"),
                                                     QString(),
                                                     QStringLiteral("Disc images (*.iso *.cue)"));
  if (image.isEmpty()) return std::nullopt;
  return image;
}

std::optional<QStringList> DesktopFileBrowser::ChooseFiles(QWidget* parent, const QString& filter,
                                                           const QString& startFolder) {
  const QStringList files = QFileDialog::getOpenFileNames(parent, QString(), startFolder, filter);
  if (files.isEmpty()) return std::nullopt;
  return files;
}

}  // namespace brenmark::gui
