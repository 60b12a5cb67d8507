#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

#include "shell/desktop/SourceFileCheck.h"

class QAbstractButton;
class QLabel;
class QTreeWidget;

namespace brenmark::gui {

class FileBrowser;

// What the audio and the video file list dialogs share; each lays out its own
// form and hands its list view (1011), "Add Files..." (1002) and OK buttons to
// Attach. "Add Files..." replaces the list with the chosen files, inserting
// each at the top, so the list shows them in the reverse of the order the file
// dialog returned them. Each file is checked as it is added: the list shows
// its length or size, or why it cannot be burned, and the line below it the
// totals against an 80-minute CD; the user corrects the order with Remove,
// Move Up and Move Down. OK, enabled only for a list with files and
// none refused, stores the list, top item first, as the job's sources; Cancel
// leaves them as they were.
class SourceFilesDlg : public QDialog {
  Q_OBJECT

 public:
  // The paths of the list from the top.
  QStringList Files() const;

  void accept() override;

 protected:
  // `filter` is the file dialog's filter in Qt's notation; `kind` (AudioCd or
  // VideoCd) says how files are checked; OK writes `sourceFiles`. The file
  // dialog opens in `dialogFolder`, which becomes the folder of the files
  // chosen last.
  SourceFilesDlg(FileBrowser& files, QString filter, desktop::JobKind kind, std::vector<std::string>& sourceFiles,
                 std::string& dialogFolder, QWidget* parent);

  void Attach(QTreeWidget* list, QAbstractButton* addFiles, QAbstractButton* ok);

 private slots:
  void AddFiles();
  // Remove (Delete), Move Up (Alt+Up) and Move Down (Alt+Down) on the selected file.
  void RemoveSelected();
  void MoveSelected(int step);

 private:
  void ShowTotals();
  void AddEditButtons();

  FileBrowser& files_;
  const QString filter_;
  const desktop::JobKind kind_;
  std::vector<std::string>& sourceFiles_;
  std::string& dialogFolder_;
  QTreeWidget* list_ = nullptr;
  QAbstractButton* ok_ = nullptr;
  QLabel* totals_ = nullptr;
  // Says that a choice of more files than a list takes was cut short.
  QLabel* note_ = nullptr;
  // The checks of the list's files, top item first.
  std::vector<desktop::CheckedFile> checked_;
};

}  // namespace brenmark::gui
