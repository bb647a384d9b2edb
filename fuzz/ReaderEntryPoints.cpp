#include "ReaderEntryPoints.h"

#include "entries/EntryJson.h"
#include "settings/SettingsJson.h"

#include <QByteArray>

namespace quillstack::fuzz {

namespace {

QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The history written from decoded entries, read back and written again.
bool writesBackTheSame(const QList<ClipboardEntry>& entries) {
    const std::optional<QByteArray> written = EntryJson::encodeHistory(entries);
    if (!written) {
        return false;
    }
    const std::optional<QList<ClipboardEntry>> reread = EntryJson::decodeHistory(*written);
    if (!reread || reread->size() != entries.size()) {
        return false;
    }
    return EntryJson::encodeHistory(*reread) == written;
}

} // namespace

bool readHistory(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = bytesOf(data, size);
    // The file as a whole, and the same bytes as one record on its own.
    if (const std::optional<QList<ClipboardEntry>> entries = EntryJson::decodeHistory(bytes)) {
        for (const ClipboardEntry& entry : *entries) {
            if (entry.image()) {
                entry.image()->leadingBytes(64);
                entry.imagePNGData();
            }
        }
        if (!writesBackTheSame(*entries)) {
            return false;
        }
    }
    if (const std::optional<ClipboardEntry> entry = EntryJson::decode(bytes)) {
        if (!writesBackTheSame({*entry})) {
            return false;
        }
    }
    return true;
}

bool readSettings(const std::uint8_t* data, std::size_t size) {
    const std::optional<PersistedSettings> settings = SettingsJson::decode(bytesOf(data, size));
    if (!settings) {
        return true;
    }
    const QByteArray written = SettingsJson::encode(*settings);
    const std::optional<PersistedSettings> reread = SettingsJson::decode(written);
    return reread && reread->hotkeyConfig == settings->hotkeyConfig &&
           reread->launchAtLogin == settings->launchAtLogin;
}

} // namespace quillstack::fuzz
