// The video file list dialog and the main window's video Run Test.
#include <QFile>
#include <QTest>
#include <QTreeWidget>

#include "shell/qt/CAddVideoFilesDlg.h"
#include "shell/qt/CProgressDlg.h"
#include "shell/qt/CSpeedSelectDlg.h"
#include "tests/gui/GuiHarness.h"

namespace brenmark::gui::test {

class VideoFilesDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void isTheListDialogWithTheMpegFilter() {
    ScriptedFileBrowser files;
    std::vector<std::string> sources;
    CAddVideoFilesDlg dialog(files, sources);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Oakhollow - Video CD Burning Test"));
    QCOMPARE(dialog.property("controlId").toInt(), 131);
    QVERIFY(Control<QTreeWidget>(dialog, 1011));
    files.fileAnswers = {QStringList{QStringLiteral("/video/a.mpg"), QStringLiteral("/video/b.mpg")}};
    Click(dialog, 1002);
    QCOMPARE(files.titles, std::vector<QString>{QStringLiteral("MPEG1 Files (*.mpg)")});
    Click(dialog, 1);
    QCOMPARE(sources, (std::vector<std::string>{"/video/b.mpg", "/video/a.mpg"}));
  }

  void runTestGoesFromTheListThroughTheSpeedDialogToTheJob() {
    GuiHarness gui;
    const QString stream = QDir(gui.sources.path()).filePath(QStringLiteral("clip.mpg"));
    QFile file(stream);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2324 * 20, '\x5A'));
    file.close();

    gui.files.fileAnswers = {QStringList{stream}};
    ModalHandler<CAddVideoFilesDlg> list([](CAddVideoFilesDlg& dialog) {
      Click(dialog, 1002);
      Click(dialog, 1);
    });
    ModalHandler<CSpeedSelectDlg> speed([](CSpeedSelectDlg& dialog) { Click(dialog, 1); });
    Click(gui.window(), 1006);
    QVERIFY(list.handled() && speed.handled());
    QCOMPARE(gui.window().progressWindows().size(), std::size_t{1});
    CProgressDlg* progress = gui.window().progressWindows().back().data();
    QTRY_COMPARE_WITH_TIMEOUT(progress->Status(), QStringLiteral("Video CD is Done."), 60000);
    QTRY_VERIFY(!gui.window().IsJobRunning());
    QVERIFY(gui.presenter.shown.empty());
  }
};

}  // namespace brenmark::gui::test

QTEST_MAIN(brenmark::gui::test::VideoFilesDlgTest)
#include "VideoFilesDlgTest.moc"
