#include "entries/EntryJsonWriter.h"

#include "entries/EscapedBase64Writer.h"

#include <QBuffer>

#include <nlohmann/json.hpp>

#include <array>
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

// The members whose values may be long (a copied text of many megabytes): they are escaped
// straight from the entry's strings into the record's text, a piece at a time, so that no
// whole UTF-8 copy of them is ever made beside the finished text.
struct LongMember {
    const char* key;
    const std::optional<QString>* value;
};
std::array<LongMember, 3> longMembers(const ClipboardEntry& entry) {
    return {{{"text", &entry.text()}, {"markdown", &entry.markdown()}, {"html", &entry.html()}}};
}

// Appends the JSON string text of the value, without its quotes, as the JSON library writes
// it (quotation mark, reverse solidus and control characters escaped, \b \f \n \r \t by
// name, other control characters as lower-case \u00xx, everything else as UTF-8) and with "/"
// escaped. The pieces never split a surrogate pair, so their UTF-8 forms joined are the UTF-8
// form of the whole.
void appendEscaped(QByteArray& out, QStringView value) {
    constexpr qsizetype pieceSize = 64 * 1024;
    for (qsizetype at = 0; at < value.size();) {
        qsizetype size = std::min(pieceSize, value.size() - at);
        if (at + size < value.size() && value[at + size - 1].isHighSurrogate() &&
            value[at + size].isLowSurrogate()) {
            ++size;
        }
        const QByteArray utf8 = value.sliced(at, size).toUtf8();
        const char* run = utf8.constData();
        const char* const end = run + utf8.size();
        for (const char* c = run; c < end; ++c) {
            const auto byte = uchar(*c);
            if (byte >= 0x20 && byte != '"' && byte != '\\' && byte != '/') {
                continue;
            }
            out.append(run, c - run);
            run = c + 1;
            switch (byte) {
            case '"':
            case '\\':
            case '/':
                out.append('\\').append(char(byte));
                break;
            case '\b':
                out.append("\\b", 2);
                break;
            case '\f':
                out.append("\\f", 2);
                break;
            case '\n':
                out.append("\\n", 2);
                break;
            case '\r':
                out.append("\\r", 2);
                break;
            case '\t':
                out.append("\\t", 2);
                break;
            default: {
                static constexpr char hex[] = "0123456789abcdef";
                const char escaped[] = {'\\', 'u', '0', '0', hex[byte >> 4], hex[byte & 0xF]};
                out.append(escaped, sizeof escaped);
            }
            }
        }
        out.append(run, end - run);
        at += size;
    }
}

// The record's text with the long members' placeholders ("key": "") filled in, in order.
std::optional<QByteArray> fillLongMembers(const QByteArray& skeleton, const ClipboardEntry& entry) {
    qsizetype room = skeleton.size();
    for (const LongMember& member : longMembers(entry)) {
        if (*member.value) {
            room += (*member.value)->size() + (*member.value)->size() / 8;
        }
    }
    QByteArray out;
    out.reserve(room);
    qsizetype from = 0;
    for (const LongMember& member : longMembers(entry)) {
        if (!*member.value) {
            continue;
        }
        const QByteArray placeholder = '"' + QByteArray(member.key) + "\": \"\"";
        const qsizetype at = skeleton.indexOf(placeholder, from);
        if (at < 0) {
            return std::nullopt;
        }
        const qsizetype split = at + placeholder.size() - 1; // before the closing quote
        out.append(QByteArrayView(skeleton).sliced(from, split - from));
        appendEscaped(out, **member.value);
        from = split;
    }
    out.append(QByteArrayView(skeleton).sliced(from));
    return out;
}

// The record as an ordered JSON object; the image and the long members are empty placeholder
// strings.
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
    // The long members are placeholders here: fillLongMembers() writes their values.
    for (const LongMember& member : longMembers(entry)) {
        if (*member.value) {
            object[member.key] = "";
        }
    }
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
    std::optional<QByteArray> filled = fillLongMembers(prettyText(*object, depth), entry);
    if (!filled) {
        return std::nullopt;
    }
    QByteArray text = std::move(*filled);
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
