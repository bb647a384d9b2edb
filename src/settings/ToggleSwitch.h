#pragma once

#include <QAbstractButton>
#include <QColor>

namespace quillstack {

// A checkable switch with its label: the text on the left, a pill-shaped switch on the right
// edge. The whole width is the hit area; Space toggles it when it has the focus.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(const QString& text, QWidget* parent = nullptr);

    // The track's colour while on.
    void setOnColor(const QColor& color);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

private:
    QColor onColor_{10, 132, 255};
};

} // namespace quillstack
