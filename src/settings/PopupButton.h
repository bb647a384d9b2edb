#pragma once

#include <QComboBox>

namespace quillstack {

// A pop-up menu button for the dark views: a softly filled rounded rectangle showing the
// current item's text, with an up-and-down chevron on the right. Its list is the combo box's
// own, styled to match.
class PopupButton : public QComboBox {
    Q_OBJECT

public:
    explicit PopupButton(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quillstack
