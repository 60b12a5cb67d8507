#include "shell/qt/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>

#include "shell/desktop/DesktopTexts.h"

namespace brenmark::gui {
namespace {

constexpr int kReplyTimeoutMs = 5000;
// The notification stays until the user closes it: nobody may be watching
// when a long burn ends.
constexpr int kNeverExpires = 0;

}  // namespace

void DesktopNotifier::TellJobEnded(const std::string& summary, const std::string& body) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  call << QString::fromUtf8(desktoptext::kApplicationName) << 0u << QStringLiteral("org.brenmark.Brenmark")
       << QString::fromStdString(summary) << QString::fromStdString(body) << QStringList()
       << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("org.brenmark.Brenmark")}} << kNeverExpires;
  // The reply is waited for, so that the program does not quit before the
  // notice has been delivered.
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kReplyTimeoutMs);
  if (reply.type() == QDBusMessage::ReplyMessage) return;
  std::fprintf(stderr, "%s\n%s\n", summary.c_str(), body.c_str());
}

}  // namespace brenmark::gui
