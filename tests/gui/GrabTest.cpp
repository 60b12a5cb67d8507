// The grab "Run Test" of the main window: the output folder check, the track
// dialog read from the disc in the virtual recorder, and the grab job.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "audio/GrabJob.h"
#include "shell/qt/CProgressDlg.h"
#include "shell/qt/CTestGrabDlg.h"
#include "shell/VirtualTrays.h"
#include "tests/gui/GuiHarness.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::gui::test {

namespace {

void InsertImage(GuiHarness& gui, const QString& cue) {
  DriveRegistry& registry = gui.session->registry();
  auto* recorder = gui.session->trays().RecorderFor(registry.drive(registry.currentDrive));
  QVERIFY(recorder);
  QVERIFY(recorder->InsertImage(cue.toStdString()).ok);
}

// Clicks the lines of the list as a user would; each click toggles one.
void ClickLines(QListWidget& list, std::initializer_list<int> rows) {
  for (int row : rows) {
    const QRect place = list.visualItemRect(list.item(row));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, place.center());
  }
}

}  // namespace

class GrabTest : public QObject {
  Q_OBJECT

 private slots:
  void grabWithoutOutputFolderAsksForOneAndOpensNoDialog() {
    GuiHarness gui;
    bool dialogShown = false;
    ModalHandler<CTestGrabDlg> never([&](CTestGrabDlg& dialog) {
      dialogShown = true;
      dialog.reject();
    });
    Click(gui.window(), 1007);
    QCOMPARE(gui.presenter.texts(), std::vector<QString>{QStringLiteral("Please select output folder to store files.")});
    QCOMPARE(gui.presenter.shown[0].icon, MessageIcon::Plain);
    QVERIFY(!dialogShown);
  }

  void trackDialogListsTheDiscAndGrabsTheTogglesSelection() {
    GuiHarness gui;
    InsertImage(gui, QStringLiteral(BRENMARK_TESTDATA_DIR "/cue/cdda.cue"));
    QTemporaryDir out;
    Control<QLineEdit>(gui.window(), 1012)->setText(out.path());

    ModalHandler<CTestGrabDlg> choose([](CTestGrabDlg& dialog) {
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Oakhollow - Audio Grabbing Test"));
      QVERIFY(dialog.findChild<QLabel*>()->text() == QStringLiteral("Select tracks to grab:"));
      auto* list = Control<QListWidget>(dialog, 1011);
      QVERIFY(list);
      QCOMPARE(list->count(), 1);
      QCOMPARE(list->item(0)->text(), QStringLiteral("Track 01 - 00:04 -- Size: 0.68 Mb"));
      QVERIFY(Control<QPushButton>(dialog, 1)->isDefault());
      ClickLines(*list, {0, 0});
      QVERIFY(dialog.SelectedTracks()[0] == 0);
      ClickLines(*list, {0});
      QVERIFY(dialog.SelectedTracks()[0] == 1);
      QVERIFY(dialog.Settings() == audio::grabsetting::kDefaults);
      Click(dialog, 1);
    });
    Click(gui.window(), 1007);
    QVERIFY(choose.handled());
    const auto& windows = gui.window().progressWindows();
    QCOMPARE(windows.size(), std::size_t{1});
    QTRY_COMPARE_WITH_TIMEOUT(windows.back()->Status(), QStringLiteral("1 Tracks Grabbed"), 30000);
    QTRY_VERIFY(!gui.window().IsJobRunning());
    QVERIFY(QFile::exists(QDir(out.path()).filePath(QStringLiteral("track01.wav"))));
    QVERIFY(gui.presenter.shown.empty());
  }

  void mp3AndItsBitrateAreChosenInTheDialogAndCancelStartsNothing() {
    GuiHarness gui;
    Control<QLineEdit>(gui.window(), 1012)->setText(QStringLiteral("/tmp"));
    gui.session->jobState().trackSelected[4] = 1;
    ModalHandler<CTestGrabDlg> choose([](CTestGrabDlg& dialog) {
      // A blank disc has no tracks to list.
      QCOMPARE(Control<QListWidget>(dialog, 1011)->count(), 0);
      auto* format = dialog.findChild<QComboBox*>(QStringLiteral("formatCombo"));
      auto* bitrate = dialog.findChild<QComboBox*>(QStringLiteral("bitrateCombo"));
      QCOMPARE(format->currentText(), QStringLiteral("WAV"));
      QVERIFY(!bitrate->isEnabled());
      format->setCurrentIndex(1);
      QVERIFY(bitrate->isEnabled());
      QCOMPARE(bitrate->currentText(), QStringLiteral("128 kbit/s"));
      bitrate->setCurrentIndex(bitrate->findText(QStringLiteral("192 kbit/s")));
      const auto settings = dialog.Settings();
      QCOMPARE(settings[audio::grabsetting::kOutputFormat], audio::grabsetting::kFormatMp3);
      QCOMPARE(audio::grabsetting::kBitrates[settings[audio::grabsetting::kBitrateIndex]], 192);
      Click(dialog, 2);
    });
    Click(gui.window(), 1007);
    QVERIFY(choose.handled());
    QVERIFY(gui.window().progressWindows().empty());
    QCOMPARE(gui.session->jobState().trackSelected[4], std::uint8_t{1});
  }
};

}  // namespace brenmark::gui::test

QTEST_MAIN(brenmark::gui::test::GrabTest)
#include "GrabTest.moc"
