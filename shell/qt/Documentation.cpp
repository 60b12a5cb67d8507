#include "shell/qt/Documentation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace brenmark::gui {

QString InstalledDocumentationPath() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/" BRENMARK_DOC_FROM_BIN "/README.md"));
}

QString DocumentationPath() {
  for (const QString& candidate : {InstalledDocumentationPath(), QStringLiteral(BRENMARK_SOURCE_README)}) {
    if (QFileInfo(candidate).isFile()) return candidate;
  }
  return QString();
}

}  // namespace brenmark::gui
