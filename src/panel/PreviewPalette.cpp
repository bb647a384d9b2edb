#include "panel/PreviewPalette.h"

#include <QGuiApplication>
#include <QPalette>

namespace quillstack {

PreviewPalette PreviewPalette::light() {
    return {QColor(0, 0, 0, 217),     QColor(0x00, 0x7a, 0xff), QColor(0x1f, 0xa2, 0x3a),
            QColor(0xd9, 0x7a, 0x00), QColor(0x00, 0x68, 0xda), QColor(0, 0, 0, 64)};
}

PreviewPalette PreviewPalette::dark() {
    return {QColor(255, 255, 255, 217), QColor(0x0a, 0x84, 0xff), QColor(0x32, 0xd7, 0x4b),
            QColor(0xff, 0x9f, 0x0a),   QColor(0x6c, 0xb6, 0xff), QColor(255, 255, 255, 72)};
}

PreviewPalette PreviewPalette::from(const QPalette& palette) {
    const bool isDark = palette.color(QPalette::Window).lightnessF() < 0.5;
    PreviewPalette colours = isDark ? dark() : light();
    colours.label = palette.color(QPalette::WindowText);
    return colours;
}

PreviewPalette PreviewPalette::current() {
    return from(QGuiApplication::palette());
}

} // namespace quillstack
