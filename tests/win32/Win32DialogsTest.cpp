// The Windows desktop program's dialogs, driven in-process through window
// messages under Wine: the templates' controls and texts, the main window's
// commands, and a data CD burned through the speed dialog into the virtual
// recorder and left open for a second session (the script that runs this test
// reads the disc with Linux tools).
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Utf8Path.h"
#include "platform/windows/WideText.h"
#include "jobs/burn/PreviousSessionImport.h"
#include "shell/VirtualTrays.h"
#include "shell/desktop/SettingsFile.h"
#include "shell/win32/DialogWatcher.h"
#include "shell/win32/FileChooser.h"
#include "shell/win32/ModalDialog.h"
#include "shell/win32/OpenFileResult.h"
#include "shell/win32/Win32Session.h"
#include "shell/win32/resource.h"
#include "tests/win32/ServeMessages.h"

namespace brenmark::win32 {
namespace {

// The folder the running script gave this test (a Windows path).
std::string WorkFolder() {
  const char* folder = std::getenv("BRENMARK_WIN32_TEST_DIR");
  return folder ? folder : ".";
}

// Answers the folder browser and the open-file dialog from the test's script.
class ScriptedFiles final : public FileChooser {
 public:
  std::deque<std::optional<std::string>> folders;
  std::deque<std::optional<std::vector<std::string>>> files;
  std::vector<std::string> titles;
  std::vector<std::string> filters;
  std::vector<std::string> starts;  // where each dialog opened

  std::optional<std::string> ChooseFolder(HWND, const std::string& title, const std::string& startFolder) override {
    titles.push_back(title);
    starts.push_back(startFolder);
    return Next(folders);
  }
  std::optional<std::vector<std::string>> ChooseFiles(HWND, const std::string& filter,
                                                      const std::string& startFolder) override {
    filters.push_back(filter);
    starts.push_back(startFolder);
    return Next(files);
  }
  std::optional<std::string> ChooseDiscImage(HWND) override { return std::nullopt; }

 private:
  template <typename T>
  static T Next(std::deque<T>& answers) {
    if (answers.empty()) return {};
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
  }
};

struct Control {
  int id;
  const char* text;  // null: any text
};

struct Template {
  const char* title;
  int width, height;  // dialog units
  std::vector<Control> controls;
};

const Template kMainTemplate{"Brenmark - Demo Application For Oakhollow", 388, 199,
                             {{1000, nullptr}, {1001, ""}, {1002, "..."}, {1003, "Burn &CD"}, {1004, "Burn &DVD"},
                              {1005, "&Run Test"}, {1006, "R&un Test"}, {1007, "Run T&est"}, {1008, "Get Disc &Info"},
                              {1009, "Get De&vice Info"}, {1010, "&Order Oakhollow now"}, {1012, ""}, {1013, "..."},
                              {IDC_ABOUT, "&About..."}, {2, "E&xit"}}};
const Template kAboutTemplate{"About Brenmark", 235, 153, {{1, "OK"}}};
const Template kSpeedTemplate{"Oakhollow Demo - Speed Selection", 186, 123,
                              {{1000, nullptr}, {1019, "Leave disc open for more sessions"},
                               {1023, "Verify written data"}, {1, "Burn"}, {2, "Cancel"}}};
const Template kProgressTemplate{"Current Progress - Burn CD on virtual-cd - Finished.", 291, 55,
                                 {{1015, "Disc burned."}, {1014, nullptr}, {1, "Close"}}};
const Template kAudioTemplate{"Oakhollow - Audio CD Burning Test", 291, 227,
                              {{1011, nullptr}, {1002, "Add Files..."}, {2, "Cancel"}, {1, "OK"},
                               {1027, "Remove"}, {1028, "Move Up"}, {1029, "Move Down"},
                               {IDC_SOURCE_TOTALS, "Total: 0 files, 0:00, 0.0 MB - 0% of an 80-minute CD."}}};
const Template kVideoTemplate{"Oakhollow - Video CD Burning Test", 292, 170,
                              {{1011, nullptr}, {1002, "Add Files..."}, {2, "Cancel"}, {1, "OK"},
                               {IDC_SOURCE_TOTALS, "Total: 0 files, 0.0 MB - 0% of an 80-minute CD."}}};
const Template kGrabTemplate{"Oakhollow - Audio Grabbing Test", 190, 234, {{1011, nullptr}, {2, "Cancel"}, {1, "Grab"}}};

void ExpectTemplate(HWND dialog, const Template& expected) {
  SCOPED_TRACE(expected.title);
  EXPECT_EQ(WindowText(dialog), expected.title);
  RECT size{0, 0, expected.width, expected.height};
  MapDialogRect(dialog, &size);
  RECT client{};
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);
  for (const Control& control : expected.controls) {
    const HWND item = GetDlgItem(dialog, control.id);
    ASSERT_NE(item, nullptr) << "control " << control.id;
    if (control.text) {
      EXPECT_EQ(WindowText(item), control.text) << "control " << control.id;
    }
  }
}

std::string ClassOf(HWND window) {
  wchar_t name[32] = L"";
  GetClassNameW(window, name, 32);
  return platform::Utf8FromWide(name);
}

// The text of a message box: its longest static text (the icon is a static too).
std::string MessageBoxText(HWND box) {
  std::string text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const std::string childText = WindowText(child);
    if (ClassOf(child) == "Static" && childText.size() > text.size()) text = childText;
  }
  return text;
}

