// brenmark.exe, the Windows desktop program: its options (--data-dir,
// --screenshots), the remembered settings in brenmark.ini in the data folder,
// and the Win32Session it runs.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/DataFolder.h"
#include "platform/Utf8Path.h"
#include "platform/windows/WideText.h"
#include "shell/DataFolderCheck.h"
#include "shell/desktop/SettingsFile.h"
#include "shell/win32/FileChooser.h"
#include "shell/win32/Screenshots.h"
#include "shell/win32/Win32Session.h"
#include "shell/win32/Win32UserPrompt.h"

namespace {

constexpr const char* kUsage =
    "brenmark [--data-dir FOLDER] [--screenshots FOLDER]\n\n"
    "--data-dir FOLDER     where the virtual recorders keep their discs\n"
    "--screenshots FOLDER  write every window and dialog to PNG files in FOLDER, then quit";

struct Arguments {
  std::optional<std::string> dataDir;
  std::optional<std::string> screenshots;
};

// The two options, each with a folder; nothing for anything else.
std::optional<Arguments> ParseArguments() {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(brenmark::platform::Utf8FromWide(words[i]));
  LocalFree(words);
  Arguments parsed;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    if ((option == "--data-dir" || option == "--screenshots") && i + 1 < arguments.size()) {
      (option == "--data-dir" ? parsed.dataDir : parsed.screenshots) = arguments[++i];
    } else {
      return std::nullopt;
    }
  }
  return parsed;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace brenmark;
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                                                         ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  const auto arguments = ParseArguments();
  if (!arguments) {
    win32::ShowMessageBox(nullptr, kUsage, MB_OK | MB_ICONERROR);
    return 2;
  }
  if (arguments->dataDir) {
    const auto check = CheckDataFolder(*arguments->dataDir, "--data-dir");
    if (check.verdict != DataFolderCheck::Verdict::Usable) {
      std::fprintf(stderr, "brenmark: %s\n", check.message.c_str());
      if (!arguments->screenshots) win32::ShowMessageBox(nullptr, check.message, MB_OK | MB_ICONERROR);
      return check.verdict == DataFolderCheck::Verdict::Empty ? 2 : 1;
    }
  }

  win32::SystemFileChooser files;
  win32::Win32Session::Options options;
  options.virtualDiscFolder = arguments->dataDir.value_or("");
  // Screenshots show only the virtual recorders, so that they look the same on every machine.
  options.realDrives = !arguments->screenshots;
  // Remembered in the data folder the recorders use; screenshots start from
  // nothing remembered and keep nothing.
  const std::filesystem::path dataFolder =
      arguments->dataDir ? platform::PathFromUtf8(*arguments->dataDir) : platform::ApplicationDataFolder();
  desktop::SettingsFile settings(dataFolder / L"brenmark.ini");
  if (!arguments->screenshots) options.settings = &settings;
  win32::Win32Session session(files, options);
  int status = 0;
  if (arguments->screenshots) {
    status = win32::RenderScreenshots(session, platform::PathFromUtf8(*arguments->screenshots)) ? 0 : 1;
  } else {
    session.Run();
  }
  CoUninitialize();
  return status;
}
