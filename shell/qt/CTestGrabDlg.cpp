#include "shell/qt/CTestGrabDlg.h"

#include "jobs/grab/GrabJob.h"
#include "ui_CTestGrabDlg.h"

namespace brenmark::gui {
namespace {

constexpr int kWavEntry = 0;
constexpr int kMp3Entry = 1;

}  // namespace

CTestGrabDlg::CTestGrabDlg(const QStringList& trackLines, QWidget* parent)
    : QDialog(parent), ui_(new Ui::CTestGrabDlg) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  ui_->trackList->addItems(trackLines);
  // Every track is grabbed unless the user says otherwise; Grab waits for at least one.
  ui_->trackList->selectAll();
  connect(ui_->trackList, &QListWidget::itemSelectionChanged, this,
          [this] { ui_->grabButton->setEnabled(!ui_->trackList->selectedItems().isEmpty()); });
  ui_->grabButton->setEnabled(!trackLines.isEmpty());
  for (const std::int32_t kbps : audio::kMp3Bitrates) {
    ui_->bitrateCombo->addItem(QStringLiteral("%1 kbit/s").arg(kbps));
  }
  ui_->bitrateCombo->setCurrentIndex(audio::Mp3BitrateEntry(audio::GrabSettings{}.bitrateKbps));
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

void CTestGrabDlg::ShowSettings(const audio::GrabSettings& settings) {
  ui_->formatCombo->setCurrentIndex(settings.format == audio::GrabFormat::Mp3 ? kMp3Entry : kWavEntry);
  ui_->bitrateCombo->setCurrentIndex(audio::Mp3BitrateEntry(settings.bitrateKbps));
}

audio::GrabSettings CTestGrabDlg::Settings() const {
  return audio::DialogGrabSettings(ui_->formatCombo->currentIndex() != kWavEntry, ui_->bitrateCombo->currentIndex());
}

void CTestGrabDlg::ShowBitrateFor(int formatIndex) { ui_->bitrateCombo->setEnabled(formatIndex != kWavEntry); }

}  // namespace brenmark::gui
