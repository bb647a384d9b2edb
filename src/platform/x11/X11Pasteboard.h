#pragma once

#include "platform/Pasteboard.h"

#include <QClipboard>
#include <QHash>
#include <QObject>
#include <QStringList>

#include <optional>

class QMimeData;

namespace quillstack {

// The CLIPBOARD selection through QClipboard (PRIMARY is ignored).
//
// Reading asks the owner only for the types capture uses, each at most once per change of
// the clipboard: the offered types are fetched once, and every read is kept until the next
// change. An owner that lets a request run into Qt's time-out is asked nothing more until the
// clipboard changes again. Each file:// URI of text/uri-list is one item; other URIs (also
// from text/x-moz-url) are the URL type.
class X11Pasteboard final : public QObject, public Pasteboard {
    Q_OBJECT

public:
    // Needs a QGuiApplication on the xcb platform.
    explicit X11Pasteboard(QObject* parent = nullptr);

    qint64 changeCount() const override { return changeCount_; }
    QList<PasteboardItem> pasteboardItems() override;
    bool hasType(const QString& type) override;
    std::optional<QByteArray> data(const QString& type) override;
    std::optional<QString> string(const QString& type) override;
    std::optional<QByteArray> imageData() override;
    void clearContents() override;
    void writeObjects(const QList<QUrl>& fileURLs) override;
    void writeObjects(const PasteboardItem& item) override;
    void writeImage(const QByteArray& png) override;
    void setString(const QString& text, const QString& type) override;

signals:
    // The CLIPBOARD selection changed (its counter has moved); PRIMARY changes are not told.
    void changed();

private:
    void clipboardChanged(QClipboard::Mode mode);
    const QStringList& offeredTypes();
    template <typename T, typename Fetch> std::optional<T> timed(Fetch fetch);
    std::optional<QByteArray> read(const QString& type);
    std::optional<QString> readText();
    QStringList uris();
    void publish(QMimeData* mimeData);

    QClipboard* clipboard_;
    qint64 changeCount_ = 0;
    std::optional<QStringList> offeredTypes_;
    QHash<QString, std::optional<QByteArray>> reads_;
    std::optional<std::optional<QString>> text_;
    bool unresponsive_ = false;
};

} // namespace quillstack
