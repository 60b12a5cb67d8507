#include "shell/qt/CTestGrabDlg.h"

#include "jobs/grab/GrabJob.h"
#include "ui_CTestGrabDlg.h"

namespace brenmark::gui {
namespace {

namespace setting = audio::grabsetting;

constexpr int kWavEntry = 0;

}  // namespace

CTestGrabDlg::CTestGrabDlg(const QStringList& trackLines, QWidget* parent)
    : QDialog(parent), ui_(new Ui::CTestGrabDlg) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  ui_->trackList->addItems(trackLines);
  for (const std::int32_t kbps : setting::kBitrates) {
    ui_->bitrateCombo->addItem(QStringLiteral("%1 kbit/s").arg(kbps));
  }
  ui_->bitrateCombo->setCurrentIndex(setting::kDefaults[setting::kBitrateIndex]);
  ui_->formatCombo->setCurrentIndex(kWavEntry);
  ShowBitrateFor(kWavEntry);
  connect(ui_->formatCombo, &QComboBox::currentIndexChanged, this, &CTestGrabDlg::ShowBitrateFor);
}

CTestGrabDlg::~CTestGrabDlg() = default;

std::array<std::uint8_t, JobState::kTrackSlots> CTestGrabDlg::SelectedTracks() const {
  std::array<std::uint8_t, JobState::kTrackSlots> selected{};
  for (const QModelIndex& index : ui_->trackList->selectionModel()->selectedRows()) {
    if (index.row() < static_cast<int>(selected.size())) selected[static_cast<std::size_t>(index.row())] = 1;
  }
  return selected;
}

std::array<std::int32_t, JobState::kGrabSettingCount> CTestGrabDlg::Settings() const {
  std::array<std::int32_t, JobState::kGrabSettingCount> settings = setting::kDefaults;
  settings[setting::kOutputFormat] =
      ui_->formatCombo->currentIndex() == kWavEntry ? setting::kFormatWav : setting::kFormatMp3;
  settings[setting::kBitrateIndex] = ui_->bitrateCombo->currentIndex();
  return settings;
}

void CTestGrabDlg::ShowBitrateFor(int formatIndex) { ui_->bitrateCombo->setEnabled(formatIndex != kWavEntry); }

}  // namespace brenmark::gui
