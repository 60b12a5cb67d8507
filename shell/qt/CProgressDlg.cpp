#include "shell/qt/CProgressDlg.h"

#include "ui_CProgressDlg.h"

namespace brenmark::gui {

CProgressDlg::CProgressDlg(QWidget* parent) : QDialog(parent), ui_(new Ui::CProgressDlg) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  ShowPosition();
}

CProgressDlg::~CProgressDlg() = default;

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

void CProgressDlg::ShowPosition() {
  // The bar widget ignores values outside its range, so the range goes first.
  ui_->progressBar->setRange(0, bar_.maximum());
  ui_->progressBar->setValue(bar_.position());
}

}  // namespace brenmark::gui
