#include "app/gui/DialogPictures.h"

#include <QPainter>
#include <QPainterPath>

#include "app/VantorDFUDlg.h"

namespace devio::app::gui {

namespace {

// A wireless mouse seen from above, filling `area`: the body, the two buttons, the wheel.
void DrawMouse(QPainter& painter, const QRectF& area) {
    const qreal height = area.height();
    const qreal width = std::min(area.width(), height * 0.62);
    const QRectF body(area.center().x() - width / 2, area.top(), width, height);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient shade(body.topLeft(), body.bottomRight());
    shade.setColorAt(0, QColor(0x4a, 0x4f, 0x57));
    shade.setColorAt(1, QColor(0x16, 0x18, 0x1c));
    painter.setPen(QPen(QColor(0x0b, 0x0c, 0x0e), std::max<qreal>(1, height / 60)));
    painter.setBrush(shade);
    painter.drawRoundedRect(body, width * 0.48, height * 0.36);
    // The seam between the buttons and the line below them.
    painter.setPen(QPen(QColor(0x9a, 0xa3, 0xad), std::max<qreal>(1, height / 80)));
    const qreal split = body.top() + height * 0.42;
    painter.drawLine(QPointF(body.center().x(), body.top() + 1), QPointF(body.center().x(), split));
    painter.drawLine(QPointF(body.left() + width * 0.06, split),
                     QPointF(body.right() - width * 0.06, split));
    // The wheel, in the maker's accent colour.
    const QRectF wheel(body.center().x() - width * 0.07, body.top() + height * 0.12, width * 0.14,
                       height * 0.18);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x00, 0xb4, 0xd8));
    painter.drawRoundedRect(wheel, wheel.width() / 2, wheel.width() / 2);
}

QPixmap DrawApplicationIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x00, 0x7c, 0x9c));
    painter.drawRoundedRect(QRectF(0, 0, size, size), size * 0.2, size * 0.2);
    DrawMouse(painter, QRectF(size * 0.2, size * 0.1, size * 0.6, size * 0.8));
    return pixmap;
}

} // namespace

QPixmap DialogPicture(uint32_t iconId, int width, int height) {
    if (width <= 0 || height <= 0) {
        return {};
    }
    if (iconId == CVantorDFUDlg::IDR_MAINFRAME) {
        return DrawApplicationIcon(std::min(width, height));
    }
    if (iconId != CVantorDFUDlg::IDI_PICTURE) {
        return {};
    }
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    DrawMouse(painter, QRectF(0, 0, width, height).adjusted(2, 2, -2, -2));
    return pixmap;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(DrawApplicationIcon(size));
    }
    return icon;
}

} // namespace devio::app::gui
