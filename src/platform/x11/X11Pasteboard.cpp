#include "platform/x11/X11Pasteboard.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QStringDecoder>

namespace quillstack {

namespace {

// A read that returns empty after this long ran into Qt's clipboard time-out (5 s).
constexpr qint64 timeoutThresholdMs = 4000;

bool isMetaTarget(const QString& type) {
    static const QStringList metaTargets{
        QStringLiteral("TARGETS"), QStringLiteral("MULTIPLE"), QStringLiteral("TIMESTAMP"),
        QStringLiteral("DELETE"),  QStringLiteral("INCR"),     QStringLiteral("SAVE_TARGETS")};
    return metaTargets.contains(type);
}

bool isFileURI(const QString& uri) {
    return uri.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

// text/x-moz-url is UTF-16 "url\ntitle"; some owners send UTF-8.
QString firstMozURL(const QByteArray& bytes) {
    QString text;
    if (bytes.size() > 1 && bytes.at(1) == '\0') {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        text = decoder.decode(bytes);
    } else {
        text = QString::fromUtf8(bytes);
    }
    return text.section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

X11Pasteboard::X11Pasteboard(QObject* parent)
    : QObject(parent), clipboard_(QGuiApplication::clipboard()) {
    connect(clipboard_, &QClipboard::changed, this, &X11Pasteboard::clipboardChanged);
}

void X11Pasteboard::clipboardChanged(QClipboard::Mode mode) {
    if (mode != QClipboard::Clipboard) {
        return;
    }
    ++changeCount_;
    offeredTypes_.reset();
    reads_.clear();
    text_.reset();
    unresponsive_ = false;
    emit changed();
}

const QStringList& X11Pasteboard::offeredTypes() {
    if (!offeredTypes_) {
        QStringList types;
        const QMimeData* mimeData = clipboard_->mimeData(QClipboard::Clipboard);
        if (mimeData && !unresponsive_) {
            QElapsedTimer timer;
            timer.start();
            types = mimeData->formats();
            if (types.isEmpty() && timer.elapsed() >= timeoutThresholdMs) {
                unresponsive_ = true;
            }
        }
        types.removeIf(isMetaTarget);
        offeredTypes_ = types;
    }
    return *offeredTypes_;
}

template <typename T, typename Fetch> std::optional<T> X11Pasteboard::timed(Fetch fetch) {
    const QMimeData* mimeData = clipboard_->mimeData(QClipboard::Clipboard);
    if (!mimeData || unresponsive_) {
        return std::nullopt;
    }
    QElapsedTimer timer;
    timer.start();
    T value = fetch(*mimeData);
    if (value.isEmpty() && timer.elapsed() >= timeoutThresholdMs) {
        unresponsive_ = true;
        return std::nullopt;
    }
    // An offered type that reads as empty is present and empty.
    return value;
}

std::optional<QByteArray> X11Pasteboard::read(const QString& type) {
    if (!hasType(type)) {
        return std::nullopt;
    }
    if (const auto cached = reads_.constFind(type); cached != reads_.constEnd()) {
        return *cached;
    }
    auto result = timed<QByteArray>([&](const QMimeData& mime) { return mime.data(type); });
    reads_.insert(type, result);
    return result;
}

std::optional<QString> X11Pasteboard::readText() {
    if (!hasType(stringType())) {
        return std::nullopt;
    }
    if (!text_) {
        // Qt decodes the text once (UTF8_STRING or STRING); going through bytes would encode and
        // decode it again.
        text_ = timed<QString>([](const QMimeData& mime) { return mime.text(); });
    }
    return *text_;
}

bool X11Pasteboard::hasType(const QString& type) {
    return !isMetaTarget(type) && offeredTypes().contains(type);
}

QStringList X11Pasteboard::uris() {
    QStringList result;
    if (const auto list = read(fileURLType())) {
        for (const QString& line : QString::fromUtf8(*list).split(QLatin1Char('\n'))) {
            const QString uri = line.trimmed();
            if (!uri.isEmpty() && !uri.startsWith(QLatin1Char('#'))) {
                result.append(uri);
            }
        }
    } else if (const auto mozURL = read(urlType())) {
        const QString uri = firstMozURL(*mozURL);
        if (!uri.isEmpty()) {
            result.append(uri);
        }
    }
    return result;
}

QList<PasteboardItem> X11Pasteboard::pasteboardItems() {
    if (offeredTypes().isEmpty()) {
        return {};
    }
    QList<PasteboardItem> items;
    for (const QString& uri : uris()) {
        PasteboardItem item;
        item.setString(uri, isFileURI(uri) ? fileURLType() : urlType());
        items.append(item);
    }
    if (items.isEmpty()) {
        items.append(PasteboardItem());
    }
    return items;
}

std::optional<QByteArray> X11Pasteboard::data(const QString& type) {
    return read(type);
}

std::optional<QString> X11Pasteboard::string(const QString& type) {
    if (type == urlType()) {
        for (const QString& uri : uris()) {
            if (!isFileURI(uri)) {
                return uri;
            }
        }
        return std::nullopt;
    }
    if (type == stringType()) {
        return readText();
    }
    if (const auto bytes = read(type)) {
        return QString::fromUtf8(*bytes);
    }
    return std::nullopt;
}

std::optional<QByteArray> X11Pasteboard::imageData() {
    static const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    for (const QString& type : offeredTypes()) {
        if (type.startsWith(QLatin1String("image/")) && type != pngType() && type != tiffType() &&
            readable.contains(type.toLatin1())) {
            // The first offered image type stands for the image; others are conversions of it.
            return read(type);
        }
    }
    return std::nullopt;
}

void X11Pasteboard::clearContents() {
    clipboard_->clear(QClipboard::Clipboard);
}

void X11Pasteboard::publish(QMimeData* mimeData) {
    clipboard_->setMimeData(mimeData, QClipboard::Clipboard);
}

void X11Pasteboard::writeObjects(const QList<QUrl>& fileURLs) {
    auto* mimeData = new QMimeData;
    mimeData->setUrls(fileURLs);
    QByteArray copied = "copy";
    for (const QUrl& url : fileURLs) {
        copied += '\n' + url.toEncoded();
    }
    mimeData->setData(QStringLiteral("x-special/gnome-copied-files"), copied);
    publish(mimeData);
}

void X11Pasteboard::writeImage(const QByteArray& png) {
    auto* mimeData = new QMimeData;
    mimeData->setData(pngType(), png);
    publish(mimeData);
}

void X11Pasteboard::writeObjects(const PasteboardItem& item) {
    auto* mimeData = new QMimeData;
    for (const QString& type : item.types()) {
        if (type == stringType()) {
            mimeData->setText(*item.string(type));
        } else {
            mimeData->setData(type, item.string(type)->toUtf8());
        }
    }
    publish(mimeData);
}

void X11Pasteboard::setString(const QString& text, const QString& type) {
    PasteboardItem item;
    item.setString(text, type);
    writeObjects(item);
}

} // namespace quillstack
