#include "shell/qt/FinishingJobsDlg.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/qt/MessagePresenter.h"

namespace brenmark::gui {

FinishingJobsDlg::FinishingJobsDlg(QWidget* parent) : QDialog(parent), text_(new QLabel(this)) {
  setWindowTitle(kApplicationName);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  text_->setMinimumWidth(280);
  auto* busy = new QProgressBar(this);
  busy->setRange(0, 0);
  busy->setTextVisible(false);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* show = buttons->addButton(QStringLiteral("Show &Progress"), QDialogButtonBox::ActionRole);
  show->setAutoDefault(false);
  connect(show, &QPushButton::clicked, this, &FinishingJobsDlg::ShowProgressRequested);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addWidget(busy);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  SetRunningCount(0);
}

void FinishingJobsDlg::SetRunningCount(int count) {
  text_->setText(count == 1 ? QStringLiteral("Brenmark is finishing 1 job.\nIt quits when the job has ended.")
                            : QStringLiteral("Brenmark is finishing %1 jobs.\nIt quits when they have ended.")
                                  .arg(count));
}

QString FinishingJobsDlg::Text() const { return text_->text(); }

void FinishingJobsDlg::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace brenmark::gui
