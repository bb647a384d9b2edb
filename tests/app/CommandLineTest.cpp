// The command line's --version and --help: what they choose and what they print.

#include "app/CommandLine.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace quillstack;
using Action = CommandLine::Action;

TEST(CommandLine, VersionIsAnActionOfItsOwn) {
    struct Case {
        QStringList arguments;
        Action action;
        std::optional<QString> error;
    };
    const Case cases[] = {
        {{"--version"}, Action::version, std::nullopt},
        {{"--version", "--toggle"}, Action::help, QStringLiteral("too many arguments")},
        {{"--help", "--version"}, Action::help, QStringLiteral("too many arguments")},
        {{"-version"}, Action::help, QStringLiteral("unknown argument: -version")},
        {{"--Version"}, Action::help, QStringLiteral("unknown argument: --Version")},
        {{"-v"}, Action::help, QStringLiteral("unknown argument: -v")},
    };
    for (const Case& c : cases) {
        const CommandLine line = CommandLine::parse(c.arguments);
        EXPECT_EQ(line.action(), c.action) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(line.error(), c.error) << c.arguments.join(' ').toStdString();
    }
}

TEST(CommandLine, PrintsTheVersionAndEveryOption) {
    static const QRegularExpression version(QStringLiteral("^quillstack \\d+\\.\\d+\\.\\d+\\n$"));
    EXPECT_TRUE(version.match(CommandLine::versionText()).hasMatch())
        << CommandLine::versionText().toStdString();

    const QString& usage = CommandLine::usage();
    EXPECT_TRUE(usage.startsWith(
        QStringLiteral("Usage: quillstack [--toggle | --quit | --help | --version]\n")));
    for (const char* option : {"--toggle", "--quit", "--help", "--version"}) {
        EXPECT_TRUE(usage.contains(QStringLiteral("\n  %1 ").arg(QLatin1String(option))))
            << option << " is not described";
    }
    EXPECT_TRUE(usage.endsWith(QLatin1Char('\n')));
}
