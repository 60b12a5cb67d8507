// Jobs as the desktop runs them. The two ports: prompts made on a job thread
// are answered on the user-interface thread before the call returns; progress
// calls return at once and reach the window on that thread, whether it is
// shown, hidden or the user has left. Leaving with a job running finishes the
// job first, saying so, and tells each job's end by a desktop notification.
#include <QDBusConnection>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include "shell/qt/CProgressDlg.h"
#include "shell/qt/FinishingJobsDlg.h"
#include "shell/qt/JobWindows.h"
#include "shell/qt/QtProgressSink.h"
#include "shell/qt/QtUserPrompt.h"
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
    return context.progress.GetPos() == kCalls ? JobEnd::Done : JobEnd::BurnFailed;
  };
}

bool StartTestJob(GuiHarness& gui, JobProcedure procedure) {
  return gui.window().jobBoard().Start(std::move(procedure), JobInputs{}, "Test Job", "nowhere", nullptr);
}

// Waits without serving this thread's events, as a busy user-interface thread would.
bool WaitWithoutEvents(const std::atomic<bool>& flag) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!flag && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return flag;
}

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

// The desktop's notification service, on a bus connection and a thread of its
// own (the program waits for its answer on the user-interface thread), writing
// down each notification as "<application>|<summary>|<body>|<timeout>".
class FakeNotifications final : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  FakeNotifications() : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake"))) {}
  ~FakeNotifications() override {
    bus_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    bus_.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake"));
    thread_.quit();
    thread_.wait();
  }

  // False without a session bus, or when another service has the name.
  bool Start() {
    moveToThread(&thread_);
    thread_.start();
    return bus_.registerService(QStringLiteral("org.freedesktop.Notifications")) &&
           bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                               QDBusConnection::ExportAllSlots);
  }

  QStringList told() const {
    const std::lock_guard lock(mutex_);
    return told_;
  }

 public slots:
  uint Notify(const QString& application, uint, const QString&, const QString& summary, const QString& body,
              const QStringList&, const QVariantMap&, int timeout) {
    const std::lock_guard lock(mutex_);
    told_ << QStringList{application, summary, body, QString::number(timeout)}.join(QLatin1Char('|'));
    return static_cast<uint>(told_.size());
  }

 private:
  QDBusConnection bus_;
  QThread thread_;
  mutable std::mutex mutex_;
  QStringList told_;
};

}  // namespace

class JobsTest : public QObject {
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
    // On the user-interface thread itself the call runs directly.
    presenter.answerYes = false;
    QVERIFY(!prompt.AskYesNo("Retry?"));
    QCOMPARE(presenter.shown.size(), std::size_t{3});

    // Once the user has left, jobs still running get No and show nothing.
    presenter.answerYes = true;
    prompt.Dismiss();
    RunOnJobThread([&] {
      prompt.ShowMessage("Disc burned.", MessageIcon::Plain);
      answer = prompt.AskYesNo("Retry?");
    });
    QVERIFY(!answer);
    QCOMPARE(presenter.shown.size(), std::size_t{3});
  }

  // A job's prompt titles its boxes with the job, says No by default where Yes
  // replaces something, and brings its hidden window back to ask.
  void jobPromptAsksOverItsOwnWindow() {
    ScriptedPresenter presenter;
    QtUserPrompt prompt(presenter);
    QWidget window;
    const auto jobPrompt = prompt.ForJob(&window, "Grab Audio CD on virtual-cd");
    RunOnJobThread([&] {
      jobPrompt->AskBeforeReplacing("Replace them?");
      jobPrompt->AskYesNo("Try again?");
      jobPrompt->ShowMessage("Done.", MessageIcon::Plain);
    });
    QVERIFY(window.isVisible());
    QCOMPARE(presenter.shown.size(), std::size_t{3});
    for (const auto& shown : presenter.shown) QCOMPARE(shown.title, QStringLiteral("Grab Audio CD on virtual-cd"));
    QVERIFY(presenter.shown[0].defaultNo && !presenter.shown[1].defaultNo);
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
  // Close, which is not the default button, hides the window; once the window
  // has gone, the job's calls are dropped.
  void progressCallsReadBackAndReachTheWindow() {
    auto* window = new CProgressDlg;
    window->show();
    QtProgressSink sink(window);
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
    QTRY_COMPARE(window->Status(), QStringLiteral("Writing tracks..."));
    QVERIFY(!window->IsCloseEnabled());
    QCOMPARE(window->GetPos(), 200);

    // While the job runs Close is disabled; Escape and the title bar's close
    // box still hide the window, and it stays whole for the job's next call.
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!window->isVisible());
    window->show();
    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
    QVERIFY(!window->IsCloseEnabled());
    window->SetStatus(QStringLiteral("still writing"));
    QCOMPARE(window->Status(), QStringLiteral("still writing"));
    window->EnableClose(true);
    window->show();
    auto* close = Control<QPushButton>(*window, 1);
    QVERIFY(close);
    QVERIFY(!close->isDefault());
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!window->isVisible());

    delete window;
    RunOnJobThread([&] { sink.SetStatus("late"); });
    QTest::qWait(200);  // the late update's turn comes, and finds no window
  }

  // The window shown or hidden, the job's display calls all return while
  // this thread serves no events; the window catches up afterwards and,
  // hidden, comes back when the job has ended, which only then is also told
  // by a desktop notification naming the job and how it ended.
  void progressCallsNeverWaitForTheWindow() {
    for (const bool hidden : {false, true}) {
      FakeNotifications notifications;
      QVERIFY2(notifications.Start(), "needs a session bus of its own (dbus-run-session)");
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
      QCOMPARE(notifications.told(),
               QStringList(hidden ? 1 : 0, QStringLiteral("Brenmark|Brenmark: Test Job on nowhere|Finished.|0")));
    }
  }

  // Exit with a job running: the main window goes, a window says that
  // Brenmark is finishing the job, each end is told by a desktop
  // notification, and the session returns once the last one has been told.
  void leavingFinishesRunningJobsFirst() {
    FakeNotifications notifications;
    QVERIFY2(notifications.Start(), "needs a session bus of its own (dbus-run-session)");
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
    QCOMPARE(notifications.told(),
             QStringList(2, QStringLiteral("Brenmark|Brenmark: Test Job on nowhere|Finished.|0")));
  }
};

}  // namespace brenmark::gui::test

QTEST_MAIN(brenmark::gui::test::JobsTest)
#include "JobsTest.moc"
