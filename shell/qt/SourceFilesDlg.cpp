#include "shell/qt/SourceFilesDlg.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

#include "jobs/JobState.h"
#include "shell/qt/FileBrowser.h"

namespace brenmark::gui {

namespace {

// Both columns show within the dialog's width.
constexpr int kFilenameColumnWidth = 250;
constexpr int kCheckColumnWidth = 150;

}  // namespace

SourceFilesDlg::SourceFilesDlg(FileBrowser& files, QString filter, desktop::JobKind kind,
                               std::vector<std::string>& sourceFiles, std::string& dialogFolder, QWidget* parent)
    : QDialog(parent),
      files_(files),
      filter_(std::move(filter)),
      kind_(kind),
      sourceFiles_(sourceFiles),
      dialogFolder_(dialogFolder) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void SourceFilesDlg::Attach(QTreeWidget* list, QAbstractButton* addFiles, QAbstractButton* ok) {
  list_ = list;
  ok_ = ok;
  list_->setColumnCount(2);
  list_->setHeaderLabels({QStringLiteral("Filename"), QStringLiteral("Length or problem")});
  list_->headerItem()->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
  list_->header()->setStretchLastSection(false);
  list_->setColumnWidth(0, kFilenameColumnWidth);
  list_->setColumnWidth(1, kCheckColumnWidth);
  list_->setRootIsDecorated(false);
  list_->setSortingEnabled(false);
  list_->setAccessibleName(QStringLiteral("Files"));
  totals_ = new QLabel(this);
  totals_->setObjectName(QStringLiteral("totalsLabel"));
  if (auto* column = qobject_cast<QBoxLayout*>(layout())) column->insertWidget(column->indexOf(list_) + 1, totals_);
  connect(addFiles, &QAbstractButton::clicked, this, &SourceFilesDlg::AddFiles);
  ShowTotals();
}

QStringList SourceFilesDlg::Files() const {
  QStringList paths;
  for (int row = 0; row < list_->topLevelItemCount(); ++row) paths << list_->topLevelItem(row)->text(0);
  return paths;
}

void SourceFilesDlg::AddFiles() {
  const auto chosen = files_.ChooseFiles(this, filter_, QString::fromStdString(dialogFolder_));
  if (!chosen) return;
  if (!chosen->isEmpty()) {
    dialogFolder_ = QDir::toNativeSeparators(QFileInfo(chosen->front()).absolutePath()).toStdString();
  }
  list_->clear();
  checked_.clear();
  for (const QString& path : *chosen) {
    desktop::CheckedFile file = desktop::CheckSourceFile(kind_, QFile::encodeName(path).toStdString());
    auto* item = new QTreeWidgetItem({path, QString::fromStdString(desktop::CheckedFileText(kind_, file))});
    if (!file.problem.empty()) item->setForeground(1, palette().brush(QPalette::Disabled, QPalette::Text));
    list_->insertTopLevelItem(0, item);
    checked_.insert(checked_.begin(), std::move(file));
  }
  ShowTotals();
}

void SourceFilesDlg::ShowTotals() {
  totals_->setText(QString::fromStdString(desktop::SourceListTotals(kind_, checked_)));
  ok_->setEnabled(desktop::SourceListAcceptable(checked_));
}

void SourceFilesDlg::accept() {
  if (!desktop::SourceListAcceptable(checked_)) return;
  const QStringList paths = Files();
  sourceFiles_.clear();
  for (qsizetype i = 0; i < paths.size() && i < static_cast<qsizetype>(JobState::kMaxSourceFiles); ++i) {
    sourceFiles_.push_back(QFile::encodeName(paths[i]).toStdString());
  }
  QDialog::accept();
}

}  // namespace brenmark::gui
