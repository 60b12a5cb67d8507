#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class CSpeedSelectDlg;
}

namespace brenmark::gui {

// The modal speed dialog: one entry per speed, the fastest first and selected,
// for a data disc the check box "Leave disc open for more sessions" (off), and
// for every burn "Verify written data" (off).
// "Burn" accepts and "Cancel" rejects; what a choice means is the caller's.
class CSpeedSelectDlg final : public QDialog {
  Q_OBJECT

 public:
  CSpeedSelectDlg(const QStringList& speedLabels, bool offerLeaveDiscOpen = false, QWidget* parent = nullptr);
  ~CSpeedSelectDlg() override;

  // A line above the speeds naming what is burned.
  void ShowBurning(const QString& burning);
  // Chooses line `index` where the list holds it.
  void SelectSpeed(int index);

  // The chosen entry, -1 when the list is empty.
  int SelectedIndex() const;
  bool LeaveDiscOpen() const;
  bool Verify() const;

 private:
  std::unique_ptr<Ui::CSpeedSelectDlg> ui_;
};

}  // namespace brenmark::gui
