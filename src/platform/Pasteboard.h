#pragma once

#include "platform/PasteboardItem.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QtGlobal>

#include <optional>

namespace quillstack {

// The system clipboard, through the operations the program relies on. Representations are
// named by MIME-like types; the constants below are the ones capture and write-back use
// (Markdown travels as ClipboardEntry::markdownPBType(), "text/markdown").
//
// Writes replace the whole contents; callers clear first, then make exactly one write.
//
// Threads: the object lives on the GUI thread, which makes every write and receives changed().
// changeCount() may be read from any thread. The reads (pasteboardItems, hasType, data, string,
// imageData) are made by one capture at a time on a worker thread, never on the GUI thread:
// a backend answers them on a connection of its own, each request bounded by a time-out, so that
// an owner that is slow or never answers holds up only the worker. A read that runs into its
// time-out returns nothing, and that owner is asked nothing more until the clipboard changes.
class Pasteboard : public QObject {
    Q_OBJECT

public:
    static QString stringType() { return QStringLiteral("text/plain"); }
    static QString htmlType() { return QStringLiteral("text/html"); }
    static QString pngType() { return QStringLiteral("image/png"); }
    static QString tiffType() { return QStringLiteral("image/tiff"); }
    // Per item: one file URL. On the pasteboard as a whole: the URI list as offered.
    static QString fileURLType() { return QStringLiteral("text/uri-list"); }
    // A URL that is not a file URL (a web address).
    static QString urlType() { return QStringLiteral("text/x-moz-url"); }

    explicit Pasteboard(QObject* parent = nullptr) : QObject(parent) {}
    ~Pasteboard() override = default;

    // Changes whenever any process changes the clipboard, the program's own writes included.
    // Safe to call from any thread.
    virtual qint64 changeCount() const = 0;

    // The objects currently on the clipboard; empty when there is nothing to capture.
    virtual QList<PasteboardItem> pasteboardItems() = 0;

    // Whether a representation of that type is offered, without reading it.
    virtual bool hasType(const QString& type) = 0;

    // The bytes of that representation, or nothing.
    virtual std::optional<QByteArray> data(const QString& type) = 0;

    // The text of that representation (invalid UTF-8 decoded leniently), or nothing.
    virtual std::optional<QString> string(const QString& type) = 0;

    // The encoded bytes of an image offered in some other image format than PNG and TIFF,
    // for the caller to decode under its own limits; nothing when there is none.
    virtual std::optional<QByteArray> imageData() = 0;

    // Empties the clipboard.
    virtual void clearContents() = 0;

    // Puts file URLs (in order), or one item on the clipboard.
    virtual void writeObjects(const QList<QUrl>& fileURLs) = 0;
    virtual void writeObjects(const PasteboardItem& item) = 0;

    // Puts one image on the clipboard, offered as these PNG bytes exactly (never decoded here,
    // so an image of any size can be pasted).
    virtual void writeImage(const QByteArray& png) = 0;

    // Puts one text representation of that type on the clipboard.
    virtual void setString(const QString& text, const QString& type) = 0;

signals:
    // The change counter has moved (the program's own writes included); emitted on the GUI thread.
    void changed();
};

} // namespace quillstack
