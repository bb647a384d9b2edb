#include "platform/x11/X11Pasteboard.h"

#include "platform/IncrementalText.h"
#include "platform/UriList.h"
#include "platform/x11/X11SelectionReader.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>

namespace quillstack {

namespace {

using Outcome = X11SelectionReader::Outcome;

// Values up to this size are kept until the clipboard changes; larger ones are read again if
// asked for again (capture asks for each once).
constexpr qsizetype maxKeptBytes = 1024 * 1024;

bool isMetaTarget(const QByteArray& target) {
    static const QList<QByteArray> metaTargets{"TARGETS", "MULTIPLE", "TIMESTAMP",
                                               "DELETE",  "INCR",     "SAVE_TARGETS"};
    return metaTargets.contains(target);
}

// The targets that carry plain text, best first, and how each is encoded.
struct TextTarget {
    QByteArray name;
    IncrementalText::Encoding encoding;
};
const QList<TextTarget>& textTargets() {
    static const QList<TextTarget> targets{
        {"UTF8_STRING", IncrementalText::Encoding::utf8},
        {"text/plain;charset=utf-8", IncrementalText::Encoding::utf8},
        {"text/plain", IncrementalText::Encoding::utf8},
        {"STRING", IncrementalText::Encoding::latin1},
        {"TEXT", IncrementalText::Encoding::latin1},
    };
    return targets;
}

bool isTextTarget(const QByteArray& target) {
    for (const TextTarget& text : textTargets()) {
        if (text.name == target) {
            return true;
        }
    }
    return false;
}

// The MIME types offered, in the owner's order: every text target is text/plain.
QStringList mimeTypesOf(const QList<QByteArray>& targets) {
    QStringList types;
    for (const QByteArray& target : targets) {
        if (isMetaTarget(target)) {
            continue;
        }
        const QString type =
            isTextTarget(target) ? Pasteboard::stringType() : QString::fromLatin1(target);
        if (!types.contains(type)) {
            types.append(type);
        }
    }
    return types;
}

} // namespace

X11Pasteboard::X11Pasteboard(QObject* parent)
    : Pasteboard(parent), clipboard_(QGuiApplication::clipboard()),
      reader_(X11SelectionReader::open()) {
    connect(clipboard_, &QClipboard::changed, this, &X11Pasteboard::clipboardChanged);
}

X11Pasteboard::~X11Pasteboard() = default;

void X11Pasteboard::cancelReads() {
    if (reader_) {
        reader_->cancel();
    }
}

void X11Pasteboard::clipboardChanged(QClipboard::Mode mode) {
    if (mode != QClipboard::Clipboard) {
        return;
    }
    ++changeCount_;
    emit changed();
}

X11Pasteboard::OwnerState& X11Pasteboard::owner() {
    const qint64 now = changeCount_.load();
    if (owner_.changeCount != now) {
        owner_ = OwnerState();
        owner_.changeCount = now;
        if (reader_) {
            reader_->renew();
        }
    }
    return owner_;
}

const QStringList& X11Pasteboard::offeredTypes() {
    OwnerState& state = owner();
    if (!state.targets) {
        Outcome outcome = Outcome::refused;
        state.targets = reader_ ? reader_->targets(&outcome) : std::nullopt;
        state.unresponsive = outcome == Outcome::timedOut;
        if (!state.targets) {
            state.targets.emplace();
        }
        state.offeredTypes = mimeTypesOf(*state.targets);
    }
    return state.offeredTypes;
}

std::optional<QByteArray> X11Pasteboard::read(const QString& type) {
    if (!hasType(type)) {
        return std::nullopt;
    }
    if (type == stringType()) {
        const std::optional<QString> text = readText();
        return text ? std::optional<QByteArray>(text->toUtf8()) : std::nullopt;
    }
    OwnerState& state = owner();
    if (const auto kept = state.reads.constFind(type); kept != state.reads.constEnd()) {
        return *kept;
    }
    if (state.unresponsive) {
        return std::nullopt;
    }
    QByteArray value;
    const Outcome outcome = reader_->convert(type.toLatin1(), value);
    state.unresponsive = outcome == Outcome::timedOut;
    // An offered type that reads as empty is present and empty.
    std::optional<QByteArray> result;
    if (outcome == Outcome::converted) {
        result = std::move(value);
    }
    if (!result || result->size() <= maxKeptBytes) {
        state.reads.insert(type, result);
    }
    return result;
}

std::optional<QString> X11Pasteboard::readText() {
    if (!hasType(stringType())) {
        return std::nullopt;
    }
    OwnerState& state = owner();
    for (const TextTarget& target : textTargets()) {
        if (state.unresponsive) {
            return std::nullopt;
        }
        if (!state.targets->contains(target.name)) {
            continue;
        }
        // Decoded as it arrives: the encoded bytes are never held whole beside the text.
        IncrementalText text(target.encoding);
        const X11SelectionReader::Sink sink{
            [&text](qint64 bytes) { text.expect(bytes); },
            [&text](QByteArrayView piece) { text.append(piece); },
        };
        const Outcome outcome = reader_->convert(target.name, sink);
        state.unresponsive = outcome == Outcome::timedOut;
        if (outcome == Outcome::converted) {
            return text.take();
        }
    }
    return std::nullopt;
}

bool X11Pasteboard::hasType(const QString& type) {
    return !isMetaTarget(type.toLatin1()) && offeredTypes().contains(type);
}

QStringList X11Pasteboard::uris() {
    // text/x-moz-url is asked for only when there is no URI list.
    const std::optional<QByteArray> list = read(fileURLType());
    return UriList::parse(list, list ? std::nullopt : read(urlType()));
}

QList<PasteboardItem> X11Pasteboard::pasteboardItems() {
    if (offeredTypes().isEmpty()) {
        return {};
    }
    return UriList::items(uris());
}

std::optional<QByteArray> X11Pasteboard::data(const QString& type) {
    return read(type);
}

std::optional<QString> X11Pasteboard::string(const QString& type) {
    if (type == urlType()) {
        return UriList::firstWebURL(uris());
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