// The text of a file list's row, in `column` (0: the file, 1: its check).
std::string ListText(HWND dialog, int row, int column) {
  wchar_t text[400] = L"";
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 400;
  SendDlgItemMessageW(dialog, IDC_SOURCE_LIST, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return platform::Utf8FromWide(text);
}

// The files of a file list from the top, by their names in the work folder.
std::string ListOrder(HWND dialog) {
  std::string order;
  for (int row = 0; row < SendDlgItemMessageW(dialog, IDC_SOURCE_LIST, LVM_GETITEMCOUNT, 0, 0); ++row) {
    order += ListText(dialog, row, 0).substr(WorkFolder().size() + 1) + " ";
  }
  return order;
}

// The tooltip the list asks its dialog for over `row`.
std::string ListTip(HWND dialog, int row) {
  wchar_t text[INFOTIPSIZE] = L"";
  NMLVGETINFOTIPW tip{
      {GetDlgItem(dialog, IDC_SOURCE_LIST), IDC_SOURCE_LIST, LVN_GETINFOTIPW}, 0, text, INFOTIPSIZE, row, 0, 0};
  SendMessageW(dialog, WM_NOTIFY, IDC_SOURCE_LIST, reinterpret_cast<LPARAM>(&tip));
  return platform::Utf8FromWide(text);
}

// The name a screen reader reads for a control, from the accessibility layer.
std::string AccessibleNameOf(HWND control) {
  IAccessible* accessible = nullptr;
  if (FAILED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                        reinterpret_cast<void**>(&accessible)))) {
    return {};
  }
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  std::string text;
  if (SUCCEEDED(accessible->get_accName(self, &name)) && name) text = platform::Utf8FromWide(name);
  SysFreeString(name);
  accessible->Release();
  return text;
}

// Each field has its static label right before it in z-order, which a screen
// reader reads as the field's name. Wine's accessibility layer reads it so
// for edit fields only, and keeps no names set through its property services
// (the controls named that way are not checked here).
void ExpectFieldsReadTheirLabels(HWND dialog, std::vector<std::pair<int, std::string>> fields) {
  for (const auto& [id, label] : fields) {
    const HWND field = GetDlgItem(dialog, id);
    const HWND before = GetWindow(field, GW_HWNDPREV);
    EXPECT_EQ(ClassOf(before), "Static") << "control " << id;
    EXPECT_EQ(WindowText(before), label) << "control " << id;
    if (ClassOf(field) == "Edit") {
      EXPECT_EQ(AccessibleNameOf(field), label) << "control " << id;
    }
  }
}

RECT WindowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

std::vector<std::string> ComboEntries(HWND combo) {
  std::vector<std::string> entries;
  const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT index = 0; index < count; ++index) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, index, 0)) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    entries.push_back(platform::Utf8FromWide(text.c_str()));
  }
  return entries;
}

class Win32Gui : public ::testing::Test {
 protected:
  void SetUp() override {
    Win32Session::Options options;
    options.virtualDiscFolder = WorkFolder() + "\\data-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    options.realDrives = false;
    session = std::make_unique<Win32Session>(files, options);
    main = session->window().Create();
    ASSERT_NE(main, nullptr);
  }
  void TearDown() override { session.reset(); }

