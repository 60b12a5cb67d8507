#include "shell/qt/SourceFilesDlg.h"

#include <QAbstractButton>
#include <QFile>
#include <QHeaderView>
#include <QTreeWidget>

#include "jobs/JobState.h"
#include "shell/qt/FileBrowser.h"

namespace brenmark::gui {

namespace {

constexpr int kFilenameColumnWidth = 400;

}  // namespace

SourceFilesDlg::SourceFilesDlg(FileBrowser& files, QString filter,
                               std::vector<std::string>& sourceFiles, QWidget* parent)
    : QDialog(parent), files_(files), filter_(std::move(filter)), sourceFiles_(sourceFiles) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void SourceFilesDlg::Attach(QTreeWidget* list, QAbstractButton* addFiles) {
  list_ = list;
  list_->setColumnCount(1);
  list_->setHeaderLabels({QStringLiteral("Filename")});
  list_->headerItem()->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
  list_->header()->setStretchLastSection(false);
  list_->setColumnWidth(0, kFilenameColumnWidth);
  list_->setRootIsDecorated(false);
  list_->setSortingEnabled(false);
  connect(addFiles, &QAbstractButton::clicked, this, &SourceFilesDlg::AddFiles);
}

QStringList SourceFilesDlg::Files() const {
  QStringList paths;
  for (int row = 0; row < list_->topLevelItemCount(); ++row) paths << list_->topLevelItem(row)->text(0);
  return paths;
}

void SourceFilesDlg::AddFiles() {
  const auto chosen = files_.ChooseFiles(this, filter_);
  if (!chosen) return;
  list_->clear();
  for (const QString& path : *chosen) list_->insertTopLevelItem(0, new QTreeWidgetItem({path}));
}

void SourceFilesDlg::accept() {
  const QStringList paths = Files();
  sourceFiles_.clear();
  for (qsizetype i = 0; i < paths.size() && i < static_cast<qsizetype>(JobState::kMaxSourceFiles); ++i) {
    sourceFiles_.push_back(QFile::encodeName(paths[i]).toStdString());
  }
  QDialog::accept();
}

}  // namespace brenmark::gui
