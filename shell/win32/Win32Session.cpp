#include "shell/win32/Win32Session.h"

#include "drive/PlatformDevices.h"

namespace brenmark::win32 {

Win32Session::Win32Session(FileChooser& files, const Options& options)
    : prompt_(ui_),
      trays_(options.virtualDiscFolder),
      registry_(prompt_, sleeper_,
                trays_.MakeProviders(options.realDrives ? MakePlatformDeviceProvider(prompt_, "") : nullptr)),
      jobs_(registry_, prompt_, leases_),
      files_(files),
      window_(std::make_unique<CMainDlg>(
          MainDlgServices{registry_, leases_, jobs_, jobState_, prompt_, ui_, files_, trays_})) {
  leases_.HoldVirtualRecorders([this](int drive) { return trays_.RecorderAt(registry_, drive); });
  for (const std::string& problem : trays_.StartupProblems()) prompt_.ShowMessage(problem, MessageIcon::Error);
}

Win32Session::~Win32Session() {
  prompt_.Dismiss();
  window_.reset();
}

void Win32Session::Run() { window_->RunModal(); }

}  // namespace brenmark::win32
