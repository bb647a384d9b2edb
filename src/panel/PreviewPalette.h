#pragma once

#include <QColor>

class QPalette;

namespace quillstack {

// The colours of formatted previews: the label colour for plain code, the three accents of the
// highlighting passes, and the link and table-border colours, in a light and a dark variant.
struct PreviewPalette {
    QColor label;
    QColor keyword; // blue
    QColor comment; // green
    QColor string;  // orange
    QColor link;    // links in formatted previews
    QColor border;  // table borders in formatted previews

    static PreviewPalette light();
    static PreviewPalette dark();
    // Follows a widget palette: its window text colour for labels and the accents of its
    // brightness.
    static PreviewPalette from(const QPalette& palette);
    // Follows the application's palette (QGuiApplication::palette()).
    static PreviewPalette current();

    bool operator==(const PreviewPalette&) const = default;
};

} // namespace quillstack
