#pragma once

#include <QWidget>

class QLabel;

namespace quillstack {

// A list state without rows: a symbol, a headline and a hint, centred in the list area.
class EmptyStateView : public QWidget {
    Q_OBJECT

public:
    EmptyStateView(const QString& symbol, int symbolSize, const QString& headline,
                   const QString& hint, QWidget* parent = nullptr);

    QString headline() const;
    QString hint() const;

private:
    QLabel* headline_ = nullptr;
    QLabel* hint_ = nullptr;
};

} // namespace quillstack