  // Runs `action`, answering the dialogs it opens with `steps`; a dialog
  // nobody expected is named and closed, so that the test goes on.
  void WithDialogs(std::vector<DialogWatcher::Step> steps, const std::function<void()>& action,
                   const std::string& when) {
    DialogWatcher watcher([this](HWND window) { return IsOursToIgnore(window); });
    for (auto& step : steps) watcher.Then(std::move(step));
    for (std::size_t spare = 0; spare < kSpareSteps; ++spare) {
      watcher.Then([](HWND dialog) {
        ADD_FAILURE() << "unexpected dialog \"" << WindowText(dialog) << "\": " << MessageBoxText(dialog);
        ClickLater(dialog, IDCANCEL);
      });
    }
    action();
    EXPECT_EQ(watcher.Pending(), kSpareSteps) << "a dialog expected " << when << " did not open";
  }

  // Presses a main window button, answering the dialogs it opens with `steps`.
  // Scans and reports run on threads of their own: their boxes open and their
  // results arrive while this thread serves its messages.
  void Click(int id, std::vector<DialogWatcher::Step> steps = {}) {
    WithDialogs(std::move(steps), [this, id] {
      SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(main, id)));
      ServeMessagesUntil([this] { return !session->window().IsScanning() && !session->window().IsReportRunning(); });
    }, "after " + std::to_string(id));
  }

  bool IsOursToIgnore(HWND window) {
    if (window == main) return true;
    for (const HWND progress : session->window().progressWindows()) {
      if (window == progress) return true;
    }
    return false;
  }

  // A step that expects a message box saying `text` and closes it.
  static DialogWatcher::Step ExpectMessage(std::string text) {
    return [text](HWND box) {
      EXPECT_EQ(MessageBoxText(box), text);
      ClickLater(box, IDOK);
    };
  }

  // Lets the running jobs end, answering the dialogs they open with `steps`.
  void WaitForJobs(std::vector<DialogWatcher::Step> steps = {}) {
    WithDialogs(std::move(steps),
                [this] { ServeMessagesUntil([this] { return session->window().RunningJobs() == 0; }); },
                "during the job");
    ASSERT_EQ(session->window().RunningJobs(), 0) << "the job did not end";
  }

  // A step that presses a button of the tray dialog and closes it.
  static DialogWatcher::Step TrayButton(int id) {
    return [id](HWND tray) {
      SendMessageW(tray, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
      ClickLater(tray, IDCANCEL);
    };
  }

  static constexpr std::size_t kSpareSteps = 3;

  ScriptedFiles files;
  std::unique_ptr<Win32Session> session;
  HWND main = nullptr;
};

TEST_F(Win32Gui, MainWindowWithItsSystemMenuAndAboutBox) {
  ExpectTemplate(main, kMainTemplate);
  ExpectFieldsReadTheirLabels(main, {{IDC_FOLDER_EDIT, "Selected Folder To Burn:"}, {IDC_OUTPUT_EDIT, "Output Folder:"}});
  const LONG style = GetWindowLongW(main, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_EQ(ComboEntries(GetDlgItem(main, 1000)),
            (std::vector<std::string>{"virtual-cd: Brenmark Virtual CD-RW", "virtual-dvd: Brenmark Virtual DVD-R"}));
  EXPECT_EQ(SendDlgItemMessageW(main, 1000, CB_GETCURSEL, 0, 0), 0);
  // No job yet: nothing for the Jobs menu to list.
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, IDC_JOBS)));

  const HMENU systemMenu = GetSystemMenu(main, FALSE);
  const int last = GetMenuItemCount(systemMenu) - 1;
  wchar_t about[64] = L"";
  GetMenuStringW(systemMenu, static_cast<UINT>(last), about, 64, MF_BYPOSITION);
  EXPECT_EQ(platform::Utf8FromWide(about), "&About Brenmark...");
  EXPECT_EQ(GetMenuItemID(systemMenu, last), 16u);
  EXPECT_TRUE(GetMenuState(systemMenu, static_cast<UINT>(last - 1), MF_BYPOSITION) & MF_SEPARATOR);

  // The about box opens from the system menu and from the About button.
  const auto expectAbout = [](HWND box) {
    ExpectTemplate(box, kAboutTemplate);
    ClickLater(box, IDOK);
  };
  DialogWatcher watcher;
  watcher.Then(expectAbout);
  SendMessageW(main, WM_SYSCOMMAND, 16, 0);
  EXPECT_TRUE(watcher.Done());
  Click(IDC_ABOUT, {expectAbout});
}

