#include "shell/qt/CAboutDlg.h"

#include <QLayout>

#include "shell/qt/AppIcon.h"
#include "ui_CAboutDlg.h"

namespace brenmark::gui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), ui_(new Ui::CAboutDlg) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  ui_->iconLabel->setPixmap(AppIcon().pixmap(48, 48));
}

CAboutDlg::~CAboutDlg() = default;

}  // namespace brenmark::gui
