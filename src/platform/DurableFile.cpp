#include "platform/DurableFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
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

QString describeErrno(int number) {
    return QString::fromStdString(std::error_code(number, std::generic_category()).message());
}

bool fail(QString* error, const QString& reason) {
    if (error) {
        *error = reason;
    }
    return false;
}

bool isDirectory(const QByteArray& path) {
    struct stat status {};
    return ::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

bool DurableFile::makeFolder(const QString& path, QString* error) {
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString prefix;
    for (const QString& part : parts) {
        prefix += QLatin1Char('/') + part;
        const QByteArray name = QFile::encodeName(prefix);
        if (isDirectory(name)) {
            continue;
        }
        if (::mkdir(name.constData(), S_IRWXU) != 0 && !(errno == EEXIST && isDirectory(name))) {
            return fail(error, prefix + QStringLiteral(": ") +
                                   describeErrno(errno == EEXIST ? ENOTDIR : errno));
        }
    }
    return true;
}

bool DurableFile::makePrivateFolder(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), S_IRWXU) == 0) {
        return true;
    }
    if (errno != EEXIST) {
        return false;
    }
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != ::geteuid()) {
        return false;
    }
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) == 0) {
        return true;
    }
    // Ours, but open to others: tightened, and checked again (the chmod acts on what lstat saw
    // only because no one else can replace a folder of ours in a sticky or private parent).
    return ::chmod(name.constData(), S_IRWXU) == 0 && ::lstat(name.constData(), &status) == 0 &&
           S_ISDIR(status.st_mode) && (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

bool DurableFile::isShared(const QString& folder) {
    struct stat status {};
    if (::stat(QFile::encodeName(folder).constData(), &status) != 0) {
        return false;
    }
    const bool othersWrite = (status.st_mode & S_IWOTH) != 0;
    const bool groupWrite = (status.st_mode & S_IWGRP) != 0 && status.st_gid != ::getegid();
    const bool foreignOwner = status.st_uid != ::geteuid() && status.st_uid != 0;
    return othersWrite || groupWrite || foreignOwner;
}

bool DurableFile::write(const QString& path, const std::function<bool(QIODevice&)>& writeContents,
                        QString* error) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    QByteArray templ = QFile::encodeName(folder + QStringLiteral("/.") + info.fileName() +
                                         QStringLiteral(".XXXXXX"));
    const int fd = ::mkostemp(templ.data(), O_CLOEXEC); // created 0600
    if (fd < 0) {
        return fail(error, describeErrno(errno));
    }
    bool ok = false;
    QString reason;
    {
        QFile file;
        if (file.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
            try {
                ok = writeContents(file) && file.flush() && file.error() == QFileDevice::NoError;
            } catch (...) {
                ok = false; // e.g. out of memory while producing the contents
            }
            if (!ok) {
                reason = file.error() != QFileDevice::NoError
                             ? file.errorString()
                             : QStringLiteral("the contents could not be produced");
            }
            file.close();
        } else {
            reason = file.errorString();
        }
    }
    const auto step = [&reason](bool done) {
        if (!done && reason.isEmpty()) {
            reason = describeErrno(errno);
        }
        return done;
    };
    ok = ok && step(::fsync(fd) == 0);
    ok = step(::close(fd) == 0) && ok;
    ok = ok && step(::rename(templ.constData(), QFile::encodeName(path).constData()) == 0);
    if (!ok) {
        ::unlink(templ.constData());
        return fail(error, reason);
    }
    syncFolder(folder);
    return true;
}

bool DurableFile::write(const QString& path, const QByteArray& bytes, QString* error) {
    return write(
        path, [&bytes](QIODevice& device) { return device.write(bytes) == bytes.size(); }, error);
}

int DurableFile::removeLeftovers(const QString& folder, const QStringList& names) {
    QStringList escaped;
    for (const QString& name : names) {
        escaped << QRegularExpression::escape(name);
    }
    const QRegularExpression pattern(
        QStringLiteral("^\\.(?:%1)\\.[A-Za-z0-9]{6}$").arg(escaped.join(QLatin1Char('|'))));
    const QStringList found =
        QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    int removed = 0;
    for (const QString& name : found) {
        if (!pattern.match(name).hasMatch()) {
            continue;
        }
        const QByteArray path = QFile::encodeName(folder + QLatin1Char('/') + name);
        struct stat status {};
        if (::lstat(path.constData(), &status) == 0 && S_ISREG(status.st_mode) &&
            status.st_uid == ::geteuid() && ::unlink(path.constData()) == 0) {
            ++removed;
        }
    }
    return removed;
}

bool DurableFile::existsOrDangles(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
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
