#include "shell/qt/CSpeedSelectDlg.h"

#include "ui_CSpeedSelectDlg.h"

namespace brenmark::gui {

CSpeedSelectDlg::CSpeedSelectDlg(const QStringList& speedLabels, QWidget* parent)
    : QDialog(parent), ui_(new Ui::CSpeedSelectDlg) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  ui_->speedCombo->addItems(speedLabels);
  ui_->speedCombo->setCurrentIndex(speedLabels.isEmpty() ? -1 : 0);
}

CSpeedSelectDlg::~CSpeedSelectDlg() = default;

int CSpeedSelectDlg::SelectedIndex() const { return ui_->speedCombo->currentIndex(); }

}  // namespace brenmark::gui
