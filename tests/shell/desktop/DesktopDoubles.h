#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "shell/EngineSession.h"
#include "shell/desktop/JobBoard.h"
#include "shell/desktop/MainWindowView.h"
#include "shell/desktop/UiThread.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/RecordingProgress.h"

namespace brenmark::desktop::test {

// An engine on the virtual recorders only, their discs kept in `folder`.
inline EngineSession::Options VirtualOnly(const std::filesystem::path& folder) {
  EngineSession::Options options;
  options.virtualRecorderFolder = folder;
  options.realDrives = false;
  return options;
}

// The test's own thread as the user-interface thread: posted calls wait in a
// queue until the test serves them.
class TestUiThread {
 public:
  UiThread access() {
    // The poster is done with this object once it lets go of the lock: the
    // test may end as soon as it has served the call.
    return {[this](std::function<void()> call) {
              const std::lock_guard lock(mutex_);
              calls_.push_back(std::move(call));
              posted_.notify_one();
            },
            [this] { Serve(); }};
  }

  // Runs the queued calls, waiting a little for one when there is none.
  void Serve() {
    std::deque<std::function<void()>> ready;
    {
      std::unique_lock lock(mutex_);
      posted_.wait_for(lock, std::chrono::milliseconds(20), [this] { return !calls_.empty(); });
      ready.swap(calls_);
    }
    for (auto& call : ready) call();
  }

  // Serves until `done` holds; false when it still does not after a minute.
  bool ServeUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      Serve();
    }
    return true;
  }

  std::size_t Queued() {
    const std::lock_guard lock(mutex_);
    return calls_.size();
  }

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> calls_;
};

// The job windows as data: what each window was told, and the Jobs menu. A
// job that shows the status `holdAt` waits there until `release` is ready.
class RecordingJobWindows final : public JobBoardView {
 public:
  std::shared_ptr<ProgressSink> OpenJobWindow(const JobEntry& job) override {
    opened.push_back(job.title);
    progress.push_back(std::make_shared<brenmark::test::ActingProgress>(holdAt, [gate = release] { gate.wait(); }));
    return progress.back();
  }
  void DropJobWindow(const JobEntry& job) override {
    dropped.push_back(job.title);
    progress.pop_back();
  }
  // Each job asks through a prompt of its own.
  std::shared_ptr<UserPrompt> JobPrompt(const JobEntry&) override {
    return prompts.emplace_back(std::make_shared<brenmark::test::RecordingPrompt>());
  }
  void ShowJobWindow(const JobEntry& job) override { shown.push_back(job.title); }
  bool JobWindowShown(const JobEntry& job) const override { return hidden.count(job.title) == 0; }
  JobEndNotifier* HiddenJobNotifier() override { return &notifier; }
  void ShowJobEnded(const JobEntry& job) override { ended.push_back(job); }
  void CloseJobWindow(const JobEntry& job) override { closed.push_back(job.title); }
  void ListJobs(const JobMenu& jobMenu) override {
    menu = jobMenu.lines;
    menuJobs = jobMenu.jobs;
    endedListed = jobMenu.endedListed;
  }

  std::vector<std::string> opened, dropped, shown, closed, menu;
  std::vector<std::size_t> menuJobs;
  bool endedListed = false;
  std::vector<JobEntry> ended;
  std::vector<std::shared_ptr<brenmark::test::ActingProgress>> progress;
  std::vector<std::shared_ptr<brenmark::test::RecordingPrompt>> prompts;
  // The titles of the jobs whose windows the user hid, and the ends told of hidden jobs.
  std::set<std::string> hidden;
  struct : JobEndNotifier {
    void TellJobEnded(const std::string& summary, const std::string& body) override {
      told.push_back(summary + " | " + body);
    }
    std::vector<std::string> told;
  } notifier;
  std::string holdAt;
  std::shared_future<void> release;
};

