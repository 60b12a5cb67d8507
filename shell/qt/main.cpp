// brenmark, the Qt desktop program: its options (--data-dir, --screenshots),
// the remembered settings, and the DesktopSession it runs.
#include <QApplication>
#include <QCommandLineParser>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <string_view>

#include "platform/DataFolder.h"
#include "shell/DataFolderCheck.h"
#include "shell/desktop/DesktopTexts.h"
#include "shell/qt/AppIcon.h"
#include "shell/qt/DesktopSession.h"
#include "shell/qt/FileBrowser.h"
#include "shell/qt/MessagePresenter.h"
#include "shell/qt/QtSettingsStore.h"
#include "shell/qt/Screenshots.h"

namespace {

// Whether --version stands among the options (not as the value of one), so
// that it is answered before a display is needed.
bool AsksForVersion(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--") return false;
    if (argument == "--version" || argument == "-v") return true;
    if (argument == "--data-dir" || argument == "--screenshots") ++i;
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (AsksForVersion(argc, argv)) {
    std::printf("%s %s\n", brenmark::desktoptext::kApplicationName, BRENMARK_VERSION);
    return 0;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(brenmark::gui::kApplicationName);
  QApplication::setApplicationVersion(QStringLiteral(BRENMARK_VERSION));
  QApplication::setWindowIcon(brenmark::gui::AppIcon());

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("The desktop test bench for CD and DVD recorders."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption screenshots(
      QStringLiteral("screenshots"),
      QStringLiteral("Render every window and dialog to PNG files in <folder>, then quit."),
      QStringLiteral("folder"));
  const QCommandLineOption dataDir(
      QStringLiteral("data-dir"),
      QStringLiteral("Where the virtual recorders keep their discs (default: %1).")
          .arg(QString::fromUtf8(brenmark::platform::ApplicationDataFolderDescription())),
      QStringLiteral("folder"));
  parser.addOptions({screenshots, dataDir});
  // A wrong command line exits 2, as brenmark-cli's does; process() would exit 1.
  if (!parser.parse(QApplication::arguments())) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(QApplication::applicationName()), qPrintable(parser.errorText()));
    return 2;
  }
  parser.process(app);
  if (parser.isSet(dataDir)) {
    const auto check = brenmark::CheckDataFolder(parser.value(dataDir).toStdString(), "--data-dir");
    if (check.verdict != brenmark::DataFolderCheck::Verdict::Usable) {
      std::fprintf(stderr, "%s: %s\n", qPrintable(QApplication::applicationName()), check.message.c_str());
      return check.verdict == brenmark::DataFolderCheck::Verdict::Empty ? 2 : 1;
    }
  }

  // Screenshots show only the virtual recorders, with discs in a folder of their
  // own, so that they look the same on every machine and leave nothing behind.
  const bool shooting = parser.isSet(screenshots);
  std::unique_ptr<QTemporaryDir> scratch;
  brenmark::gui::DesktopSession::Options options;
  options.virtualDiscFolder = parser.value(dataDir);
  if (shooting && options.virtualDiscFolder.isEmpty()) {
    scratch = std::make_unique<QTemporaryDir>();
    options.virtualDiscFolder = scratch->path();
  }
  options.realDrives = !shooting;
  // Screenshots remember nothing and start from nothing remembered.
  brenmark::gui::QtSettingsStore settings;
  if (!shooting) options.settings = &settings;
  brenmark::gui::MessageBoxPresenter presenter;
  brenmark::gui::DesktopFileBrowser files;
  brenmark::gui::DesktopSession session(presenter, files, options);
  if (shooting) {
    return brenmark::gui::RenderScreenshots(session, parser.value(screenshots)) ? 0 : 1;
  }
  return session.Run();
}
