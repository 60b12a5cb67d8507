#pragma once

#include <QIcon>
#include <QImage>

namespace brenmark::gui {

// The application's icon: a disc with a freshly burned band, drawn at any size.
QImage DrawAppIcon(int size);
// The icon at the usual window and task-bar sizes.
QIcon AppIcon();

}  // namespace brenmark::gui
