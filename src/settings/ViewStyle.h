#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

namespace quillstack {

// The fonts and colours shared by the dark panel views (the history panel and the shortcut
// settings card). Sizes are pixels, so that one unit of the layout is one unit of the text.
class ViewStyle {
public:
    ViewStyle() = delete;

    // The system UI font at the given pixel size and weight; the monospaced system font when
    // `monospaced` is set.
    static QFont font(qreal pixelSize, QFont::Weight weight = QFont::Normal,
                      bool monospaced = false);

    // Primary and secondary label colours on the dark card.
    static QColor primary() { return {255, 255, 255, 235}; }
    static QColor secondary() { return {235, 235, 245, 150}; }
    // White at the given opacity.
    static QColor white(qreal opacity);
    // The accent colour: the palette's highlight when it is saturated enough to read as one,
    // otherwise the system blue.
    static QColor accent();

    // A dark palette for the views and the widgets inside them.
    static QPalette darkPalette();
    // The style sheet of drop-down lists opened from the views' pop-up buttons.
    static QString popupListStyleSheet();
};

} // namespace quillstack
