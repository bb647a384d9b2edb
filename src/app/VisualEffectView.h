#pragma once

#include <QColor>
#include <QPainterPath>

class QPainter;

namespace quillstack {

// The panel's translucent background material, drawn with QPainter into whatever surface
// hosts the panel: a smoky dark card that lets the desktop through where a compositing
// manager runs, and the same card opaque where none does.
struct VisualEffectView {
    // The materials and blending modes known by their platform numbers.
    enum class Material { hudWindow = 13 };
    enum class BlendingMode { behindWindow = 0, withinWindow = 1 };

    Material material = Material::hudWindow;
    BlendingMode blending = BlendingMode::withinWindow;

    // The base colour of the material; translucent or opaque.
    QColor baseColor(bool translucent) const;

    // Fills the shape with the material: the base colour with a faint top-down sheen.
    void paint(QPainter& painter, const QPainterPath& shape, bool translucent) const;
};

} // namespace quillstack
