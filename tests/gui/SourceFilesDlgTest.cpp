// The source file list dialogs, alone and as the main window's audio and video
// Run Tests open them.
#include <QFile>
#include <QTest>

#include "shell/qt/CAddAudioFilesDlg.h"
#include "shell/qt/CAddVideoFilesDlg.h"
#include "shell/qt/CProgressDlg.h"
#include "shell/qt/CSpeedSelectDlg.h"
#include "tests/audio/WavBytes.h"
#include "tests/gui/GuiHarness.h"

namespace brenmark::gui::test {

namespace {

const QString kWavFilter = QStringLiteral("WAV Files (16 bit, Stereo, 44.1kHz)(*.wav)");

QStringList Paths(std::initializer_list<const char*> names) {
  QStringList paths;
  for (const char* name : names) paths << QStringLiteral("/music/") + QString::fromLatin1(name);
  return paths;
}

std::vector<std::string> Strings(const QStringList& paths) {
  std::vector<std::string> out;
  for (const QString& path : paths) out.push_back(path.toStdString());
  return out;
}

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

}  // namespace

class SourceFilesDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void addFilesListsInReverseAndReplacesOnlyWhenChosen() {
    ScriptedFileBrowser files;
    std::vector<std::string> sources = {"/old/slot0.wav"};
    CAddAudioFilesDlg dialog(files, sources);
    QVERIFY(dialog.Files().isEmpty());  // the list starts empty, whatever the sources hold
    files.fileAnswers = {Paths({"a.wav", "b.wav", "c.wav"}), std::nullopt, Paths({"d.wav", "e.wav"})};

    Click(dialog, 1002);
    QCOMPARE(files.titles, std::vector<QString>{kWavFilter});
    QCOMPARE(dialog.Files(), Paths({"c.wav", "b.wav", "a.wav"}));
    Click(dialog, 1002);  // cancelled: the list stays
    QCOMPARE(dialog.Files(), Paths({"c.wav", "b.wav", "a.wav"}));
    Click(dialog, 1002);  // a second choice replaces the first
    QCOMPARE(dialog.Files(), Paths({"e.wav", "d.wav"}));
    QCOMPARE(sources, std::vector<std::string>{"/old/slot0.wav"});

    Click(dialog, 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(sources, Strings(Paths({"e.wav", "d.wav"})));
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
    QFile file(stream);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2324 * 20, '\x5A'));
    file.close();
    RunTest<CAddVideoFilesDlg>(gui, 1006, stream, QStringLiteral("Video CD is Done."));
  }
};

}  // namespace brenmark::gui::test

QTEST_MAIN(brenmark::gui::test::SourceFilesDlgTest)
#include "SourceFilesDlgTest.moc"
