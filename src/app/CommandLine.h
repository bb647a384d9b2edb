#pragma once

#include "app/SingleInstance.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quillstack {

// What the command line asks for:
//   quillstack            run (or, when Quillstack already runs, open its panel)
//   quillstack --toggle   open or close the running instance's panel
//   quillstack --quit     end the running instance
//   quillstack --help     print the usage
//   quillstack --version  print the version
class CommandLine {
public:
    enum class Action { run, toggle, quit, help, version };

    // arguments without the program's name. An unknown or second argument gives an error.
    static CommandLine parse(const QStringList& arguments);
    static const QString& usage();
    // "quillstack " and the version, ended by a line feed.
    static QString versionText();

    Action action() const { return action_; }
    // Set when the arguments are not understood; the action is then help.
    const std::optional<QString>& error() const { return error_; }

    // What a process that does not become the running instance asks of the running one.
    SingleInstance::Request request() const;

private:
    Action action_ = Action::run;
    std::optional<QString> error_;
};

} // namespace quillstack
