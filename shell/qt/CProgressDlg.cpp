#include "shell/qt/CProgressDlg.h"

#include <algorithm>

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
  maximum_ = std::max(maximum, 0);
  position_ = std::clamp(position_, 0, maximum_);
  ShowPosition();
}

void CProgressDlg::SetPos(std::int32_t position) {
  position_ = std::clamp(position, 0, maximum_);
  ShowPosition();
}

void CProgressDlg::StepIt() {
  const std::int64_t next = std::int64_t{position_} + step_;
  if (next > maximum_ && maximum_ > 0) {
    position_ = static_cast<std::int32_t>((next - maximum_) % maximum_);
  } else {
    position_ = static_cast<std::int32_t>(std::clamp<std::int64_t>(next, 0, maximum_));
  }
  ShowPosition();
}

void CProgressDlg::EnableClose(bool enabled) { ui_->closeButton->setEnabled(enabled); }

bool CProgressDlg::IsCloseEnabled() const { return ui_->closeButton->isEnabled(); }

void CProgressDlg::ShowPosition() {
  ui_->progressBar->setRange(0, maximum_);
  ui_->progressBar->setValue(position_);
}

}  // namespace brenmark::gui
