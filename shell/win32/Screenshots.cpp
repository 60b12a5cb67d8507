#include "shell/win32/Screenshots.h"

#include <functional>
#include <string>
#include <vector>

#include "audio/TrackTimeTable.h"
#include "jobs/SpeedSelection.h"
#include "platform/Utf8Path.h"
#include "shell/desktop/DesktopTexts.h"
#include "shell/win32/CAboutDlg.h"
#include "shell/win32/CProgressDlg.h"
#include "shell/win32/CSpeedSelectDlg.h"
#include "shell/win32/CTestGrabDlg.h"
#include "shell/win32/CTrayDlg.h"
#include "shell/win32/DialogWatcher.h"
#include "shell/win32/PngFile.h"
#include "shell/win32/SourceFilesDlg.h"
#include "shell/win32/Win32Session.h"
#include "shell/win32/Win32UserPrompt.h"

namespace brenmark::win32 {

namespace {

// Lets the window draw itself completely before it is taken.
void LetDraw(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// A file chooser whose answers are the examples the screenshots show.
class ExampleFiles final : public FileChooser {
 public:
  std::optional<std::string> ChooseFolder(HWND, const std::string&, const std::string&) override { return std::nullopt; }
  std::optional<std::vector<std::string>> ChooseFiles(HWND, const std::string& filter, const std::string&) override {
    if (filter.find(".wav") != std::string::npos) return std::vector<std::string>{"C:\\Music\\intro.wav", "C:\\Music\\song.wav"};
    return std::vector<std::string>{"C:\\Video\\holiday.mpg"};
  }
  std::optional<std::string> ChooseDiscImage(HWND) override { return std::nullopt; }
};

}  // namespace

bool CaptureWindow(HWND window, const std::filesystem::path& file) {
  LetDraw(window);
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  if (width <= 0 || height <= 0) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  // Taken from the screen, where the window system has drawn the frame too.
  const HDC windowDc = GetDC(nullptr);
  const HDC memoryDc = CreateCompatibleDC(windowDc);
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previous = SelectObject(memoryDc, bitmap);
  BitBlt(memoryDc, 0, 0, width, height, windowDc, frame.left, frame.top, SRCCOPY);
  GdiFlush();
  std::vector<std::uint8_t> pixels(static_cast<const std::uint8_t*>(bits),
                                   static_cast<const std::uint8_t*>(bits) + static_cast<std::size_t>(width) * height * 4);
  // GDI leaves the alpha byte empty; the image is opaque.
  for (std::size_t alpha = 3; alpha < pixels.size(); alpha += 4) pixels[alpha] = 0xFF;
  SelectObject(memoryDc, previous);
  DeleteObject(bitmap);
  DeleteDC(memoryDc);
  ReleaseDC(nullptr, windowDc);
  return WritePngFile(file, width, height, pixels);
}

bool RenderScreenshots(Win32Session& session, const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  bool written = true;
  const HWND main = session.window().Create();
  ShowWindow(main, SW_SHOW);
  written &= CaptureWindow(main, folder / "main-window.png");

  // Each modal dialog is taken once it is up, then closed.
  const auto shoot = [&](const char* name, const std::function<void()>& open, int closeId = IDCANCEL) {
    DialogWatcher watcher([main](HWND window) { return window == main; });
    watcher.Then([&, name, closeId](HWND dialog) {
      written &= CaptureWindow(dialog, folder / name);
      ClickLater(dialog, closeId);
    });
    open();
    written &= watcher.Done();
  };
  shoot("about.png", [&] { CAboutDlg().Show(main); }, IDOK);

  SpeedSelection speeds;
  speeds.Load(session.registry(), 0, session.leases());
  shoot("speed-selection.png", [&] {
    int selected = -1;
    CSpeedSelectDlg(speeds.entries(), /*offerLeaveDiscOpen=*/true).Choose(main, selected);
  });

  ExampleFiles examples;
  std::vector<std::string> sources;
  std::string dialogFolder;
  for (const auto kind : {SourceFilesDlg::Kind::Audio, SourceFilesDlg::Kind::Video}) {
    DialogWatcher watcher([main](HWND window) { return window == main; });
    watcher.Then([&, kind](HWND dialog) {
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), 0);
      written &= CaptureWindow(dialog, folder / (kind == SourceFilesDlg::Kind::Audio ? "audio-files.png" : "video-files.png"));
      ClickLater(dialog, IDCANCEL);
    });
    SourceFilesDlg(kind, examples, sources, dialogFolder).Choose(main);
  }

  shoot("track-selection.png", [&] {
    CTestGrabDlg({audio::TrackListText(1, {0, 2, 0}, {4, 2, 0}), audio::TrackListText(2, {4, 2, 0}, {7, 32, 0})})
        .Choose(main);
  });
  if (auto* recorder = session.trays().RecorderFor(session.registry().drive(0))) {
    shoot("tray.png", [&] {
      CTrayDlg(*recorder, "virtual-cd: Brenmark Virtual CD-RW", session.trays(), examples, session.prompt())
          .Show(main);
    });
  }
  shoot("message.png", [&] { ShowMessageBox(main, "You have not select a folder to burn on disc.", MB_OK); });

  CProgressDlg progress(main, "Current Progress - Burn CD on virtual-cd", [](const std::filesystem::path&) {});
  progress.SetStatus("Writing track 1...");
  progress.SetRange(100);
  progress.SetPos(40);
  progress.EnableClose(false);
  progress.Show();
  written &= CaptureWindow(progress.hwnd(), folder / "progress.png");

  // The same window once its job has ended, with the image its recorder kept.
  const std::filesystem::path image = session.trays().burnedFolder() / "virtual-cd-20261207-041500.cue";
  progress.SetStatus("Disc burned.");
  progress.SetPos(100);
  progress.EnableClose(true);
  progress.SetTitle("Current Progress - Burn CD on virtual-cd - " + desktoptext::OutcomeText(JobEnd::Done));
  progress.ShowEnding(desktoptext::OutcomeText(JobEnd::Done) + " " +
                          desktoptext::KeptImageText(platform::Utf8FromPath(std::filesystem::path(image).make_preferred())),
                      std::filesystem::path(image).parent_path());
  written &= CaptureWindow(progress.hwnd(), folder / "progress-ended.png");
  return written;
}

}  // namespace brenmark::win32
