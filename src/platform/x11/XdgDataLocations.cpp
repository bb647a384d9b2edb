#include "platform/x11/XdgDataLocations.h"

#include <QDir>

namespace quillstack {

std::optional<QString> XdgDataLocations::applicationSupportDirectory() const {
    // Relative values are invalid by the XDG base directory rules and are ignored.
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!dataHome.isEmpty() && QDir::isAbsolutePath(dataHome)) {
        return QDir::cleanPath(dataHome);
    }
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty() || !QDir::isAbsolutePath(home)) {
        return std::nullopt;
    }
    return QDir::cleanPath(home + QStringLiteral("/.local/share"));
}

QString XdgDataLocations::temporaryDirectory() const {
    return QDir::tempPath();
}

} // namespace quillstack
