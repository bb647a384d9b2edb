#include "app/CommandLine.h"

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
    } else {
        line.action_ = Action::help;
        line.error_ = QStringLiteral("unknown argument: ") + argument;
    }
    return line;
}

const QString& CommandLine::usage() {
    static const QString text = QStringLiteral(
        "Usage: quillstack [--toggle | --quit | --help]\n"
        "\n"
        "Keeps a history of what you copy and pastes an earlier entry back.\n"
        "Open the history panel with Super+Shift+V (changeable in the panel's settings).\n"
        "\n"
        "  (no option)  start Quillstack; if it already runs, open its panel\n"
        "  --toggle     open or close the running Quillstack's panel (bind this to a key\n"
        "               where global shortcuts are unavailable, as under Wayland)\n"
        "  --quit       end the running Quillstack\n"
        "  --help       show this text\n");
    return text;
}

SingleInstance::Request CommandLine::request() const {
    switch (action_) {
    case Action::toggle:
        return SingleInstance::Request::toggle;
    case Action::quit:
        return SingleInstance::Request::quit;
    case Action::run:
    case Action::help:
        break;
    }
    return SingleInstance::Request::open;
}

} // namespace quillstack
