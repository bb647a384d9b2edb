#include "entries/EntryJsonWriter.h"

#include "entries/EscapedBase64Writer.h"

#include <QBuffer>

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace quillstack {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view imageMember = "\"imagePNGData\": \"\"";

std::string utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

std::optional<std::string> timestampText(const QDateTime& timestamp) {
    if (!timestamp.isValid()) {
        return std::nullopt;
    }
    const QDateTime utc = timestamp.toUTC();
    const int year = utc.date().year();
    if (year < 1 || year > 9999) {
        return std::nullopt;
    }
    return utf8(utc.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'")));
}

// The record as an ordered JSON object; the image is an empty placeholder string.
std::optional<Json> toJson(const ClipboardEntry& entry) {
    const std::optional<std::string> timestamp = timestampText(entry.timestamp());
    if (!timestamp) {
        return std::nullopt;
    }
    Json object = Json::object();
    object["id"] = utf8(entry.id().toString(QUuid::WithoutBraces).toUpper());
    object["timestamp"] = *timestamp;
    object["kind"] = utf8(rawValue(entry.kind()));
    const auto optional = [&object](const char* key, const std::optional<QString>& value) {
        if (value) {
            object[key] = utf8(*value);
        }
    };
    optional("text", entry.text());
    optional("markdown", entry.markdown());
    optional("html", entry.html());
    optional("colorHex", entry.colorHex());
    Json paths = Json::array();
    for (const QString& path : entry.filePaths()) {
        paths.push_back(utf8(path));
    }
    object["filePaths"] = std::move(paths);
    if (entry.image()) {
        object["imagePNGData"] = "";
    }
    optional("sourceAppBundleID", entry.sourceAppBundleID());
    object["fingerprint"] = utf8(entry.fingerprint());
    optional("searchIndex", entry.searchIndex());
    return object;
}

// Pretty-prints the object at the given depth of indentation, with every solidus escaped.
// (Inside escaped JSON strings a "/" is always a literal solidus and a line feed is never raw,
// so both can be rewritten on the finished text.)
QByteArray prettyText(const Json& object, int depth) {
    const std::string dumped = object.dump(2, ' ', false, Json::error_handler_t::replace);
    const QByteArray indent(depth * 2, ' ');
    QByteArray out;
    out.reserve(qsizetype(dumped.size() + dumped.size() / 8) + indent.size());
    out.append(indent);
    for (char c : dumped) {
        if (c == '/') {
            out.append("\\/", 2);
        } else {
            out.append(c);
            if (c == '\n') {
                out.append(indent);
            }
        }
    }
    return out;
}

} // namespace

std::optional<EntryJson::EncodedEntry> EntryJsonWriter::encodeRecord(const ClipboardEntry& entry,
                                                                     int depth) {
    const std::optional<Json> object = toJson(entry);
    if (!object) {
        return std::nullopt;
    }
    QByteArray text = prettyText(*object, depth);
    if (!entry.image()) {
        return EntryJson::EncodedEntry{std::move(text), {}};
    }
    const qsizetype at =
        text.indexOf(QByteArrayView(imageMember.data(), qsizetype(imageMember.size())));
    if (at < 0) {
        return std::nullopt;
    }
    const qsizetype split = at + qsizetype(imageMember.size()) - 1; // before the closing quote
    return EntryJson::EncodedEntry{text.left(split), text.mid(split)};
}

bool EntryJsonWriter::writeHistory(QIODevice& device, const QList<ClipboardEntry>& entries,
                                   const QList<EntryJson::EncodedEntry>& encoded,
                                   QList<qsizetype>* unreadable) {
    if (entries.size() != encoded.size()) {
        return false;
    }
    const auto put = [&device](const QByteArray& bytes) {
        return device.write(bytes) == bytes.size();
    };
    EscapedBase64Writer base64(device);
    bool first = true;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const std::optional<EntryImage>& image = entries[i].image();
        if (unreadable && image && !base64.stage(*image)) {
            unreadable->append(i);
            continue;
        }
        if (device.write(first ? "[\n" : ",\n", 2) != 2) {
            return false;
        }
        first = false;
        if (!put(encoded[i].head)) {
            return false;
        }
        if (image && !base64.write(*image)) {
            return false;
        }
        if (!put(encoded[i].tail)) {
            return false;
        }
    }
    return first ? device.write("[]", 2) == 2 : device.write("\n]", 2) == 2;
}

std::optional<QByteArray> EntryJsonWriter::encode(const ClipboardEntry& entry) {
    const std::optional<EntryJson::EncodedEntry> encoded = encodeRecord(entry, 0);
    if (!encoded) {
        return std::nullopt;
    }
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    buffer.write(encoded->head);
    if (entry.image() && !EscapedBase64Writer(buffer).write(*entry.image())) {
        return std::nullopt;
    }
    buffer.write(encoded->tail);
    return text;
}

std::optional<QByteArray> EntryJsonWriter::encodeHistory(const QList<ClipboardEntry>& entries) {
    QList<EntryJson::EncodedEntry> encoded;
    encoded.reserve(entries.size());
    for (const ClipboardEntry& entry : entries) {
        std::optional<EntryJson::EncodedEntry> one = encodeRecord(entry, 1);
        if (!one) {
            return std::nullopt;
        }
        encoded.append(std::move(*one));
    }
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    if (!writeHistory(buffer, entries, encoded)) {
        return std::nullopt;
    }
    return text;
}

} // namespace quillstack
