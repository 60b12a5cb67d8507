// Jobs as the desktop runs them: progress calls never wait for the window,
// whether it is shown, hidden or the user has left, and leaving with a job
// running finishes the job first, saying so.
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "shell/qt/CProgressDlg.h"
#include "shell/qt/FinishingJobsDlg.h"
#include "shell/qt/JobWindows.h"
#include "tests/gui/GuiHarness.h"

namespace brenmark::gui::test {

namespace {

constexpr std::int32_t kCalls = 20000;

// A job that waits for `go`, then makes kCalls display-only progress calls
// and says when it has made them all.
JobProcedure ChattyJob(std::shared_future<void> go, std::atomic<bool>& called) {
  return [go, &called](JobContext& context) {
    context.progress.EnableClose(false);
    go.wait();
    context.progress.SetRange(kCalls);
    for (std::int32_t i = 1; i <= kCalls; ++i) {
      context.progress.SetPos(i);
      context.progress.SetStatus("Writing " + std::to_string(i));
    }
    called = true;
    context.progress.EnableClose(true);
    return context.progress.GetPos() == kCalls ? 0 : 1;
  };
}

bool StartTestJob(GuiHarness& gui, JobProcedure procedure) {
  return gui.window().jobWindows().Start(std::move(procedure), JobInputs{}, QStringLiteral("Test Job"),
                                         QStringLiteral("nowhere"), nullptr);
}

// Waits without serving this thread's events, as a busy user-interface thread would.
bool WaitWithoutEvents(const std::atomic<bool>& flag) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!flag && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return flag;
}

}  // namespace

class JobWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  // The window shown or hidden, the job's display calls all return while
  // this thread serves no events; the window catches up afterwards and,
  // hidden, comes back when the job has ended.
  void progressCallsNeverWaitForTheWindow() {
    for (const bool hidden : {false, true}) {
      GuiHarness gui;
      gui.window().show();
      std::promise<void> go;
      std::atomic<bool> called = false;
      QVERIFY(StartTestJob(gui, ChattyJob(go.get_future().share(), called)));
      CProgressDlg* window = gui.window().progressWindows().back();
      QCOMPARE(window->windowTitle(), QStringLiteral("Current Progress - Test Job on nowhere"));
      if (hidden) window->close();
      go.set_value();
      QVERIFY2(WaitWithoutEvents(called), hidden ? "hidden" : "shown");

      QTRY_VERIFY(!gui.window().IsJobRunning());
      QCOMPARE(window->GetPos(), kCalls);
      QCOMPARE(window->Status(), QStringLiteral("Writing %1").arg(kCalls));
      QVERIFY(window->IsCloseEnabled());
      QCOMPARE(window->Outcome(), QStringLiteral("Finished."));
      QVERIFY(window->isVisible());
    }
  }

  // Exit with a job running: the main window goes, a window says that
  // Brenmark is finishing the job, and the session returns once it has ended.
  void leavingFinishesRunningJobsFirst() {
    GuiHarness gui;
    gui.presenter.confirmLeaving = true;
    std::promise<void> go;
    std::atomic<bool> called = false;
    const std::shared_future<void> started = go.get_future().share();
    QVERIFY(StartTestJob(gui, ChattyJob(started, called)));
    QVERIFY(StartTestJob(gui, ChattyJob(started, called)));

    QStringList finishingTexts;
    bool mainWindowShown = true;
    QTimer watcher;
    watcher.setInterval(5);
    connect(&watcher, &QTimer::timeout, [&] {
      if (gui.window().isVisible()) {
        Click(gui.window(), 2);  // Exit, answering the question with Yes
        return;
      }
      if (FinishingJobsDlg* finishing = gui.window().jobWindows().finishingWindow()) {
        mainWindowShown = gui.window().isVisible();
        finishingTexts << finishing->Text() << QString::number(finishing->isVisible());
        watcher.stop();
        go.set_value();
      }
    });
    watcher.start();
    gui.session->Run();

    QVERIFY(called);
    QVERIFY(!gui.window().IsJobRunning());
    QVERIFY(!mainWindowShown);
    QCOMPARE(gui.presenter.confirmations.size(), std::size_t{1});
    QCOMPARE(finishingTexts,
             (QStringList{QStringLiteral("Brenmark is finishing 2 jobs.\nIt quits when they have ended."),
                          QStringLiteral("1")}));
    for (const auto& window : gui.window().progressWindows()) {
      QCOMPARE(window->Outcome(), QStringLiteral("Finished."));
    }
    QVERIFY(gui.window().jobWindows().finishingWindow() == nullptr);
  }
};

}  // namespace brenmark::gui::test

QTEST_MAIN(brenmark::gui::test::JobWindowsTest)
#include "JobWindowsTest.moc"
