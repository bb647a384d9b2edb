#include "platform/x11/XdgAutostartLoginItem.h"

#include "BuildInfo.h"
#include "platform/DurableFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace quillstack {

namespace {

const QString programName = QStringLiteral("quillstack");

// Quotes one Exec argument as desktop entries require, then escapes the backslashes once more
// for the string value that holds it.
QString quotedExecArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`=%");
    const bool needsQuotes = std::any_of(argument.begin(), argument.end(),
                                         [](QChar ch) { return reserved.contains(ch); });
    QString value = argument;
    value.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (needsQuotes) {
        QString quoted;
        for (const QChar ch : value) {
            if (ch == QLatin1Char('"') || ch == QLatin1Char('`') || ch == QLatin1Char('$') ||
                ch == QLatin1Char('\\')) {
                quoted += QLatin1Char('\\');
            }
            quoted += ch;
        }
        value = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return value;
}

QString describe(const QString& what, const QString& path, const QString& reason) {
    return what + QLatin1Char(' ') + path + QStringLiteral(": ") + reason;
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(QString executablePath)
    : executablePath_(std::move(executablePath)) {}

QString XdgAutostartLoginItem::entryPath() {
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty() || !QDir::isAbsolutePath(configHome)) {
        configHome = QDir::homePath() + QStringLiteral("/.config");
    }
    return configHome + QStringLiteral("/autostart/quillstack.desktop");
}

QString XdgAutostartLoginItem::execCommand(const QString& executablePath) {
    // A line break cannot be written into the one-line value.
    const bool usable = QDir::isAbsolutePath(executablePath) &&
                        !executablePath.contains(QLatin1Char('\n')) &&
                        !executablePath.contains(QLatin1Char('\r'));
    return usable ? quotedExecArgument(QDir::cleanPath(executablePath)) : programName;
}

QByteArray XdgAutostartLoginItem::desktopEntry(const QString& executablePath) {
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Quillstack\n"
                                         "Comment=Clipboard history\n"
                                         "Exec=%1\n"
                                         "Icon=" QUILLSTACK_APP_ID "\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execCommand(executablePath));
    return entry.toUtf8();
}

std::optional<QString> XdgAutostartLoginItem::registerLoginItem() {
    const QString path = entryPath();
    const QString folder = QFileInfo(path).absolutePath();
    QString error;
    if (!DurableFile::makeFolder(folder, &error)) {
        return describe(QStringLiteral("cannot create the folder"), folder, error);
    }
    const QString executable =
        executablePath_.isEmpty() ? QCoreApplication::applicationFilePath() : executablePath_;
    // Like the data files: replaced whole by a rename, so a link there is replaced rather than
    // the file it points to overwritten.
    if (!DurableFile::write(path, desktopEntry(executable), &error)) {
        return describe(QStringLiteral("cannot write"), path, error);
    }
    return std::nullopt;
}

std::optional<QString> XdgAutostartLoginItem::unregisterLoginItem() {
    const QString path = entryPath();
    std::error_code error;
    std::filesystem::remove(QFile::encodeName(path).toStdString(), error);
    // A folder on the way that is a plain file means there is no entry either.
    if (error && error != std::errc::not_a_directory) {
        return describe(QStringLiteral("cannot remove"), path,
                        QString::fromLocal8Bit(error.message()));
    }
    return std::nullopt;
}

} // namespace quillstack
