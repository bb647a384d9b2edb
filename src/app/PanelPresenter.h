#pragma once

#include <QPointF>

namespace quillstack {

// The history panel as the application shell drives it: shown at a point, hidden, asked
// whether it shows. Points are given with the origin at the bottom left of the desktop and y
// growing upwards, as pointerLocation() reports the pointer.
class PanelPresenter {
public:
    virtual ~PanelPresenter() = default;

    virtual bool isVisible() const = 0;
    virtual void show(const QPointF& point) = 0;
    virtual void hide() = 0;
    virtual QPointF pointerLocation() const = 0;
};

} // namespace quillstack
