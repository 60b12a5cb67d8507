#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

#include "shell/qt/CMainDlg.h"
#include "shell/qt/DesktopSession.h"
#include "tests/gui/ModalHandler.h"
#include "tests/gui/ScriptedFrontEnd.h"

namespace brenmark::gui::test {

// The control of `root` that carries `id`, or null.
template <typename Widget = QWidget>
Widget* Control(QWidget& root, int id) {
  for (Widget* widget : root.findChildren<Widget*>()) {
    const QVariant value = widget->property("controlId");
    if (value.isValid() && value.toInt() == id) return widget;
  }
  return nullptr;
}

inline void Click(QWidget& root, int id) {
  auto* button = Control<QAbstractButton>(root, id);
  if (button) button->click();
}

// A desktop session on the virtual recorders only, with its discs in a
// temporary folder and scripted boxes and file dialogs; it remembers nothing
// between runs unless given a store.
class GuiHarness {
 public:
  explicit GuiHarness(desktop::SettingsStore* settings = nullptr) {
    DesktopSession::Options options;
    options.virtualDiscFolder = discs.path();
    options.realDrives = false;
    options.settings = settings;
    session = std::make_unique<DesktopSession>(presenter, files, options);
  }

  CMainDlg& window() { return session->window(); }

  // A folder with a few files, ready to be burned.
  QString MakeSourceFolder(const QString& name) {
    QDir root(sources.path());
    root.mkpath(name + QStringLiteral("/sub"));
    WriteFile(root.filePath(name + QStringLiteral("/readme.txt")), QByteArray("hello disc\n"));
    WriteFile(root.filePath(name + QStringLiteral("/sub/data.bin")), QByteArray(70000, 'x'));
    return root.filePath(name);
  }

  QTemporaryDir discs;
  QTemporaryDir sources;
  ScriptedPresenter presenter;
  ScriptedFileBrowser files;
  std::unique_ptr<DesktopSession> session;

 private:
  static void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
  }
};

}  // namespace brenmark::gui::test
