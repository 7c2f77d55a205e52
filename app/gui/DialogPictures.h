// The dialog's icons, drawn: the application icon (the window's big and small icon, shown while
// the window is minimised) and the product picture, by their resource ids. Drawn rather than
// loaded so that the window needs no files beside the program.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <cstdint>

namespace devio::app::gui {

// The icon resource `iconId` at `width` x `height` pixels; a null pixmap for an unknown id.
QPixmap DialogPicture(uint32_t iconId, int width, int height);
// The application icon in the usual sizes (16 to 256 pixels).
QIcon ApplicationIcon();

} // namespace devio::app::gui
