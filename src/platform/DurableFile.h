#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quillstack {

// File operations for the files that hold the user's data: folders and files readable by their
// owner only, replacements that are atomic and durable and never go through a link, and
// unreadable files kept aside.
class DurableFile {
public:
    // Creates the folder and its missing parents, each one owner-only (0700). An existing folder
    // is used as it is, also through a link, and its mode is left alone.
    static bool makeFolder(const QString& path, QString* error = nullptr);

    // A folder that no one but this user can reach: created owner-only when missing; an existing
    // one must be a real folder (not a link) owned by this user, and is made owner-only when
    // others may use it. False when it is not such a folder.
    static bool makePrivateFolder(const QString& path);

    // Whether users other than the folder's owner (or root) may create names in it, as in /tmp.
    static bool isShared(const QString& folder);

    // Replaces the file at path with what writeContents writes, owner-only (0600): the bytes go to
    // a temporary file in the same folder (".<name>.XXXXXX"), are synced to disk, and only then
    // renamed over the old file (a link there is replaced, not followed), whose folder is synced
    // too. When anything fails (or writeContents returns false) the old file is left as it was,
    // the temporary file is removed, false is returned and error (when given) says why.
    static bool write(const QString& path, const std::function<bool(QIODevice&)>& writeContents,
                      QString* error = nullptr);
    static bool write(const QString& path, const QByteArray& bytes, QString* error = nullptr);

    // Removes the temporary files that write() leaves when the process ends in the middle of it:
    // regular files of this user named ".<name>.XXXXXX" for the given names. Returns how many.
    static int removeLeftovers(const QString& folder, const QStringList& names);

    // Whether something is at path: a file, or a link even when it leads nowhere.
    static bool existsOrDangles(const QString& path);

    // Renames the file at path to "<path>.corrupt-<UTC time>" (with a counter when that name is
    // taken), so that it survives a later write of a new file at path. Returns the new path.
    static std::optional<QString> keepAside(const QString& path);

    // The whole file, or nothing when it cannot be read. Files larger than maxBytes are not read.
    static std::optional<QByteArray> readAll(const QString& path, qint64 maxBytes);
};

} // namespace quillstack