// The main window as data, its dialogs answered from a script (cancelled once
// the script is used up).
class ScriptedView final : public MainWindowView {
 public:
  void ShowDrives(const std::vector<std::string>& names, int selected) override {
    drives = names;
    selectedDrive = selected;
  }
  std::string FolderText() const override { return folderText; }
  void SetFolderText(const std::string& text) override { folderText = text; }
  std::string OutputText() const override { return outputText; }
  void SetOutputText(const std::string& text) override { outputText = text; }
  void Enable(MainControl control, bool on) override { enabled[control] = on; }
  void ExplainDisabled(MainControl control, const std::string& reason) override { reasons[control] = reason; }
  void Show(MainControl control, bool on) override { shown[control] = on; }
  void ShowBusy(bool on) override { busy = on; }

  std::optional<std::string> ChooseFolder(const std::string& title, const std::string& startFolder) override {
    folderTitles.push_back(title);
    folderStarts.push_back(startFolder);
    return Next(folders);
  }
  // The file dialog leaves the folder of the first file it was answered with.
  bool ChooseFiles(JobKind kind, std::vector<std::string>& list, std::string& dialogFolder) override {
    fileKinds.push_back(kind);
    fileDialogStarts.push_back(dialogFolder);
    const auto answer = Next(files);
    if (answer) list = *answer;
    if (answer && !answer->empty()) dialogFolder = std::filesystem::path(answer->front()).parent_path().string();
    return answer.has_value();
  }
  // The audio dialog answers the disc-at-once choice it is scripted with.
  bool ChooseAudioFiles(std::vector<std::string>& list, std::string& dialogFolder, DiscAtOnce& choice) override {
    if (discAtOnce) choice = *discAtOnce;
    return ChooseFiles(JobKind::AudioCd, list, dialogFolder);
  }
  std::optional<std::string> ChooseImageToBurn() override { return Next(images); }
  std::optional<SpeedChoice> ChooseSpeed(const std::vector<std::string>& entries, bool dataDisc,
                                         const std::string& what, int selected) override {
    speedLists.push_back(entries);
    speedSelected.push_back(selected);
    burning.push_back(what);

    speedOfferedLeaveOpen.push_back(dataDisc);
    return Next(speeds);
  }
  std::optional<TrackChoice> ChooseTracks(const std::vector<std::string>& lines,
                                          const audio::GrabSettings& settings) override {
    trackLists.push_back(lines);
    trackSettings.push_back(settings);
    return Next(tracks);
  }
  void OpenTray(virtualdrive::VirtualRecorder&, const std::string& driveName) override {
    trays.push_back(driveName);
  }
  void OpenDocument(const std::filesystem::path& document) override { documents.push_back(document); }
  bool ConfirmLeaving(const std::string& question) override {
    leavingQuestions.push_back(question);
    return leave;
  }

  // What the window shows.
  std::vector<std::string> drives;
  int selectedDrive = -2;
  std::string folderText;
  std::string outputText = "left over";
  std::map<MainControl, bool> enabled, shown;
  std::map<MainControl, std::string> reasons;
  bool busy = false;

  // The dialogs' answers, and what they were given.
  std::deque<std::optional<std::string>> folders;
  std::deque<std::optional<std::vector<std::string>>> files;
  std::deque<std::optional<SpeedChoice>> speeds;
  std::deque<std::optional<TrackChoice>> tracks;
  std::deque<std::optional<std::string>> images;
  std::optional<DiscAtOnce> discAtOnce;
  bool leave = false;
  std::vector<std::string> folderTitles, folderStarts, fileDialogStarts, trays, leavingQuestions, burning;
  std::vector<JobKind> fileKinds;
  std::vector<std::vector<std::string>> speedLists, trackLists;
  std::vector<bool> speedOfferedLeaveOpen;
  std::vector<int> speedSelected;
  std::vector<audio::GrabSettings> trackSettings;
  std::vector<std::filesystem::path> documents;

 private:
  template <typename T>
  static std::optional<T> Next(std::deque<std::optional<T>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<T> answer = std::move(answers.front());
    answers.pop_front();
    return answer;
  }
};

}  // namespace brenmark::desktop::test
