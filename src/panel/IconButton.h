#pragma once

#include <QAbstractButton>

namespace quillstack {

// A square header button: one of our symbols on a softly filled rounded square. While disabled
// the whole button is drawn at `disabledOpacity`.
class IconButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int side = 30;
    static constexpr qreal disabledOpacity = 0.45;

    explicit IconButton(const QString& symbol, QWidget* parent = nullptr);

    // The opacity the button is drawn with now.
    qreal drawnOpacity() const { return isEnabled() ? 1.0 : disabledOpacity; }

    QSize sizeHint() const override { return {side, side}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
};

} // namespace quillstack
