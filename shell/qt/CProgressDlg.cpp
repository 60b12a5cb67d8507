#include "shell/qt/CProgressDlg.h"

#include <QLayout>

#include "ui_CProgressDlg.h"

namespace brenmark::gui {

namespace {

// The window keeps one width whatever its texts say; long lines wrap.
constexpr int kBarWidth = 360;

}  // namespace

CProgressDlg::CProgressDlg(QWidget* parent) : QDialog(parent), ui_(new Ui::CProgressDlg) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  ui_->progressBar->setMinimumWidth(kBarWidth);
  ui_->outcomeLine->setMinimumWidth(kBarWidth);
  ui_->outcomeLine->hide();
  ui_->noticeLines->setMinimumWidth(kBarWidth);
  ui_->noticeLines->hide();
  ui_->showImageButton->hide();
  connect(ui_->showImageButton, &QPushButton::clicked, this,
          [this] { emit FolderRequested(folder_); });
  connect(ui_->stopButton, &QPushButton::clicked, this, &CProgressDlg::StopRequested);
  ShowPosition();
}

CProgressDlg::~CProgressDlg() = default;

void CProgressDlg::NameJob(const QString& job) { setWindowTitle(QStringLiteral("Current Progress - %1").arg(job)); }

void CProgressDlg::SetStatus(const QString& text) { ui_->statusLine->setText(text); }

QString CProgressDlg::Status() const { return ui_->statusLine->text(); }

void CProgressDlg::SetRange(std::int32_t maximum) {
  bar_.SetRange(maximum);
  ShowPosition();
}

void CProgressDlg::SetPos(std::int32_t position) {
  bar_.SetPos(position);
  ShowPosition();
}

void CProgressDlg::StepIt() {
  bar_.StepIt();
  ShowPosition();
}

void CProgressDlg::EnableClose(bool enabled) { ui_->closeButton->setEnabled(enabled); }

bool CProgressDlg::IsCloseEnabled() const { return ui_->closeButton->isEnabled(); }

void CProgressDlg::SetNotices(const QString& text) {
  ui_->noticeLines->setText(text);
  ui_->noticeLines->setVisible(!text.isEmpty());
}

QString CProgressDlg::Notices() const { return ui_->noticeLines->isHidden() ? QString() : ui_->noticeLines->text(); }

void CProgressDlg::ShowEnding(const QString& line, const QString& folder) {
  folder_ = folder;
  ui_->stopButton->hide();
  ui_->outcomeLine->setText(line);
  ui_->outcomeLine->show();
  ui_->showImageButton->setVisible(!folder.isEmpty());
}

bool CProgressDlg::IsStopOffered() const { return !ui_->stopButton->isHidden(); }

QString CProgressDlg::Outcome() const { return ui_->outcomeLine->isHidden() ? QString() : ui_->outcomeLine->text(); }

void CProgressDlg::ShowPosition() {
  // The bar widget ignores values outside its range, so the range goes first.
  ui_->progressBar->setRange(0, bar_.maximum());
  ui_->progressBar->setValue(bar_.position());
}

}  // namespace brenmark::gui
