#include "entries/PasteboardWriter.h"

#include "entries/ClipboardEntry.h"
#include "entries/EntryText.h"
#include "entries/ImageNormalizer.h"
#include "platform/Pasteboard.h"

#include <QUrl>

namespace quillstack {

namespace {

bool isNonEmpty(const std::optional<QString>& value) {
    return value && !value->isEmpty();
}

} // namespace

void PasteboardWriter::write(const ClipboardEntry& entry, Pasteboard& pasteboard) {
    pasteboard.clearContents();

    if (!entry.filePaths().isEmpty()) {
        QList<QUrl> urls;
        for (const QString& path : entry.filePaths()) {
            urls.append(QUrl::fromLocalFile(path));
        }
        pasteboard.writeObjects(urls);
        return;
    }
    if (entry.imagePNGData()) {
        if (const auto png = ImageNormalizer::pasteablePNG(*entry.imagePNGData())) {
            pasteboard.writeImage(*png);
            return;
        }
    }
    if (isNonEmpty(entry.html())) {
        const QString& html = *entry.html();
        PasteboardItem item;
        item.setString(html, Pasteboard::htmlType());
        QString plain;
        if (entry.text()) {
            plain = *entry.text();
        } else if (const auto converted = EntryText::htmlToPlainText(html)) {
            plain = *converted;
        } else {
            plain = html;
        }
        item.setString(plain, Pasteboard::stringType());
        pasteboard.writeObjects(item);
        return;
    }
    if (isNonEmpty(entry.markdown())) {
        PasteboardItem item;
        item.setString(*entry.markdown(), ClipboardEntry::markdownPBType());
        item.setString(entry.text() ? *entry.text() : *entry.markdown(), Pasteboard::stringType());
        pasteboard.writeObjects(item);
        return;
    }
    if (isNonEmpty(entry.text())) {
        pasteboard.setString(*entry.text(), Pasteboard::stringType());
        return;
    }
    if (isNonEmpty(entry.colorHex())) {
        pasteboard.setString(*entry.colorHex(), Pasteboard::stringType());
    }
}

} // namespace quillstack
