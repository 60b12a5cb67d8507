#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

#include "shell/ProgressBarState.h"

namespace Ui {
class CProgressDlg;
}

namespace brenmark::gui {

// The modeless progress window of one job: a status line, a progress bar and
// Close. Close and the close box only hide it; it lives as long as the main
// window, so its job can always write to it.
class CProgressDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CProgressDlg(QWidget* parent = nullptr);
  ~CProgressDlg() override;

  void SetStatus(const QString& text);
  QString Status() const;
  void SetRange(std::int32_t maximum);
  void SetPos(std::int32_t position);
  std::int32_t GetPos() const { return bar_.position(); }
  void SetStep(std::int32_t step) { bar_.SetStep(step); }
  void StepIt();
  void EnableClose(bool enabled);
  bool IsCloseEnabled() const;

 private:
  void ShowPosition();

  std::unique_ptr<Ui::CProgressDlg> ui_;
  ProgressBarState bar_;
};

}  // namespace brenmark::gui