TEST_F(Win32Gui, DeviceReportAndCancelledOutputFolder) {
  Click(1009, {[](HWND box) {
          EXPECT_EQ(MessageBoxText(box).rfind("Drive Model - virtual-cd: Brenmark Virtual CD-RW", 0), 0u) << MessageBoxText(box);
          EXPECT_EQ(WindowText(box), "Device Information - virtual-cd");
          ClickLater(box, IDOK);
        }});
  // A cancelled folder browser keeps what was there.
  files.folders = {std::nullopt};
  Click(1013);
  EXPECT_EQ(files.titles, std::vector<std::string>{"Choose a folder:"});
  EXPECT_EQ(WindowText(GetDlgItem(main, 1012)), "");
}

TEST_F(Win32Gui, FileListAndTrackDialogs) {
  // Each file is checked as it is added: OK waits for a list with files and
  // none refused.
  const std::string work = WorkFolder();
  files.files = {std::vector<std::string>{work + "\\one.wav", work + "\\missing.wav"},
                 std::vector<std::string>{work + "\\one.wav", work + "\\two.wav"}};
  Click(1005, {[&work](HWND dialog) {
                 ExpectTemplate(dialog, kAudioTemplate);
                 EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
                 SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), 0);
                 EXPECT_EQ(ListText(dialog, 0, 1).rfind("Refused: cannot be read: ", 0), 0u) << ListText(dialog, 0, 1);
                 EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
                 // The row's tooltip holds the whole path and reason; Delete takes the file off.
                 EXPECT_EQ(ListTip(dialog, 0).rfind(work + "\\missing.wav\nRefused: cannot be read: ", 0), 0u);
                 const HWND list = GetDlgItem(dialog, IDC_SOURCE_LIST);
                 ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
                 SendMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
                 EXPECT_EQ(ListOrder(dialog), "one.wav ");
                 SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), 0);
                 // Alt+Down and Move Up move the selected file, which stays selected (so Move Up moves it back).
                 ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
                 SendMessageW(list, WM_SYSKEYDOWN, VK_DOWN, 1 << 29);
                 EXPECT_EQ(ListOrder(dialog), "one.wav two.wav ");
                 SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_LIST_MOVE_UP, BN_CLICKED), 0);
                 EXPECT_EQ(ListOrder(dialog), "two.wav one.wav ");
                 EXPECT_EQ(ListText(dialog, 0, 1), "0:06");
                 EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_SOURCE_TOTALS)).rfind("Total: 2 files, 0:11, ", 0), 0u)
                     << WindowText(GetDlgItem(dialog, IDC_SOURCE_TOTALS));
                 EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
                 ClickLater(dialog, IDOK);
               },
               [](HWND speed) {
                 ExpectTemplate(speed, kSpeedTemplate);
                 EXPECT_FALSE(IsWindowVisible(GetDlgItem(speed, 1019)));
                 ClickLater(speed, IDCANCEL);
               }});
  // The first file chosen is listed last; OK stores the list from the top.
  EXPECT_EQ(session->jobState().sourceFiles, (std::vector<std::string>{work + "\\two.wav", work + "\\one.wav"}));
  EXPECT_EQ(files.filters.back(), "WAV Files (16 bit, Stereo, 44.1kHz)(*.wav)|*.wav||");
  EXPECT_TRUE(session->window().progressWindows().empty());

  Click(1006, {[](HWND dialog) {
    ExpectTemplate(dialog, kVideoTemplate);
    ClickLater(dialog, IDCANCEL);
  }});
  SetDlgItemTextW(main, 1012, L"C:\\grabbed");
  // A blank disc has no tracks, which is all it is told about it: no track dialog.
  Click(1007, {ExpectMessage("The disc in the drive is blank: it holds no audio tracks to grab.")});
  EXPECT_TRUE(session->window().progressWindows().empty());
}

