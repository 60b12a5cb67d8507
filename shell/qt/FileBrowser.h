#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace brenmark::gui {

// The folder and file choosers of the application. Tests script the answers.
class FileBrowser {
 public:
  virtual ~FileBrowser() = default;
  // A folder, or nothing when the user cancels; the dialog opens in
  // `startFolder` (the system's choice when empty).
  virtual std::optional<QString> ChooseFolder(QWidget* parent, const QString& title, const QString& startFolder) = 0;
  // A disc image (.iso or .cue) to load, or nothing when the user cancels.
  virtual std::optional<QString> ChooseDiscImage(QWidget* parent) = 0;
  // Several existing files matching `filter` (Qt's notation), in the order the
  // dialog returns them, or nothing when the user cancels; the dialog opens in
  // `startFolder`.
  virtual std::optional<QStringList> ChooseFiles(QWidget* parent, const QString& filter,
                                                 const QString& startFolder) = 0;
};

// The desktop's own folder and file dialogs.
class DesktopFileBrowser final : public FileBrowser {
 public:
  std::optional<QString> ChooseFolder(QWidget* parent, const QString& title, const QString& startFolder) override;
  std::optional<QString> ChooseDiscImage(QWidget* parent) override;
  std::optional<QStringList> ChooseFiles(QWidget* parent, const QString& filter, const QString& startFolder) override;
};

}  // namespace brenmark::gui
