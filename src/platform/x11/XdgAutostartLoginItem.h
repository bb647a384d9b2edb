#pragma once

#include "platform/LoginItemService.h"

#include <QString>

namespace quillstack {

// Launch at login through the XDG autostart entry $XDG_CONFIG_HOME/autostart/quillstack.desktop
// (~/.config when XDG_CONFIG_HOME is unset or not absolute).
class XdgAutostartLoginItem : public LoginItemService {
public:
    // executablePath: the running program (QCoreApplication::applicationFilePath() when empty).
    explicit XdgAutostartLoginItem(QString executablePath = {});

    // Writes the desktop entry, creating the autostart folder when needed.
    std::optional<QString> registerLoginItem() override;
    // Removes the entry; an entry that is not there is no failure.
    std::optional<QString> unregisterLoginItem() override;

    // Where the entry lives, from the current environment.
    static QString entryPath();
    // The Exec value: the absolute path of the program, quoted as desktop entries require (so a
    // build-tree program starts as well as an installed one); plain "quillstack", found through
    // PATH at login, only for a path that is not absolute or holds a line break.
    static QString execCommand(const QString& executablePath);
    // The whole desktop entry.
    static QByteArray desktopEntry(const QString& executablePath);

private:
    QString executablePath_;
};

} // namespace quillstack
