// The main window against the virtual recorders: what it shows, each of its
// commands as the user meets them, and leaving while work is under way.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QToolButton>

#include "datadisc/SourceTree.h"
#include "jobs/SpeedSelection.h"
#include "shell/BackgroundWork.h"
#include "shell/qt/CAboutDlg.h"
#include "shell/qt/CProgressDlg.h"
#include "shell/qt/CSpeedSelectDlg.h"
#include "shell/qt/CTrayDlg.h"
#include "shell/qt/DesktopOpener.h"
#include "shell/qt/QtSettingsStore.h"
#include "shell/qt/QtUserPrompt.h"
#include "shell/qt/UiThread.h"
#include "tests/gui/GuiHarness.h"

namespace brenmark::gui::test {

namespace {

// Receives the addresses the window asks the desktop to open.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;

 public slots:
  void Open(const QUrl& url) { opened << url; }
};

// Chooses the folder with "..." and waits for its scan.
void ChooseFolder(GuiHarness& gui, const QString& folder) {
  gui.files.answers.push_back(folder);
  Click(gui.window(), 1002);
  QTRY_VERIFY(!gui.window().IsScanning());
}

// Burn CD through the speed dialog, answering it with "Burn".
void BurnCd(GuiHarness& gui) {
  ModalHandler<CSpeedSelectDlg> burn([](CSpeedSelectDlg& dialog) { Click(dialog, 1); });
  Click(gui.window(), 1003);
}

CProgressDlg* LastProgressWindow(GuiHarness& gui) {
  const auto windows = gui.window().progressWindows();
  return windows.empty() ? nullptr : windows.back().data();
}

}  // namespace

class MainDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void windowLoadsWithOneControlPerIdAndAnAboutItem() {
    GuiHarness gui;
    CMainDlg& window = gui.window();
    QSet<int> ids;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
      const QVariant id = widget->property("controlId");
      if (!id.isValid()) continue;
      QVERIFY2(!ids.contains(id.toInt()), qPrintable(QString::number(id.toInt())));
      ids.insert(id.toInt());
    }

    // The about item closes the window's context menu, after a separator.
    const QList<QAction*> actions = window.actions();
    QVERIFY(actions.size() >= 2);
    QCOMPARE(actions.last()->text(), QStringLiteral("&About Brenmark..."));
    QVERIFY(actions[actions.size() - 2]->isSeparator());
    QCOMPARE(window.contextMenuPolicy(), Qt::ActionsContextMenu);
    ModalHandler<CAboutDlg> about([](CAboutDlg& dialog) { Click(dialog, 1); });
    actions.last()->trigger();
    QVERIFY(about.handled());
  }

  // The drive and the folder chosen in one run are in the settings file and
  // there when the next run starts, and the folder browser opens on the
  // field's folder (what is remembered: MainWindowLogicTest).
  void aSecondRunStartsWithTheRememberedDriveAndFolder() {
    QTemporaryDir config;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    QTemporaryDir kept;
    QDir(kept.path()).mkpath(QStringLiteral("source/sub"));
    const QString source = QDir(kept.path()).filePath(QStringLiteral("source"));
    {
      QtSettingsStore settings;
      GuiHarness gui(&settings);
      Control<QComboBox>(gui.window(), 1000)->setCurrentIndex(1);
      ChooseFolder(gui, source);
    }
    QVERIFY(QFile::exists(config.path() + QStringLiteral("/brenmark/brenmark.conf")));

    QtSettingsStore settings;
    GuiHarness gui(&settings);
    QCOMPARE(Control<QComboBox>(gui.window(), 1000)->currentIndex(), 1);
    QCOMPARE(gui.session->registry().currentDrive, 1);
    QCOMPARE(Control<QLineEdit>(gui.window(), 1001)->text(), source);
    Click(gui.window(), 1002);
    QCOMPARE(gui.files.starts, std::vector<QString>{source});
  }

  // The speed dialog lists the drive's speeds, fastest first and chosen, and
  // its Cancel starts nothing; the job's window shows its end (the decisions:
  // MainWindowLogicTest).
  void burnCdToVirtualRecorderEndsWithDiscBurned() {
    GuiHarness gui;
    ChooseFolder(gui, gui.MakeSourceFolder("source"));
    SpeedSelection expected;
    expected.Load(gui.session->registry(), 0, gui.session->leases());
    QVERIFY(expected.entries().size() > 1);
    std::vector<std::string> listed;
    int selected = -2;
    ModalHandler<CSpeedSelectDlg> cancel([&](CSpeedSelectDlg& dialog) {
      auto* combo = Control<QComboBox>(dialog, 1000);
      for (int index = 0; index < combo->count(); ++index) listed.push_back(combo->itemText(index).toStdString());
      selected = combo->currentIndex();
      Click(dialog, 2);
    });
    Click(gui.window(), 1003);
    QVERIFY(listed == expected.entries());
    QCOMPARE(selected, 0);
    QVERIFY(gui.window().progressWindows().empty());
    BurnCd(gui);
    QPointer<CProgressDlg> progress = LastProgressWindow(gui);
    QVERIFY(progress);
    QVERIFY(progress->isVisible());
    const QPoint firstPlace = progress->pos();
    QCOMPARE(progress->windowTitle(), QStringLiteral("Current Progress - Burn CD on virtual-cd"));
    QVERIFY(progress->Outcome().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!gui.window().IsJobRunning(), 60000);
    QCOMPARE(progress->Status(), QStringLiteral("Disc burned."));
    QVERIFY(progress->IsCloseEnabled());
    QVERIFY(gui.presenter.shown.empty());

    // The last line names the image the recorder kept, which is the one file there.
    const QDir burned(QString::fromStdString(gui.session->trays().burnedFolder().string()));
    const QStringList kept = burned.entryList({QStringLiteral("*.cue")});
    QCOMPARE(kept.size(), 1);
    QCOMPARE(QDir(progress->Folder()), burned);
    QCOMPARE(progress->Outcome(), QStringLiteral("Finished. The disc is kept as %1.")
                                      .arg(QDir::toNativeSeparators(burned.filePath(kept[0]))));
    progress->close();

    // A second burn gets its own window.
    BurnCd(gui);
    QCOMPARE(gui.window().progressWindows().size(), std::size_t{2});
    const QPointer<CProgressDlg> second = LastProgressWindow(gui);
    QVERIFY(second != progress);
    // The first was closed: the second takes its free place beside the main
    // window, covering none of it; both stay within the screen's free area,
    // the first also once its ending line has made it larger.
    QCOMPARE(second->pos(), firstPlace);
    QVERIFY(!second->frameGeometry().intersects(gui.window().frameGeometry()));
    const QRect area = gui.window().screen()->availableGeometry();
    QVERIFY(area.contains(progress->frameGeometry()) && area.contains(second->frameGeometry()));
    QVERIFY(!progress->isVisible());

    // Escape while a job runs asks as Exit does; leaving when the answer is Yes is in JobsTest.
    gui.window().show();
    QVERIFY(gui.window().IsJobRunning());
    gui.presenter.confirmLeaving = false;
    QTest::keyClick(&gui.window(), Qt::Key_Escape);
    QCOMPARE(gui.presenter.confirmations.size(), std::size_t{1});
    QVERIFY(gui.window().isVisible());

    // The Jobs menu lists both and brings a hidden window back.
    QMenu* jobs = gui.window().findChild<QToolButton*>(QStringLiteral("jobsButton"))->menu();
    QCOMPARE(jobs->actions().size(), 4);  // both jobs, a separator, "Clear Ended Jobs"
    QVERIFY(jobs->actions()[3]->isEnabled());
    jobs->actions()[0]->trigger();
    QVERIFY(progress->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!gui.window().IsJobRunning(), 60000);
    QVERIFY(jobs->actions()[1]->text().endsWith(QStringLiteral(" - Finished.")));
    QCOMPARE(second->Status(), QStringLiteral("Disc burned."));

    // Clearing the ended jobs closes their windows; the Jobs button goes with its lines.
    jobs->actions().back()->trigger();
    QVERIFY(!progress && !second);
    QCOMPARE(jobs->actions().size(), 2);
    QVERIFY(!jobs->actions().back()->isEnabled());
    QVERIFY(!gui.window().findChild<QToolButton*>(QStringLiteral("jobsButton"))->isEnabled());
  }

  void discLeftOpenGetsASecondSessionKeepingItsFiles() {
    GuiHarness gui;
    ChooseFolder(gui, gui.MakeSourceFolder("source"));
    bool offeredUnchecked = false;
    ModalHandler<CSpeedSelectDlg> leaveOpen([&](CSpeedSelectDlg& dialog) {
      auto* check = dialog.findChild<QCheckBox*>(QStringLiteral("leaveOpenCheck"));
      auto* verify = dialog.findChild<QCheckBox*>(QStringLiteral("verifyCheck"));
      offeredUnchecked = check->isVisibleTo(&dialog) && !check->isChecked() && verify->isVisibleTo(&dialog) &&
                         !verify->isChecked();
      check->setChecked(true);
      verify->setChecked(true);
      Click(dialog, 1);
    });
    Click(gui.window(), 1003);
    QVERIFY(offeredUnchecked);
    QTRY_VERIFY_WITH_TIMEOUT(!gui.window().IsJobRunning(), 60000);
    QCOMPARE(LastProgressWindow(gui)->Status(), QStringLiteral("Verified: 2 files, 0.1 MB, no differences."));

    // The tray's button takes that disc back to append to it.
    ModalHandler<CTrayDlg> tray([](CTrayDlg& dialog) {
      dialog.findChild<QPushButton*>(QStringLiteral("insertLastBurnedButton"))->click();
      dialog.accept();
    });
    gui.window().findChild<QToolButton*>(QStringLiteral("trayButton"))->click();
    QVERIFY(tray.handled());
    BurnCd(gui);
    QTRY_VERIFY_WITH_TIMEOUT(!gui.window().IsJobRunning(), 60000);
    QCOMPARE(LastProgressWindow(gui)->Status(), QStringLiteral("Disc burned."));
    // The same folder again: its two folders merge, its two files replace the
    // old ones. The job told it in its window, without a box to wait on.
    QVERIFY(gui.presenter.shown.empty());
    QCOMPARE(LastProgressWindow(gui)->Notices(), QStringLiteral("2 entries of the previous session imported.\n"
                                                                "Replaced by the new file: /source/readme.txt\n"
                                                                "Replaced by the new file: /source/sub/data.bin"));
  }

  // The queries run off the user-interface thread; while the report is open
  // the drive stays leased and the drive list waits for it.
  void reportTextAppearsInMessageBox() {
    GuiHarness gui;
    auto* combo = Control<QComboBox>(gui.window(), 1000);
    std::vector<bool> leasedWhileShown;
    std::vector<bool> listEnabledWhileShown;
    gui.presenter.whileShown = [&] {
      leasedWhileShown.push_back(gui.session->leases().IsBusy(0));
      listEnabledWhileShown.push_back(combo->isEnabled());
    };
    Click(gui.window(), 1009);
    QTRY_COMPARE(gui.presenter.shown.size(), std::size_t{1});
    QVERIFY(!gui.presenter.shown[0].text.isEmpty());
    QVERIFY(gui.presenter.shown[0].onUiThread);
    QTRY_VERIFY(!gui.window().IsReportRunning());
    QTRY_VERIFY(combo->isEnabled());
    QVERIFY(!gui.session->leases().IsBusy(0));

    Click(gui.window(), 1008);
    QTRY_COMPARE(gui.presenter.shown.size(), std::size_t{2});
    QCOMPARE(gui.presenter.shown[1].title, QStringLiteral("Disc Information - virtual-cd"));
    QTRY_VERIFY(!gui.session->leases().IsBusy(0));
    QCOMPARE(leasedWhileShown, (std::vector<bool>{true, true}));
    QCOMPARE(listEnabledWhileShown, (std::vector<bool>{false, false}));
  }

  // Enter in a folder field takes the typed folder and never ends the
  // program; on the drive list it still ends it as Exit does.
  void enterTakesTypedFolderAndEndsOnlyFromDriveList() {
    GuiHarness gui;
    gui.window().show();
    auto* folderEdit = Control<QLineEdit>(gui.window(), 1001);
    auto* outputEdit = Control<QLineEdit>(gui.window(), 1012);
    QCOMPARE(gui.window().focusWidget(), folderEdit);
    QTest::keyClick(folderEdit, Qt::Key_Return);  // right after start-up
    QVERIFY(gui.window().isVisible());

    const QString typed = gui.MakeSourceFolder("typed");
    folderEdit->setText(typed);
    QTest::keyClick(folderEdit, Qt::Key_Return);
    QVERIFY(gui.window().isVisible());
    QTRY_VERIFY(!gui.window().IsScanning());
    const datadisc::SourceTree* tree = gui.session->jobState().sourceTree.get();
    QVERIFY(tree);
    QCOMPARE(tree->entries().size(), std::size_t{1});
    QCOMPARE(folderEdit->text(), QDir::toNativeSeparators(typed));

    outputEdit->setFocus();
    outputEdit->setText(QStringLiteral("/somewhere"));
    QTest::keyClick(outputEdit, Qt::Key_Return);
    QVERIFY(gui.window().isVisible());
    QCOMPARE(outputEdit->text(), QStringLiteral("/somewhere"));

    auto* combo = Control<QComboBox>(gui.window(), 1000);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Return);
    QVERIFY(!gui.window().isVisible());
    QVERIFY(gui.presenter.confirmations.empty());
  }

  // While the scan runs on its own thread the window shows it (Burn disabled,
  // the busy cursor); its Cancel puts back the folder chosen before (the
  // decisions are MainWindowLogicTest's).
  void scanningShowsInTheWindowAndCancelEndsIt() {
    GuiHarness gui;
    const QString first = gui.MakeSourceFolder("first");
    ChooseFolder(gui, first);
    gui.files.answers.push_back(gui.MakeSourceFolder("second"));
    Click(gui.window(), 1002);
    // Nothing has been delivered yet: the events of this thread have not run.
    QVERIFY(gui.window().IsScanning());
    QVERIFY(!Control<QPushButton>(gui.window(), 1003)->isEnabled());
    QVERIFY(!Control<QPushButton>(gui.window(), 1004)->isEnabled());
    QCOMPARE(gui.window().cursor().shape(), Qt::BusyCursor);
    gui.window().findChild<QPushButton*>(QStringLiteral("cancelScanButton"))->click();
    QVERIFY(!gui.window().IsScanning());
    QVERIFY(Control<QPushButton>(gui.window(), 1003)->isEnabled());
    QCOMPARE(Control<QLineEdit>(gui.window(), 1001)->text(), QDir::toNativeSeparators(first));
    QCOMPARE(gui.window().cursor().shape(), Qt::ArrowCursor);

    // A window closed while its scan and report still run waits for them and
    // takes no result after it has gone.
    gui.files.answers.push_back(first);
    Click(gui.window(), 1002);
    Click(gui.window(), 1009);
    QVERIFY(gui.window().IsScanning());
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

  void backgroundResultsArriveOnTheUserInterfaceThread() {
    QStringList delivered;
    {
      QObject context;
      BackgroundWork work(UiThreadOf(&context).post, UiThreadOf(&context).serveEvents);
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

  void orderOpensTheReadme() {
    GuiHarness gui;
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
    Click(gui.window(), 1010);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(catcher.opened.size(), 1);
    QVERIFY(catcher.opened[0].toLocalFile().endsWith(QStringLiteral("README.md")));
  }
};

}  // namespace brenmark::gui::test

QTEST_MAIN(brenmark::gui::test::MainDlgTest)
#include "MainDlgTest.moc"
