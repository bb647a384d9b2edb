#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>
#include <optional>

namespace quillstack {

// File operations for the files that hold the user's data: folders and files readable by their
// owner only, replacements that are atomic and durable, and unreadable files kept aside.
class DurableFile {
public:
    // Creates the folder and its missing parents; the folder itself is made owner-only (0700).
    static bool makeOwnerOnlyFolder(const QString& path);

    // Replaces the file at path with what writeContents writes, owner-only (0600): the bytes go to
    // a temporary file in the same folder, are synced to disk, and only then renamed over the old
    // file, whose folder is synced too. When anything fails (or writeContents returns false) the
    // old file is left as it was and false is returned.
    static bool write(const QString& path, const std::function<bool(QIODevice&)>& writeContents);
    static bool write(const QString& path, const QByteArray& bytes);

    // Renames the file at path to "<path>.corrupt-<UTC time>" (with a counter when that name is
    // taken), so that it survives a later write of a new file at path. Returns the new path.
    static std::optional<QString> keepAside(const QString& path);

    // The whole file, or nothing when it cannot be read. Files larger than maxBytes are not read.
    static std::optional<QByteArray> readAll(const QString& path, qint64 maxBytes);
};

} // namespace quillstack
