#include "platform/DurableFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillstack {

namespace {

bool syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

bool DurableFile::makeOwnerOnlyFolder(const QString& path) {
    if (!QDir().mkpath(path)) {
        return false;
    }
    return ::chmod(QFile::encodeName(path).constData(), S_IRWXU) == 0;
}

bool DurableFile::write(const QString& path, const std::function<bool(QIODevice&)>& writeContents) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    QByteArray templ = QFile::encodeName(folder + QStringLiteral("/.") + info.fileName() +
                                         QStringLiteral(".XXXXXX"));
    const int fd = ::mkostemp(templ.data(), O_CLOEXEC); // created 0600
    if (fd < 0) {
        return false;
    }
    bool ok = false;
    {
        QFile file;
        if (file.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
            try {
                ok = writeContents(file) && file.flush() && file.error() == QFileDevice::NoError;
            } catch (...) {
                ok = false; // e.g. out of memory while producing the contents
            }
            file.close();
        }
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(templ.constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok) {
        ::unlink(templ.constData());
        return false;
    }
    syncFolder(folder);
    return true;
}

bool DurableFile::write(const QString& path, const QByteArray& bytes) {
    return write(path, [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); });
}

std::optional<QString> DurableFile::keepAside(const QString& path) {
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString target = path + QStringLiteral(".corrupt-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n) {
        target = path + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    }
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) != 0) {
        return std::nullopt;
    }
    syncFolder(QFileInfo(path).absolutePath());
    return target;
}

std::optional<QByteArray> DurableFile::readAll(const QString& path, qint64 maxBytes) {
    // Only regular files: opening a FIFO would block, and a device such as /dev/zero never ends.
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > maxBytes) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return std::nullopt;
    }
    // Exactly the size seen (one allocation); a file replaced by a rename stays the one opened.
    const qint64 size = file.size();
    if (size > maxBytes) {
        return std::nullopt;
    }
    QByteArray bytes = size > 0 ? file.read(size) : QByteArray("");
    if (file.error() != QFileDevice::NoError || bytes.size() != size) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace quillstack
