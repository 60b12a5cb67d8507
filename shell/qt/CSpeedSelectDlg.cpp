#include "shell/qt/CSpeedSelectDlg.h"

#include <QBoxLayout>
#include <QFontMetrics>
#include <QLabel>

#include "ui_CSpeedSelectDlg.h"

namespace brenmark::gui {

namespace {

// Room beside the title in a title bar: the window icon and the close box,
// with the window manager's margins.
constexpr int kTitleBarExtras = 140;

}  // namespace

CSpeedSelectDlg::CSpeedSelectDlg(const QStringList& speedLabels, bool offerLeaveDiscOpen, QWidget* parent)
    : QDialog(parent), ui_(new Ui::CSpeedSelectDlg) {
  ui_->setupUi(this);
  ui_->leaveOpenCheck->setVisible(offerLeaveDiscOpen);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  ui_->speedCombo->addItems(speedLabels);
  ui_->speedCombo->setCurrentIndex(speedLabels.isEmpty() ? -1 : 0);
  // Title bars often use a bold font: wide enough for the whole title in it.
  QFont titleFont = font();
  titleFont.setBold(true);
  ui_->speedGroup->setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + kTitleBarExtras);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

CSpeedSelectDlg::~CSpeedSelectDlg() = default;

void CSpeedSelectDlg::SelectSpeed(int index) {
  if (index >= 0 && index < ui_->speedCombo->count()) ui_->speedCombo->setCurrentIndex(index);
}

void CSpeedSelectDlg::ShowBurning(const QString& burning) {
  auto* line = new QLabel(burning, this);
  line->setObjectName(QStringLiteral("burningLabel"));
  // A long path wraps anywhere rather than widening the dialog off the screen.
  line->setWordWrap(true);
  line->setMaximumWidth(ui_->speedGroup->minimumWidth() * 2);
  line->setTextInteractionFlags(Qt::TextSelectableByMouse);
  static_cast<QBoxLayout*>(layout())->insertWidget(0, line);
}

int CSpeedSelectDlg::SelectedIndex() const { return ui_->speedCombo->currentIndex(); }

bool CSpeedSelectDlg::Verify() const { return ui_->verifyCheck->isChecked(); }

bool CSpeedSelectDlg::LeaveDiscOpen() const { return !ui_->leaveOpenCheck->isHidden() && ui_->leaveOpenCheck->isChecked(); }

}  // namespace brenmark::gui
