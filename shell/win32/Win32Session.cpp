#include "shell/win32/Win32Session.h"

#include "platform/Utf8Path.h"

namespace brenmark::win32 {

namespace {

EngineSession::Options EngineOptions(const Win32Session::Options& options) {
  EngineSession::Options engine;
  engine.virtualRecorderFolder = platform::PathFromUtf8(options.virtualDiscFolder);
  engine.realDrives = options.realDrives;
  return engine;
}

}  // namespace

Win32Session::Win32Session(FileChooser& files, const Options& options)
    : prompt_(ui_),
      engine_(prompt_, EngineOptions(options)),
      files_(files),
      window_(std::make_unique<CMainDlg>(
          MainDlgServices{engine_, prompt_, ui_, files_, options.settings ? *options.settings : runSettings_})) {
  for (const std::string& problem : engine_.StartupProblems()) prompt_.ShowMessage(problem, MessageIcon::Error);
}

Win32Session::~Win32Session() {
  prompt_.Dismiss();
  window_.reset();
}

void Win32Session::Run() { window_->RunModal(); }

}  // namespace brenmark::win32