// A job's boxes belong to its window (shown again when hidden), which they
// alone block, and carry its title and the question icon; Enter says No where
// Yes replaces something.
TEST_F(Win32Gui, JobQuestionsAskedOverTheJobsOwnWindow) {
  std::promise<void> go;
  ASSERT_TRUE(session->window().jobBoard().Start(
      [released = go.get_future().share()](JobContext& context) {
        released.wait();
        const bool replace = context.prompt.AskBeforeReplacing("Replace them?");
        return !replace && context.prompt.AskYesNo("Try again?") ? JobEnd::Done : JobEnd::BurnFailed;
      },
      JobInputs{}, "Test Job", "nowhere", nullptr));
  const HWND progress = session->window().progressWindows().back();
  ShowWindow(progress, SW_HIDE);
  go.set_value();
  const auto question = [&](int defaultButton) {
    return [&, defaultButton](HWND box) {
      EXPECT_EQ(WindowText(box), "Test Job on nowhere");
      EXPECT_EQ(GetWindow(box, GW_OWNER), progress);
      EXPECT_TRUE(IsWindowVisible(progress) && !IsWindowEnabled(progress) && IsWindowEnabled(main));
      EXPECT_EQ(LOWORD(SendMessageW(box, DM_GETDEFID, 0, 0)), defaultButton);
      const auto questionIcon = reinterpret_cast<LRESULT>(LoadIconW(nullptr, IDI_QUESTION));
      HWND icon = GetWindow(box, GW_CHILD);
      while (icon && SendMessageW(icon, STM_GETICON, 0, 0) != questionIcon) icon = GetWindow(icon, GW_HWNDNEXT);
      EXPECT_NE(icon, nullptr) << "no question icon";
      ClickLater(box, defaultButton);
    };
  };
  WaitForJobs({question(IDNO), question(IDYES)});
  EXPECT_EQ(session->window().jobBoard().jobs()[0].end, JobEnd::Done);
}

