#include "platform/wayland/WaylandPasteboard.h"

#include "platform/UriList.h"
#include "platform/wayland/PipeTransfer.h"
#include "platform/wayland/WaylandConnection.h"

#include <QImageReader>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace quillstack {

namespace {

// The names under which owners offer UTF-8 text, best first. X11 programs seen through
// XWayland offer the X11 target names.
const QStringList& textTypes() {
    static const QStringList types{QStringLiteral("text/plain;charset=utf-8"),
                                   QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain"),
                                   QStringLiteral("TEXT"), QStringLiteral("STRING")};
    return types;
}

} // namespace

WaylandPasteboard::WaylandPasteboard(WaylandConnection& connection, DataControl::Protocol protocol,
                                     QObject* parent)
    : Pasteboard(parent), connection_(connection),
      dataControl_(DataControl::create(
          connection, protocol,
          [this](const DataControl::Selection& selection) { selectionChanged(selection); })) {}

WaylandPasteboard::~WaylandPasteboard() {
    // The device is released on the connection's thread, after which no event reaches this.
    if (dataControl_) {
        connection_.run([this] { dataControl_.reset(); });
    }
}

void WaylandPasteboard::selectionChanged(const DataControl::Selection& selection) {
    {
        std::lock_guard lock(mutex_);
        selection_ = selection;
    }
    ++changeCount_;
    QMetaObject::invokeMethod(
        this, [this] { emit changed(); }, Qt::QueuedConnection);
}

DataControl::Selection WaylandPasteboard::current() const {
    std::lock_guard lock(mutex_);
    return selection_;
}

std::optional<QString> WaylandPasteboard::offeredAs(const QString& type) {
    const QStringList types = current().types;
    if (type == stringType()) {
        for (const QString& candidate : textTypes()) {
            if (types.contains(candidate)) {
                return candidate;
            }
        }
        return std::nullopt;
    }
    if (types.contains(type)) {
        return type;
    }
    return std::nullopt;
}

bool WaylandPasteboard::hasType(const QString& type) {
    return offeredAs(type).has_value();
}

std::optional<QByteArray> WaylandPasteboard::read(const QString& type) {
    const DataControl::Selection selection = current();
    if (selection.generation != cachedGeneration_) {
        cachedGeneration_ = selection.generation;
        reads_.clear();
        unresponsive_ = false;
    }
    const std::optional<QString> offered = offeredAs(type);
    if (!offered) {
        return std::nullopt;
    }
    if (selection.own) {
        for (const auto& [ownType, bytes] : *selection.own) {
            if (ownType == *offered) {
                return bytes;
            }
        }
        return std::nullopt;
    }
    if (const auto cached = reads_.constFind(*offered); cached != reads_.constEnd()) {
        return *cached;
    }
    if (unresponsive_) {
        return std::nullopt;
    }
    auto result = receive(selection, *offered);
    if (!result) {
        unresponsive_ = true;
    }
    reads_.insert(*offered, result);
    return result;
}

std::optional<QByteArray> WaylandPasteboard::receive(const DataControl::Selection& selection,
                                                     const QString& offeredType) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    bool asked = false;
    const bool ran = connection_.run([&, writeEnd = fds[1]] {
        asked = dataControl_->receive(selection.generation, offeredType, writeEnd);
    });
    if (!ran) {
        ::close(fds[1]);
    }
    if (!ran || !asked) {
        ::close(fds[0]);
        return std::nullopt;
    }
    return PipeTransfer::readAll(fds[0], readTimeout, maxReadBytes);
}

QStringList WaylandPasteboard::uris() {
    // text/x-moz-url is asked for only when there is no URI list.
    const std::optional<QByteArray> list = read(fileURLType());
    return UriList::parse(list, list ? std::nullopt : read(urlType()));
}

QList<PasteboardItem> WaylandPasteboard::pasteboardItems() {
    if (current().types.isEmpty()) {
        return {};
    }
    // Unlike on X11, the types come from the compositor, not from the owner: one read shows
    // whether the owner answers at all. One that does not leaves nothing to capture.
    const QStringList itemURIs = uris();
    if (itemURIs.isEmpty()) {
        for (const QString& type :
             {stringType(), htmlType(), QStringLiteral("text/markdown"), pngType(), tiffType()}) {
            if (hasType(type)) {
                read(type);
                break;
            }
        }
    }
    if (unresponsive_ && cachedGeneration_ == current().generation) {
        return {};
    }
    return UriList::items(itemURIs);
}

std::optional<QByteArray> WaylandPasteboard::data(const QString& type) {
    return read(type);
}

std::optional<QString> WaylandPasteboard::string(const QString& type) {
    if (type == urlType()) {
        return UriList::firstWebURL(uris());
    }
    if (const auto bytes = read(type)) {
        return QString::fromUtf8(*bytes);
    }
    return std::nullopt;
}

std::optional<QByteArray> WaylandPasteboard::imageData() {
    static const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    for (const QString& type : current().types) {
        if (type.startsWith(QLatin1String("image/")) && type != pngType() && type != tiffType() &&
            readable.contains(type.toLatin1())) {
            // The first offered image type stands for the image; others are conversions of it.
            return read(type);
        }
    }
    return std::nullopt;
}

void WaylandPasteboard::clearContents() {
    // Callers clear and then write at once: only a clear that no write follows empties the
    // selection, so that one write-back is one change of the selection.
    clearPending_ = true;
    QTimer::singleShot(0, this, [this] {
        if (clearPending_) {
            publish({});
        }
    });
}

void WaylandPasteboard::publish(OwnedSelection selection) {
    clearPending_ = false;
    if (!dataControl_) {
        return;
    }
    auto shared = std::make_shared<const OwnedSelection>(std::move(selection));
    connection_.post([this, shared] { dataControl_->setSelection(shared); });
}

void WaylandPasteboard::writeObjects(const QList<QUrl>& fileURLs) {
    QByteArray list;
    QByteArray copied = "copy";
    for (const QUrl& url : fileURLs) {
        list += url.toEncoded() + "\r\n";
        copied += '\n' + url.toEncoded();
    }
    publish({{fileURLType(), list}, {QStringLiteral("x-special/gnome-copied-files"), copied}});
}

void WaylandPasteboard::writeImage(const QByteArray& png) {
    publish({{pngType(), png}});
}

void WaylandPasteboard::writeObjects(const PasteboardItem& item) {
    OwnedSelection selection;
    for (const QString& type : item.types()) {
        const QByteArray bytes = item.string(type)->toUtf8();
        if (type == stringType()) {
            for (const QString& textType : textTypes()) {
                selection.append({textType, bytes});
            }
        } else {
            selection.append({type, bytes});
        }
    }
    publish(std::move(selection));
}

void WaylandPasteboard::setString(const QString& text, const QString& type) {
    PasteboardItem item;
    item.setString(text, type);
    writeObjects(item);
}

} // namespace quillstack
