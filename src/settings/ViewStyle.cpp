#include "settings/ViewStyle.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace quillstack {

QFont ViewStyle::font(qreal pixelSize, QFont::Weight weight, bool monospaced) {
    QFont result =
        monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QGuiApplication::font();
    if (monospaced) {
        result.setStyleHint(QFont::Monospace);
    }
    result.setPixelSize(qRound(pixelSize));
    result.setWeight(weight);
    return result;
}

QColor ViewStyle::white(qreal opacity) {
    QColor colour(Qt::white);
    colour.setAlphaF(static_cast<float>(opacity));
    return colour;
}

QColor ViewStyle::accent() {
    const QColor highlight = QGuiApplication::palette().color(QPalette::Highlight);
    if (highlight.hsvSaturationF() >= 0.35f && highlight.valueF() >= 0.45f) {
        return highlight;
    }
    return {10, 132, 255};
}

QPalette ViewStyle::darkPalette() {
    QPalette palette;
    const QColor window(36, 37, 42);
    const QColor base(30, 31, 35);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::WindowText, primary());
        palette.setColor(group, QPalette::Base, base);
        palette.setColor(group, QPalette::AlternateBase, window);
        palette.setColor(group, QPalette::Text, primary());
        palette.setColor(group, QPalette::Button, QColor(58, 59, 65));
        palette.setColor(group, QPalette::ButtonText, primary());
        palette.setColor(group, QPalette::Highlight, accent());
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::PlaceholderText, white(0.38));
        palette.setColor(group, QPalette::ToolTipBase, QColor(44, 45, 50));
        palette.setColor(group, QPalette::ToolTipText, primary());
        palette.setColor(group, QPalette::Light, white(0.2));
        palette.setColor(group, QPalette::Mid, white(0.12));
        palette.setColor(group, QPalette::Dark, QColor(20, 20, 23));
        palette.setColor(group, QPalette::Shadow, Qt::black);
    }
    palette.setColor(QPalette::Disabled, QPalette::WindowText, white(0.35));
    palette.setColor(QPalette::Disabled, QPalette::Text, white(0.35));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, white(0.35));
    palette.setColor(QPalette::Disabled, QPalette::Window, window);
    palette.setColor(QPalette::Disabled, QPalette::Base, base);
    return palette;
}

QString ViewStyle::popupListStyleSheet() {
    const QColor accentColour = accent();
    return QStringLiteral("QAbstractItemView { background: #2a2b30; color: rgba(255,255,255,235);"
                          " border: 1px solid rgba(255,255,255,40); padding: 4px; outline: 0;"
                          " selection-background-color: %1; selection-color: white; }"
                          "QAbstractItemView::item { min-height: 24px; padding: 0px 8px;"
                          " border-radius: 5px; }")
        .arg(accentColour.name());
}

} // namespace quillstack