// A second run starts with the drive and the folder the first chose, kept in
// an ini file, and the folder browser opens on the field's folder.
TEST_F(Win32Gui, ASecondRunStartsWithTheRememberedDriveAndFolder) {
  std::optional<desktop::SettingsFile> settings;
  const auto startAgain = [&] {
    session.reset();
    settings.emplace(platform::PathFromUtf8(WorkFolder()) / L"remembered" / L"brenmark.ini");
    Win32Session::Options options;
    options.virtualDiscFolder = WorkFolder() + "\\data-remembered";
    options.realDrives = false;
    options.settings = &*settings;
    session = std::make_unique<Win32Session>(files, options);
    main = session->window().Create();
  };
  startAgain();
  SendDlgItemMessageW(main, IDC_DRIVE_COMBO, CB_SETCURSEL, 1, 0);
  SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_DRIVE_COMBO, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(GetDlgItem(main, IDC_DRIVE_COMBO)));
  const std::string source = WorkFolder() + "\\source";
  files.folders = {source};
  Click(1002);

  startAgain();
  EXPECT_EQ(SendDlgItemMessageW(main, IDC_DRIVE_COMBO, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(WindowText(GetDlgItem(main, IDC_FOLDER_EDIT)), source);
  files.folders = {std::nullopt};
  Click(1002);
  EXPECT_EQ(files.starts, (std::vector<std::string>{"", source}));
}

TEST_F(Win32Gui, DataCdBurnedThroughTheSpeedDialog) {
  const std::string source = WorkFolder() + "\\source";
  files.folders = {source};
  Click(1002);
  EXPECT_EQ(WindowText(GetDlgItem(main, 1001)), source);
  ASSERT_NE(session->jobState().sourceTree, nullptr);

  Click(1003, {[](HWND speed) {
    ExpectTemplate(speed, kSpeedTemplate);
    const auto entries = ComboEntries(GetDlgItem(speed, 1000));
    ASSERT_FALSE(entries.empty());
    EXPECT_NE(entries.front().find("x CD ("), std::string::npos) << entries.front();
    EXPECT_EQ(SendDlgItemMessageW(speed, 1000, CB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(speed, 1019)));
    EXPECT_EQ(IsDlgButtonChecked(speed, 1019), BST_UNCHECKED);
    CheckDlgButton(speed, 1019, BST_CHECKED);
    ClickLater(speed, IDOK);
  }});
  WaitForJobs();
  ASSERT_EQ(session->window().progressWindows().size(), 1u);
  const HWND progress = session->window().progressWindows().front();
  ExpectTemplate(progress, kProgressTemplate);
  EXPECT_TRUE(IsWindowVisible(progress));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(progress, 1)));
  {
    // Escape hides the window, Close disabled as while a job runs, also when
    // the key comes through the main window's modal loop.
    EnableWindow(GetDlgItem(progress, 1), FALSE);
    MSG escape{progress, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(CallMsgFilterW(&escape, MSGF_DIALOGBOX));
    EXPECT_FALSE(IsWindowVisible(progress));
    EnableWindow(GetDlgItem(progress, 1), TRUE);
    ShowWindow(progress, SW_SHOW);
  }

  // The script reads the disc with the Linux tools.
  auto* recorder = session->trays().RecorderFor(session->registry().drive(0));
  const std::filesystem::path image = session->trays().LastFinishedImage(recorder).path;
  ASSERT_FALSE(image.empty());
  // The window's last line says where the disc is kept, with a button to its
  // folder; the Jobs menu lists the job.
  EXPECT_EQ(WindowText(GetDlgItem(progress, IDC_PROGRESS_RESULT)),
            "Finished. The disc is kept as " + platform::Utf8FromPath(std::filesystem::path(image).make_preferred()) + ".");
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(progress, IDC_PROGRESS_IMAGE)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(progress, IDC_PROGRESS_STOP)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, IDC_JOBS)));
  const HMENU jobs = session->window().jobWindows().menu();
  ASSERT_EQ(GetMenuItemCount(jobs), 3);  // the job, a separator, "Clear Ended Jobs"
  wchar_t line[200] = L"";
  GetMenuStringW(jobs, 0, line, 200, MF_BYPOSITION);
  EXPECT_EQ(platform::Utf8FromWide(line), session->window().jobBoard().jobs()[0].startTime +
                                              " Burn CD on virtual-cd, " + source + " - Finished.");
  EXPECT_FALSE(GetMenuState(jobs, JobWindows::kClearEndedItem, MF_BYCOMMAND) & MF_GRAYED);
  std::ofstream(platform::PathFromUtf8(WorkFolder() + "\\burned-cd.txt")) << platform::Utf8FromPath(image) << "\n";

  // Clearing the ended job destroys its window and leaves only the greyed clear item.
  session->window().jobBoard().ClearEnded();
  EXPECT_FALSE(IsWindow(progress));
  const HMENU cleared = session->window().jobWindows().menu();
  ASSERT_EQ(GetMenuItemCount(cleared), 2);
  EXPECT_TRUE(GetMenuState(cleared, JobWindows::kClearEndedItem, MF_BYCOMMAND) & MF_GRAYED);

  // Left open: back in the tray it takes a second session that keeps the first one's files.
  Click(1016, {TrayButton(IDC_TRAY_INSERT_LAST)});
  Click(1008, {[](HWND box) {
          EXPECT_NE(MessageBoxText(box).find("Disc Status - Incomplete Disc"), std::string::npos) << MessageBoxText(box);
          ClickLater(box, IDOK);
        }});
  Click(1003, {[](HWND speed) { ClickLater(speed, IDOK); }});
  // The job tells what it kept in its window, with no box to wait on; the
  // window grows to show it.
  WaitForJobs();
  const HWND second = session->window().progressWindows().back();
  EXPECT_EQ(WindowText(GetDlgItem(second, 1015)), "Disc burned.");
  const HWND notices = GetDlgItem(second, IDC_PROGRESS_NOTICES);
  EXPECT_EQ(WindowText(notices), "3 entries of the previous session imported.\r\n"
                                 "Replaced by the new file: /source/Фото/привет.txt\r\n"
                                 "Replaced by the new file: /source/Фото/deeper/data.bin");
  EXPECT_TRUE(IsWindowVisible(notices));
  RECT box{}, frame{};
  GetWindowRect(notices, &box);
  GetWindowRect(second, &frame);
  EXPECT_LT(box.bottom, frame.bottom);
}

