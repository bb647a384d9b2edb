#include "app/CommandLine.h"

#include "BuildInfo.h"

namespace quillstack {

CommandLine CommandLine::parse(const QStringList& arguments) {
    CommandLine line;
    if (arguments.size() > 1) {
        line.action_ = Action::help;
        line.error_ = QStringLiteral("too many arguments");
        return line;
    }
    if (arguments.isEmpty()) {
        return line;
    }
    const QString& argument = arguments.front();
    if (argument == QLatin1String("--toggle")) {
        line.action_ = Action::toggle;
    } else if (argument == QLatin1String("--quit")) {
        line.action_ = Action::quit;
    } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
        line.action_ = Action::help;
    } else if (argument == QLatin1String("--version")) {
        line.action_ = Action::version;
    } else {
        line.action_ = Action::help;
        line.error_ = QStringLiteral("unknown argument: ") + argument;
    }
    return line;
}

// The same facts as the manual page, quillstack(1).
const QString& CommandLine::usage() {
    static const QString text = QStringLiteral(
        "Usage: quillstack [--toggle | --quit | --help | --version]\n"
        "\n"
        "Keeps a history of what you copy and pastes an earlier entry back.\n"
        "Open the history panel with Super+Shift+V (changeable in the panel's settings).\n"
        "\n"
        "  (no option)  start Quillstack; if it already runs, open its panel\n"
        "  --toggle     open or close the running Quillstack's panel (bind this to a key\n"
        "               where global shortcuts are unavailable, as under Wayland)\n"
        "  --quit       end the running Quillstack\n"
        "  --help       show this text\n"
        "  --version    show the version\n"
        "\n"
        "Files:\n"
        "  $XDG_DATA_HOME/Quillstack/history.json    the history\n"
        "  $XDG_DATA_HOME/Quillstack/settings.json   the shortcut and launch at login\n"
        "  $XDG_CONFIG_HOME/autostart/quillstack.desktop\n"
        "                                            present while launch at login is on\n"
        "  $XDG_RUNTIME_DIR/quillstack.lock, quillstack.socket\n"
        "                                            the running instance and its requests\n"
        "\n"
        "Environment: XDG_DATA_HOME (default ~/.local/share), XDG_CONFIG_HOME (default\n"
        "~/.config), XDG_RUNTIME_DIR (default $TMPDIR/quillstack-<uid>), HOME, TMPDIR\n"
        "(default /tmp), DISPLAY, WAYLAND_DISPLAY, QUILLSTACK_PLATFORM (x11 or wayland:\n"
        "which desktop services to use), QT_QPA_PLATFORM (default xcb while DISPLAY is\n"
        "set), PATH (to find xdotool and wtype), QUILLSTACK_READY_FD.\n"
        "\n"
        "Exit status: 0 done; 1 the running Quillstack did not answer, none runs for\n"
        "--toggle or --quit, or there is no display; 2 the command line was not understood.\n"
        "\n"
        "More in the manual page: man quillstack\n");
    return text;
}

QString CommandLine::versionText() {
    return QStringLiteral("quillstack " QUILLSTACK_VERSION "\n");
}

SingleInstance::Request CommandLine::request() const {
    switch (action_) {
    case Action::toggle:
        return SingleInstance::Request::toggle;
    case Action::quit:
        return SingleInstance::Request::quit;
    case Action::run:
    case Action::help:
    case Action::version:
        break;
    }
    return SingleInstance::Request::open;
}

} // namespace quillstack
