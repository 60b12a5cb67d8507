#pragma once

#include <QDialog>

class QLabel;

namespace brenmark::gui {

// Shown after the user has left while jobs still run: says how many jobs
// Brenmark is finishing, and brings their progress windows back on request.
// It cannot be closed; it goes when the last job has ended.
class FinishingJobsDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit FinishingJobsDlg(QWidget* parent = nullptr);

  void SetRunningCount(int count);
  QString Text() const;

 signals:
  void ShowProgressRequested();

 public slots:
  void reject() override {}

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* text_;
};

}  // namespace brenmark::gui
