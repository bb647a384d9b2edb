#include "panel/PreviewDocument.h"

#include <QList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>
#include <QTextTableCell>

#include <utility>

namespace quillstack {

namespace {

void removeFrameBackgrounds(QTextFrame* frame) {
    QTextFrameFormat format = frame->frameFormat();
    if (format.hasProperty(QTextFormat::BackgroundImageUrl)) {
        format.clearProperty(QTextFormat::BackgroundImageUrl);
        frame->setFrameFormat(format);
    }
    if (auto* table = qobject_cast<QTextTable*>(frame)) {
        for (int row = 0; row < table->rows(); ++row) {
            for (int column = 0; column < table->columns(); ++column) {
                QTextTableCell cell = table->cellAt(row, column);
                QTextCharFormat cellFormat = cell.format();
                if (cellFormat.hasProperty(QTextFormat::BackgroundImageUrl)) {
                    cellFormat.clearProperty(QTextFormat::BackgroundImageUrl);
                    cell.setFormat(cellFormat);
                }
            }
        }
    }
    const QList<QTextFrame*> children = frame->childFrames();
    for (QTextFrame* child : children) {
        removeFrameBackgrounds(child);
    }
}

} // namespace

PreviewDocument::PreviewDocument(QObject* parent) : QTextDocument(parent) {}

QVariant PreviewDocument::loadResource(int, const QUrl&) {
    return {};
}

void PreviewDocument::removeExternalResources() {
    removeFrameBackgrounds(rootFrame());
    // Image objects, collected first and removed from the end so positions stay valid.
    QList<std::pair<int, int>> images;
    for (QTextBlock block = begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && fragment.charFormat().isImageFormat()) {
                images.append({fragment.position(), fragment.length()});
            }
        }
    }
    QTextCursor cursor(this);
    for (auto image = images.crbegin(); image != images.crend(); ++image) {
        cursor.setPosition(image->first);
        cursor.setPosition(image->first + image->second, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
}

} // namespace quillstack
