// The two ports of the desktop front end: prompts made on a job thread are
// answered on the user-interface thread before the call returns; progress
// calls return at once and reach the window on that thread.
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <thread>

#include "shell/qt/CProgressDlg.h"
#include "shell/qt/QtProgressSink.h"
#include "shell/qt/QtUserPrompt.h"
#include "tests/gui/ModalHandler.h"
#include "tests/gui/ScriptedFrontEnd.h"

namespace brenmark::gui::test {

namespace {

// Runs `work` on a thread of its own while this thread serves its events, as a
// job does against the running application.
template <typename Work>
void RunOnJobThread(Work work) {
  std::atomic<bool> done = false;
  std::thread job([&] {
    work();
    done = true;
  });
  while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  job.join();
}

QPushButton* CloseButton(CProgressDlg& window) {
  for (auto* button : window.findChildren<QPushButton*>()) {
    if (button->property("controlId").toInt() == 1) return button;
  }
  return nullptr;
}

}  // namespace

class PortsTest : public QObject {
  Q_OBJECT

 private slots:
  void promptFromJobThreadIsShownOnUiThreadAndAnswered() {
    ScriptedPresenter presenter;
    QtUserPrompt prompt(presenter);
    presenter.answerYes = true;
    bool answer = false;
    RunOnJobThread([&] {
      prompt.ShowMessage("Disc burned.", MessageIcon::Information);
      answer = prompt.AskYesNo("Retry?");
    });
    QVERIFY(answer);
    QCOMPARE(presenter.shown.size(), std::size_t{2});
    QCOMPARE(presenter.shown[0].text, QStringLiteral("Disc burned."));
    QCOMPARE(presenter.shown[0].icon, MessageIcon::Information);
    QVERIFY(presenter.shown[0].onUiThread);
    QVERIFY(presenter.shown[1].question);
    QVERIFY(presenter.shown[1].onUiThread);
  }

  void promptOnUiThreadRunsDirectly() {
    ScriptedPresenter presenter;
    QtUserPrompt prompt(presenter);
    QVERIFY(!prompt.AskYesNo("Retry?"));
    prompt.ShowMessage("text", MessageIcon::Plain);
    QCOMPARE(presenter.shown.size(), std::size_t{2});
    QVERIFY(presenter.shown[1].onUiThread);
  }

  // Once the user has left, jobs still running get No and show nothing.
  void dismissedPromptAnswersNoAndShowsNothing() {
    ScriptedPresenter presenter;
    presenter.answerYes = true;
    QtUserPrompt prompt(presenter);
    prompt.Dismiss();
    bool answer = true;
    RunOnJobThread([&] {
      prompt.ShowMessage("Disc burned.", MessageIcon::Plain);
      answer = prompt.AskYesNo("Retry?");
    });
    QVERIFY(!answer);
    QVERIFY(presenter.shown.empty());
  }

  // The real boxes: the application's name as title, the icon asked for, and
  // a job thread's question answered on the user-interface thread.
  void messageBoxesCarryApplicationNameAndIcon() {
    MessageBoxPresenter presenter;
    QtUserPrompt prompt(presenter);
    QStringList seen;
    {
      ModalHandler<QMessageBox> ok([&](QMessageBox& box) {
        seen << box.windowTitle() << box.text();
        QCOMPARE(box.icon(), QMessageBox::NoIcon);
        box.button(QMessageBox::Ok)->click();
      });
      prompt.ShowMessage("No media detected in selected Device.", MessageIcon::Plain);
      QVERIFY(ok.handled());
    }
    bool answer = true;
    {
      ModalHandler<QMessageBox> no([&](QMessageBox& box) {
        seen << box.windowTitle() << box.text();
        QCOMPARE(box.icon(), QMessageBox::Critical);
        box.button(QMessageBox::No)->click();
      });
      RunOnJobThread([&] { answer = prompt.AskYesNo("Error writing sector 16.\nTry again?"); });
      QVERIFY(no.handled());
    }
    QVERIFY(!answer);
    QCOMPARE(seen, (QStringList{"Brenmark", "No media detected in selected Device.", "Brenmark",
                                "Error writing sector 16.\nTry again?"}));
  }

  // The job reads back what it wrote at once; the window shows the same.
  void progressCallsReadBackAndReachTheWindow() {
    CProgressDlg window;
    window.show();
    QtProgressSink sink(&window);
    std::vector<std::int32_t> seen;
    RunOnJobThread([&] {
      sink.EnableClose(false);
      sink.SetStatus("Writing tracks...");
      sink.SetRange(1000);
      sink.SetPos(250);
      seen.push_back(sink.GetPos());
      sink.SetStep(100);
      sink.StepIt();
      seen.push_back(sink.GetPos());
      sink.SetRange16(200);
      seen.push_back(sink.GetPos());
    });
    QCOMPARE(seen, (std::vector<std::int32_t>{250, 350, 200}));
    QTRY_COMPARE(window.Status(), QStringLiteral("Writing tracks..."));
    QVERIFY(!window.IsCloseEnabled());
    QCOMPARE(window.GetPos(), 200);
  }

  // The close box and Close hide the window; the job goes on writing to it.
  void hiddenWindowKeepsReceivingProgress() {
    CProgressDlg window;
    window.show();
    QtProgressSink sink(&window);
    RunOnJobThread([&] { sink.EnableClose(false); });
    QTRY_VERIFY(!window.IsCloseEnabled());
    window.close();
    QVERIFY(!window.isVisible());
    RunOnJobThread([&] {
      sink.SetStatus("Disc burned.");
      sink.EnableClose(true);
    });
    sink.Flush();  // as the job's end does
    QCOMPARE(window.Status(), QStringLiteral("Disc burned."));
    QVERIFY(window.IsCloseEnabled());

    window.show();
    QPushButton* close = CloseButton(window);
    QVERIFY(close);
    QVERIFY(!close->isDefault());
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!window.isVisible());
  }

  void progressToClosedWindowIsDropped() {
    auto* window = new CProgressDlg;
    QtProgressSink sink(window);
    delete window;
    std::int32_t position = -1;
    RunOnJobThread([&] {
      sink.SetStatus("late");
      position = sink.GetPos();
    });
    QCOMPARE(position, 0);
  }
};

}  // namespace brenmark::gui::test

QTEST_MAIN(brenmark::gui::test::PortsTest)
#include "PortsTest.moc"
