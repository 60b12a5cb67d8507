#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class QAbstractButton;
class QTreeWidget;

namespace brenmark::gui {

class FileBrowser;

// What the audio and the video file list dialogs share; each lays out its own
// form and hands its list view (1011) and "Add Files..." button (1002) to
// Attach. "Add Files..." replaces the list with the chosen files, inserting
// each at the top, so the list shows them in the reverse of the order the file
// dialog returned them. OK stores the list, top item first, as the job's
// sources; Cancel leaves them as they were.
class SourceFilesDlg : public QDialog {
  Q_OBJECT

 public:
  // The paths of the list from the top.
  QStringList Files() const;

  void accept() override;

 protected:
  // `filter` is the file dialog's filter in Qt's notation; OK writes `sourceFiles`.
  SourceFilesDlg(FileBrowser& files, QString filter, std::vector<std::string>& sourceFiles,
                 QWidget* parent);

  void Attach(QTreeWidget* list, QAbstractButton* addFiles);

 private slots:
  void AddFiles();

 private:
  FileBrowser& files_;
  const QString filter_;
  std::vector<std::string>& sourceFiles_;
  QTreeWidget* list_ = nullptr;
};

}  // namespace brenmark::gui
