#pragma once

#include <QString>

namespace brenmark::gui {

class DesktopSession;

// Renders every window and dialog of the application, and its icon, to PNG
// files in `folder` (created when missing). False when a file could not be
// written.
bool RenderScreenshots(DesktopSession& session, const QString& folder);

}  // namespace brenmark::gui
