// The main window's Run Tests: the source file list dialogs of the audio and
// video tests, alone and as the tests open them; the grab test's track dialog
// read from the disc in the virtual recorder, and the grab job.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QTest>

#include "jobs/grab/GrabJob.h"
#include "shell/qt/CAddAudioFilesDlg.h"
#include "shell/qt/CAddVideoFilesDlg.h"
#include "shell/qt/CProgressDlg.h"
#include "shell/qt/CSpeedSelectDlg.h"
#include "shell/qt/CTestGrabDlg.h"
#include "shell/VirtualTrays.h"
#include "tests/audio/WavBytes.h"
#include "tests/gui/GuiHarness.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::gui::test {

namespace {

const QString kWavFilter = QStringLiteral("WAV Files (16 bit, Stereo, 44.1kHz)(*.wav)");

// Chooses `source` in the list dialog the Run Test button `button` opens,
// takes the offered speed, and waits for the job's last status.
template <typename ListDialog>
void RunTest(GuiHarness& gui, int button, const QString& source, const QString& doneStatus) {
  gui.files.fileAnswers = {QStringList{source}};
  ModalHandler<ListDialog> list([](ListDialog& dialog) {
    Click(dialog, 1002);
    Click(dialog, 1);
  });
  ModalHandler<CSpeedSelectDlg> speed([](CSpeedSelectDlg& dialog) { Click(dialog, 1); });
  Click(gui.window(), button);
  QVERIFY(list.handled() && speed.handled());
  QCOMPARE(gui.window().progressWindows().size(), std::size_t{1});
  CProgressDlg* progress = gui.window().progressWindows().back().data();
  QTRY_COMPARE_WITH_TIMEOUT(progress->Status(), doneStatus, 60000);
  QTRY_VERIFY(!gui.window().IsJobRunning());
  QVERIFY(gui.presenter.shown.empty());
}

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

class RunTestDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  // The list shows what the file dialog chose in reverse, each file checked:
  // OK stays disabled while the list is empty or holds a refused file.
  void addFilesChecksEachFileAndOkTakesOnlyAGoodList() {
    QTemporaryDir music;
    const auto path = [&music](const char* name) { return QDir(music.path()).filePath(QString::fromLatin1(name)); };
    for (const char* name : {"a.wav", "b.wav", "d.wav"}) {
      audio::test::WriteBytes(path(name).toStdString(), audio::test::CanonicalWav(audio::test::Samples(2352 * 750, 1)));
    }
    audio::test::WriteBytes(path("e.wav").toStdString(), "no audio here");
    ScriptedFileBrowser files;
    std::vector<std::string> sources = {"/old/slot0.wav"};
    std::string dialogFolder = "/start";
    DiscAtOnce trackAtOnce;
    CAddAudioFilesDlg dialog(files, sources, dialogFolder, trackAtOnce);
    auto* ok = Control<QAbstractButton>(dialog, 1);
    auto* list = Control<QTreeWidget>(dialog, 1011);
    QVERIFY(dialog.Files().isEmpty());  // the list starts empty, whatever the sources hold
    QVERIFY(!ok->isEnabled());
    files.fileAnswers = {QStringList{path("a.wav"), path("b.wav"), path("c.wav")}, std::nullopt,
                         QStringList{path("d.wav"), path("e.wav")}, QStringList{path("a.wav"), path("d.wav")}};

    Click(dialog, 1002);
    QCOMPARE(files.titles, std::vector<QString>{kWavFilter});
    // The file dialog opens where it was given, then where files were last chosen.
    QCOMPARE(dialogFolder, QDir::toNativeSeparators(music.path()).toStdString());
    QCOMPARE(dialog.Files(), (QStringList{path("c.wav"), path("b.wav"), path("a.wav")}));
    QVERIFY(list->topLevelItem(0)->text(1).startsWith(QStringLiteral("Refused: cannot be read: ")));
    QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral("0:10"));
    QVERIFY(!ok->isEnabled());
    Click(dialog, 1002);  // cancelled: the list stays
    QCOMPARE(dialog.Files().size(), 3);
    Click(dialog, 1002);  // a second choice replaces the first
    QCOMPARE(dialog.Files(), (QStringList{path("e.wav"), path("d.wav")}));
    QVERIFY(list->topLevelItem(0)->text(1).startsWith(QStringLiteral("Refused: not a WAV file")));
    QVERIFY(!ok->isEnabled());
    Click(dialog, 1002);
    QVERIFY(ok->isEnabled());
    auto* totals = dialog.findChild<QLabel*>(QStringLiteral("totalsLabel"));
    QVERIFY(totals && totals->text().startsWith(QStringLiteral("Total: 2 files, 0:20, ")));
    QCOMPARE(sources, std::vector<std::string>{"/old/slot0.wav"});

    Click(dialog, 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(sources, (std::vector<std::string>{path("d.wav").toStdString(), path("a.wav").toStdString()}));
    QCOMPARE(files.starts, (std::vector<QString>{QStringLiteral("/start"), music.path(), music.path(), music.path()}));
  }

