#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

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
  // The bar behaves as the classic progress control: range 0..100, step 10 at
  // first, positions kept inside the range, StepIt starting over past the end.
  void SetRange(std::int32_t maximum);
  void SetPos(std::int32_t position);
  std::int32_t GetPos() const { return position_; }
  void SetStep(std::int32_t step) { step_ = step; }
  void StepIt();
  void EnableClose(bool enabled);
  bool IsCloseEnabled() const;
  std::int32_t Maximum() const { return maximum_; }

 private:
  void ShowPosition();

  std::unique_ptr<Ui::CProgressDlg> ui_;
  std::int32_t maximum_ = 100;
  std::int32_t position_ = 0;
  std::int32_t step_ = 10;
};

}  // namespace brenmark::gui
