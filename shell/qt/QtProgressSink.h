#pragma once

#include <QPointer>

#include "shell/ProgressSink.h"
#include "shell/qt/CProgressDlg.h"

namespace brenmark::gui {

// Carries a job's progress calls to its own progress window. Each call is applied
// on the user-interface thread before it returns; a hidden window still takes
// them. Once the window is gone (the application is closing) calls do nothing.
class QtProgressSink final : public ProgressSink {
 public:
  explicit QtProgressSink(CProgressDlg* window) : window_(window) {}

  void SetStatus(const std::string& text) override;
  void SetRange(std::int32_t maximum) override;
  void SetRange16(std::uint16_t maximum) override;
  void SetPos(std::int32_t position) override;
  std::int32_t GetPos() override;
  void SetStep(std::int32_t step) override;
  void StepIt() override;
  void EnableClose(bool enabled) override;

 private:
  template <typename Work>
  auto Apply(Work&& work);

  QPointer<CProgressDlg> window_;
};

}  // namespace brenmark::gui
