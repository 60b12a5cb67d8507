// Build tool: writes the application icon as PNG files of the sizes asked
// for, so that the installed icon is the one the windows draw.
// Usage: brenmark-render-icon FOLDER SIZE...  (writes FOLDER/SIZE.png)
#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>

#include "shell/qt/AppIcon.h"

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s FOLDER SIZE...\n", argv[0]);
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(QStringLiteral("."))) return 1;
  for (int i = 2; i < argc; ++i) {
    const int size = QString::fromLatin1(argv[i]).toInt();
    if (size <= 0) return 2;
    if (!brenmark::gui::DrawAppIcon(size).save(folder.filePath(QString::number(size) + QStringLiteral(".png")))) {
      return 1;
    }
  }
  return 0;
}
