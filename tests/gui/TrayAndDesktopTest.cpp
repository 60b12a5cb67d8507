// The tray's memory of burned discs, opening things on a desktop that cannot,
// and leaving while a scan or a report is still under way.
#include <QTest>

#include <fstream>

#include "shell/qt/BackgroundWork.h"
#include "shell/qt/CTrayDlg.h"
#include "shell/qt/DesktopOpener.h"
#include "shell/qt/QtUserPrompt.h"
#include "tests/gui/GuiHarness.h"

namespace brenmark::gui::test {

class TrayAndDesktopTest : public QObject {
  Q_OBJECT

 private slots:
  // Across sessions the newest kept image of the recorder's own kind counts:
  // names carry the UTC time, other recorders' and other files' do not count.
  void lastBurnedDiscIsTheNewestImageOfThatRecorder() {
    GuiHarness gui;
    VirtualTrays& trays = gui.session->trays();
    auto* cd = trays.RecorderFor(gui.session->registry().drive(0));
    auto* dvd = trays.RecorderFor(gui.session->registry().drive(1));
    QVERIFY(trays.LastBurnedDisc(*cd).empty());

    const std::filesystem::path burned = trays.burnedFolder();
    std::filesystem::create_directories(burned);
    for (const char* name : {"virtual-cd-20261207-010000.cue", "virtual-cd-20261207-020000.cue",
                             "virtual-cd-20261207-030000.bin", "virtual-cd-20261207-030000.state",
                             "virtual-dvd-20261207-040000.iso", "notes-20261207-050000.cue"}) {
      std::ofstream{burned / name};
    }
    QCOMPARE(trays.LastBurnedDisc(*cd), burned / "virtual-cd-20261207-020000.cue");
    QCOMPARE(trays.LastBurnedDisc(*dvd), burned / "virtual-dvd-20261207-040000.iso");
  }

  void insertLastBurnedWithNoneSaysSo() {
    GuiHarness gui;
    auto* cd = gui.session->trays().RecorderFor(gui.session->registry().drive(0));
    CTrayDlg tray(*cd, QStringLiteral("virtual-cd"), gui.session->trays(), gui.files, gui.session->prompt());
    const QString before = tray.Contents();
    tray.InsertLastBurned();
    QCOMPARE(tray.Contents(), before);
    QCOMPARE(gui.presenter.shown.size(), std::size_t{1});
    QVERIFY(gui.presenter.shown[0].text.startsWith(QStringLiteral("No disc burned on this recorder")));
    QCOMPARE(gui.presenter.shown[0].icon, MessageIcon::Warning);
  }

  // The offscreen desktop has no program to open anything: the user hears
  // which path could not be shown.
  void openingWithoutViewerSaysSo() {
    ScriptedPresenter presenter;
    QtUserPrompt prompt(presenter);
    QVERIFY(!OpenOnDesktop(QStringLiteral("/tmp/burned discs"), prompt));
    QCOMPARE(presenter.shown.size(), std::size_t{1});
    QVERIFY(presenter.shown[0].text.contains(QStringLiteral("/tmp/burned discs")));
    QCOMPARE(presenter.shown[0].icon, MessageIcon::Warning);
  }

  // A window closed while its scan and report still run waits for them and
  // takes no result after it has gone.
  void leavingDuringScanAndReportEndsCleanly() {
    auto gui = std::make_unique<GuiHarness>();
    gui->files.answers.push_back(gui->MakeSourceFolder("source"));
    Click(gui->window(), 1002);
    Click(gui->window(), 1009);
    QVERIFY(gui->window().IsScanning());
    gui.reset();
  }

  void backgroundResultsArriveOnTheUserInterfaceThread() {
    QStringList delivered;
    {
      BackgroundWork work;
      for (int i = 0; i < 3; ++i) {
        work.Run([i] { return QThread::currentThread() != qApp->thread() ? i : -1; },
                 [&delivered](int value) {
                   if (QThread::currentThread() == qApp->thread()) delivered << QString::number(value);
                 });
      }
      work.WaitForAll();
    }
    delivered.sort();
    QCOMPARE(delivered, (QStringList{"0", "1", "2"}));
  }
};

}  // namespace brenmark::gui::test

QTEST_MAIN(brenmark::gui::test::TrayAndDesktopTest)
#include "TrayAndDesktopTest.moc"
