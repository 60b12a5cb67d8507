#include "shell/qt/SourceFilesDlg.h"

#include <QAbstractButton>

#include <algorithm>
#include <QBoxLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>

#include "jobs/JobState.h"
#include "shell/desktop/SourceListEdit.h"
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
  note_ = new QLabel(this);
  note_->setObjectName(QStringLiteral("noteLabel"));
  note_->setWordWrap(true);
  note_->hide();
  if (auto* column = qobject_cast<QBoxLayout*>(layout())) {
    column->insertWidget(column->indexOf(list_) + 1, totals_);
    column->insertWidget(column->indexOf(totals_) + 1, note_);
  }
  AddEditButtons();
  connect(addFiles, &QAbstractButton::clicked, this, &SourceFilesDlg::AddFiles);
  ShowTotals();
}

void SourceFilesDlg::AddEditButtons() {
  auto* row = new QHBoxLayout;
  const auto button = [this, row](const QString& text, const QKeySequence& keys, auto action) {
    auto* pressed = new QPushButton(text, this);
    pressed->setAutoDefault(false);
    connect(pressed, &QPushButton::clicked, this, action);
    row->addWidget(pressed);
    auto* shortcut = new QShortcut(keys, list_);
    shortcut->setContext(Qt::WidgetShortcut);
    connect(shortcut, &QShortcut::activated, this, action);
  };
  button(QStringLiteral("Remove"), QKeySequence::Delete, [this] { RemoveSelected(); });
  button(QStringLiteral("Move Up"), QKeySequence(Qt::ALT | Qt::Key_Up), [this] { MoveSelected(-1); });
  button(QStringLiteral("Move Down"), QKeySequence(Qt::ALT | Qt::Key_Down), [this] { MoveSelected(1); });
  row->addStretch();
  if (auto* column = qobject_cast<QBoxLayout*>(layout())) column->insertLayout(column->indexOf(list_) + 1, row);
}

void SourceFilesDlg::RemoveSelected() {
  const int row = list_->indexOfTopLevelItem(list_->currentItem());
  if (row < 0) return;
  const int next = desktop::RemoveSourceFile(checked_, row);
  delete list_->takeTopLevelItem(row);
  if (next >= 0) list_->setCurrentItem(list_->topLevelItem(next));
  ShowTotals();
}

void SourceFilesDlg::MoveSelected(int step) {
  const int row = list_->indexOfTopLevelItem(list_->currentItem());
  const int moved = desktop::MoveSourceFile(checked_, row, step);
  if (moved < 0 || moved == row) return;
  QTreeWidgetItem* item = list_->takeTopLevelItem(row);
  list_->insertTopLevelItem(moved, item);
  list_->setCurrentItem(item);
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
  std::vector<std::string> paths;
  for (const QString& path : *chosen) paths.push_back(QFile::encodeName(path).toStdString());
  // A list takes so many files: the rest of a larger choice is left out, saying so.
  desktop::ChosenList listed = desktop::ListChosenFiles(kind_, paths, JobState::kMaxSourceFiles);
  note_->setVisible(!listed.note.empty());
  note_->setText(QString::fromStdString(listed.note));
  checked_ = std::move(listed.files);
  list_->clear();
  for (const desktop::CheckedFile& file : checked_) {
    const QString path = QFile::decodeName(QByteArray::fromStdString(file.path));
    const QString check = QString::fromStdString(desktop::CheckedFileText(kind_, file));
    auto* item = new QTreeWidgetItem({path, check});
    // The whole path and the whole reason, however narrow the columns.
    item->setToolTip(0, path);
    item->setToolTip(1, check);
    if (!file.problem.empty()) item->setForeground(1, palette().brush(QPalette::Disabled, QPalette::Text));
    list_->addTopLevelItem(item);
  }
  list_->resizeColumnToContents(1);
  list_->setColumnWidth(1, std::max(list_->columnWidth(1), kCheckColumnWidth));
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