// Burn takes the folder the field shows: a path typed without Enter is
// scanned, then burned; Cancel of a scan puts back the folder taken before.
// The speed dialog opens centred over the main window, the progress window
// beside it, both within the work area.
TEST_F(Win32Gui, BurnTakesTheTypedFolderAndWindowsOpenInReach) {
  SetWindowPos(main, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  const RECT mainRect = WindowRect(main);
  const auto within = [&area](const RECT& rect) {
    return rect.left >= area.left && rect.top >= area.top && rect.right <= area.right && rect.bottom <= area.bottom;
  };
  const std::string typed = WorkFolder() + "\\source\\Фото";
  SetDlgItemTextW(main, 1001, platform::WideFromUtf8(typed).c_str());
  Click(1003, {[&](HWND speed) {
    const RECT rect = WindowRect(speed);
    EXPECT_LE(std::abs((rect.left + rect.right) - (mainRect.left + mainRect.right)), 2);
    EXPECT_LE(std::abs((rect.top + rect.bottom) - (mainRect.top + mainRect.bottom)), 2);
    EXPECT_TRUE(within(rect));
    ClickLater(speed, IDOK);
  }});
  EXPECT_EQ(WindowText(GetDlgItem(main, 1001)), typed);
  ASSERT_NE(session->jobState().sourceTree, nullptr);
  EXPECT_EQ(session->jobState().sourceTree->entries().front()->sourceName(), "Фото");
  WaitForJobs();
  ASSERT_EQ(session->window().progressWindows().size(), 1u);
  const RECT progress = WindowRect(session->window().progressWindows().front());
  EXPECT_TRUE(within(progress));
  // Right of the main window, or as far right as the area allows when there is no room beside it.
  if (mainRect.right + (progress.right - progress.left) <= area.right) {
    EXPECT_EQ(progress.left, mainRect.right);
  } else {
    EXPECT_EQ(progress.right, area.right);
  }

  SetDlgItemTextW(main, 1001, platform::WideFromUtf8(WorkFolder()).c_str());
  SetFocus(GetDlgItem(main, 1001));
  SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ASSERT_TRUE(session->window().IsScanning());
  SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_CANCEL_SCAN, BN_CLICKED), 0);
  EXPECT_EQ(WindowText(GetDlgItem(main, 1001)), typed);
  EXPECT_EQ(session->jobState().sourceTree->entries().front()->sourceName(), "Фото");
}

// The question asked when a previous session cannot be kept is a Yes/No box.
TEST_F(Win32Gui, PreviousSessionQuestionAsAMessageBox) {
  const std::string question = AppendWithoutQuestion("its last session holds audio, not an ISO 9660 file system");
  DialogWatcher watcher;
  watcher.Then([&question](HWND box) {
    EXPECT_EQ(MessageBoxText(box), question);
    EXPECT_NE(GetDlgItem(box, IDYES), nullptr);
    ClickLater(box, IDNO);
  });
  EXPECT_FALSE(session->prompt().AskYesNo(question));
  EXPECT_TRUE(watcher.Done());
}

// The folder is scanned on a thread of its own: the window goes on serving
// messages with Burn disabled and Cancel shown, and takes the tree when the
// scan has ended; leaving while a scan runs stops it.
TEST_F(Win32Gui, FolderScannedOffTheWindowsThread) {
  const std::string source = WorkFolder() + "\\source";
  files.folders = {source, WorkFolder()};
  const auto choose = [this] { SendMessageW(main, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), 0); };
  const auto expectScanning = [this](bool scanning) {
    EXPECT_EQ(session->window().IsScanning(), scanning);
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(main, 1003)) != FALSE, !scanning);
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(main, 1004)) != FALSE, !scanning);
    EXPECT_EQ(IsWindowVisible(GetDlgItem(main, IDC_SCAN_STATUS)) != FALSE, scanning);
    EXPECT_EQ(IsWindowVisible(GetDlgItem(main, IDC_CANCEL_SCAN)) != FALSE, scanning);
  };
  choose();
  // Nothing is handed over before this thread serves its messages again.
  expectScanning(true);
  EXPECT_EQ(session->jobState().sourceTree, nullptr);
  EXPECT_EQ(WindowText(GetDlgItem(main, 1001)), source);
  ServeMessagesUntil([this] { return !session->window().IsScanning(); });
  expectScanning(false);
  ASSERT_NE(session->jobState().sourceTree, nullptr);

  choose();
  session.reset();
}

// Exit while a job runs: once the user agrees the main window goes, the job
// finishes, and its end is told in a message box that needs no main window.
TEST_F(Win32Gui, JobEndAfterLeavingToldInAMessage) {
  std::promise<void> go;
  const std::shared_future<void> released = go.get_future().share();
  ASSERT_TRUE(session->window().jobBoard().Start(
      [released](JobContext&) {
        released.wait();
        return JobEnd::Done;
      },
      JobInputs{}, "Test Job", "nowhere", nullptr));
  WithDialogs({[&go](HWND question) {
                 ClickLater(question, IDYES);
                 go.set_value();
               },
               [](HWND told) {
                 EXPECT_EQ(WindowText(told), "Brenmark: Test Job on nowhere");
                 EXPECT_EQ(MessageBoxText(told), "Finished.");
                 EXPECT_EQ(GetWindow(told, GW_OWNER), nullptr);
                 ClickLater(told, IDOK);
               }},
              [this] { SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }, "on leaving");
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_EQ(session->window().RunningJobs(), 0);
}

