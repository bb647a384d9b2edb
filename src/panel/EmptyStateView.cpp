#include "panel/EmptyStateView.h"

#include "app/SymbolIcon.h"
#include "settings/ViewStyle.h"

#include <QLabel>
#include <QVBoxLayout>

namespace quillstack {

namespace {

QLabel* label(const QString& text, const QFont& font, const QColor& colour) {
    auto* result = new QLabel(text);
    result->setFont(font);
    result->setAlignment(Qt::AlignCenter);
    QPalette palette = result->palette();
    palette.setColor(QPalette::WindowText, colour);
    result->setPalette(palette);
    return result;
}

} // namespace

EmptyStateView::EmptyStateView(const QString& symbol, int symbolSize, const QString& headline,
                               const QString& hint, QWidget* parent)
    : QWidget(parent) {
    auto* glyph = new QLabel;
    glyph->setAlignment(Qt::AlignCenter);
    glyph->setPixmap(QPixmap::fromImage(SymbolIcon::image(
        symbol, ViewStyle::secondary(), QSize(symbolSize, symbolSize), devicePixelRatioF())));
    headline_ = label(headline, ViewStyle::font(16, QFont::Medium), ViewStyle::primary());
    hint_ = label(hint, ViewStyle::font(12), ViewStyle::secondary());

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);
    stack->addStretch(1);
    stack->addWidget(glyph);
    stack->addWidget(headline_);
    stack->addWidget(hint_);
    stack->addStretch(1);
}

QString EmptyStateView::headline() const {
    return headline_->text();
}

QString EmptyStateView::hint() const {
    return hint_->text();
}

} // namespace quillstack