  void runTestGoesFromTheListThroughTheSpeedDialogToTheJob() {
    GuiHarness gui;
    const QString wav = QDir(gui.sources.path()).filePath(QStringLiteral("tone.wav"));
    audio::test::WriteBytes(wav.toStdString(), audio::test::CanonicalWav(audio::test::Samples(2352 * 300, 1)));

    {  // a cancelled list keeps the sources, starts nothing and asks for no speed
      gui.session->jobState().sourceFiles = {"/kept.wav"};
      gui.files.fileAnswers = {QStringList{wav}};
      ModalHandler<CAddAudioFilesDlg> cancel([](CAddAudioFilesDlg& dialog) {
        Click(dialog, 1002);
        Click(dialog, 2);
      });
      Click(gui.window(), 1005);
      QVERIFY(cancel.handled());
      QVERIFY(gui.window().progressWindows().empty());
      QCOMPARE(gui.session->jobState().sourceFiles, std::vector<std::string>{"/kept.wav"});
    }

    RunTest<CAddAudioFilesDlg>(gui, 1005, wav, QStringLiteral("Audio CD is done."));
  }

  void videoRunTestBurnsTheChosenMpegFile() {
    GuiHarness gui;
    const QString stream = QDir(gui.sources.path()).filePath(QStringLiteral("clip.mpg"));
    // The job takes MPEG-1 system streams only.
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                  QStringLiteral("-i"), QStringLiteral("testsrc=duration=1:size=352x240:rate=29.97"),
                  QStringLiteral("-target"), QStringLiteral("ntsc-vcd"), stream});
    QVERIFY(ffmpeg.waitForFinished(60000));
    QCOMPARE(ffmpeg.exitCode(), 0);
    RunTest<CAddVideoFilesDlg>(gui, 1006, stream, QStringLiteral("Video CD is Done."));
  }

  // The track dialog as the disc in the recorder fills it: MP3 and its bit
  // rate are chosen in it and its Cancel starts nothing; then the selection
  // is grabbed.
  void trackDialogListsTheDiscAndGrabsTheSelection() {
    GuiHarness gui;
    InsertImage(gui, QStringLiteral(BRENMARK_TESTDATA_DIR "/cue/cdda.cue"));
    QTemporaryDir out;
    Control<QLineEdit>(gui.window(), 1012)->setText(out.path());
    gui.session->jobState().trackSelected[4] = 1;

    ModalHandler<CTestGrabDlg> cancel([](CTestGrabDlg& dialog) {
      auto* format = dialog.findChild<QComboBox*>(QStringLiteral("formatCombo"));
      auto* bitrate = dialog.findChild<QComboBox*>(QStringLiteral("bitrateCombo"));
      QCOMPARE(format->currentText(), QStringLiteral("WAV"));
      QVERIFY(!bitrate->isEnabled());
      format->setCurrentIndex(1);
      QVERIFY(bitrate->isEnabled());
      QCOMPARE(bitrate->currentText(), QStringLiteral("128 kbit/s"));
      bitrate->setCurrentIndex(bitrate->findText(QStringLiteral("192 kbit/s")));
      const auto settings = dialog.Settings();
      QVERIFY(settings.format == audio::GrabFormat::Mp3);
      QCOMPARE(settings.bitrateKbps, 192);
      Click(dialog, 2);
    });
    Click(gui.window(), 1007);
    QVERIFY(cancel.handled());
    QVERIFY(gui.window().progressWindows().empty());
    QCOMPARE(gui.session->jobState().trackSelected[4], std::uint8_t{1});

    ModalHandler<CTestGrabDlg> choose([](CTestGrabDlg& dialog) {
      auto* list = Control<QListWidget>(dialog, 1011);
      QVERIFY(list);
      QCOMPARE(list->count(), 1);
      QCOMPARE(list->item(0)->text(), QStringLiteral("Track 01 - 00:04 -- Size: 0.68 Mb"));
      auto* grab = Control<QPushButton>(dialog, 1);
      QVERIFY(grab->isDefault());
      // Every track is selected at first; Grab waits for at least one.
      QVERIFY(dialog.SelectedTracks()[0] == 1);
      QVERIFY(grab->isEnabled());
      ClickLines(*list, {0});
      QVERIFY(dialog.SelectedTracks()[0] == 0);
      QVERIFY(!grab->isEnabled());
      ClickLines(*list, {0});
      QVERIFY(dialog.SelectedTracks()[0] == 1);
      QVERIFY(grab->isEnabled());
      QVERIFY(dialog.Settings() == audio::GrabSettings{});
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
    // The finished grab's window offers the folder it wrote.
    QCOMPARE(QDir(windows.back()->Folder()), QDir(out.path()));
  }
};

}  // namespace brenmark::gui::test

QTEST_MAIN(brenmark::gui::test::RunTestDialogsTest)
#include "RunTestDialogsTest.moc"