// Audio CD, grab and Video CD through their dialogs, each job ending with its
// window back and Close enabled; the script checks the files they made.
TEST_F(Win32Gui, AudioCdGrabAndVideoCdRuns) {
  const std::string work = WorkFolder();
  auto* recorder = session->trays().RecorderFor(session->registry().drive(0));
  const auto addFilesThenOk = [](HWND dialog) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), 0);
    ClickLater(dialog, IDOK);
  };
  const auto burnAtFirstSpeed = [](HWND speed) { ClickLater(speed, IDOK); };
  const auto expectFinished = [this](const char* status) {
    WaitForJobs();
    const HWND progress = session->window().progressWindows().back();
    EXPECT_TRUE(WindowText(progress).ends_with(" - Finished.")) << WindowText(progress);
    if (status) {
      EXPECT_EQ(WindowText(GetDlgItem(progress, 1015)), status);
    }
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(progress, 1)));
  };
  std::ofstream images(platform::PathFromUtf8(work + "\\burned-audio-and-video.txt"));

  files.files = {std::vector<std::string>{work + "\\one.wav", work + "\\two.wav"}};
  Click(1005, {addFilesThenOk, burnAtFirstSpeed});
  expectFinished(nullptr);
  images << platform::Utf8FromPath(session->trays().LastFinishedImage(recorder).path) << "\n";

  // The burned disc back in the tray, both tracks grabbed (the list shows
  // "two" first, so it is track 1).
  Click(1016, {TrayButton(IDC_TRAY_INSERT_LAST)});
  SetDlgItemTextW(main, 1012, platform::WideFromUtf8(work + "\\grabbed").c_str());
  Click(1007, {[](HWND dialog) {
    ExpectTemplate(dialog, kGrabTemplate);
    ExpectFieldsReadTheirLabels(dialog, {{IDC_SOURCE_LIST, "Select tracks to grab:"},
                                         {IDC_GRAB_FORMAT, "Format:"},
                                         {IDC_GRAB_BITRATE, "MP3 bit rate:"}});
    EXPECT_EQ(SendDlgItemMessageW(dialog, 1011, LB_GETCOUNT, 0, 0), 2);
    // Every track is selected at first; Grab waits for at least one.
    EXPECT_EQ(SendDlgItemMessageW(dialog, 1011, LB_GETSELCOUNT, 0, 0), 2);
    SendDlgItemMessageW(dialog, 1011, LB_SETSEL, FALSE, -1);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1011, LBN_SELCHANGE), 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    SendDlgItemMessageW(dialog, 1011, LB_SETSEL, TRUE, -1);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1011, LBN_SELCHANGE), 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    ClickLater(dialog, IDOK);
  }});
  expectFinished("2 Tracks Grabbed");
  // The finished grab offers its output folder.
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(session->window().progressWindows().back(), IDC_PROGRESS_IMAGE)));

  Click(1016, {TrayButton(IDC_TRAY_INSERT_BLANK)});
  files.files = {std::vector<std::string>{work + "\\clip.mpg"}};
  Click(1006, {addFilesThenOk, burnAtFirstSpeed});
  expectFinished(nullptr);
  images << platform::Utf8FromPath(session->trays().LastFinishedImage(recorder).path) << "\n";
  EXPECT_EQ(session->window().progressWindows().size(), 3u);
}

TEST(OpenFileResult, ManyNamesAfterTheirFolder) {
  // A selection whose names add up to far more than a path's 260 characters.
  std::wstring result = L"C:\\Music";
  result.push_back(L'\0');
  std::vector<std::wstring> expected;
  for (int i = 0; i < 40; ++i) {
    const std::wstring name = L"a rather long track name number " + std::to_wstring(i) + L".wav";
    result += name;
    result.push_back(L'\0');
    expected.push_back(L"C:\\Music\\" + name);
  }
  result.push_back(L'\0');
  EXPECT_GT(result.size(), 260u);
  EXPECT_LE(result.size(), kOpenFileResultChars);
  EXPECT_EQ(SplitOpenFileResult(result.data(), result.size()), expected);
  EXPECT_EQ(SplitOpenFileResult(L"C:\\one.wav\0", 12), std::vector<std::wstring>{L"C:\\one.wav"});
}

}  // namespace
}  // namespace brenmark::win32
