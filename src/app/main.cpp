// Quillstack: a clipboard history in the system tray.

#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/DesktopServices.h"
#include "app/PastePanelPresenter.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "platform/x11/XdgAutostartLoginItem.h"
#include "platform/x11/XdgDataLocations.h"
#include "store/ClipboardManager.h"

#include "BuildInfo.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace quillstack;

namespace {

void print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// For measurements: with QUILLSTACK_READY_FD set to an open file descriptor, "ready" and a line
// feed are written to it (and it is closed) once start-up has finished and the event loop has
// handled what start-up queued: history loaded, clipboard watched, shortcut registered, tray
// item shown. Normal runs do not set it.
void reportReadinessWhenIdle() {
    bool ok = false;
    const int fd = qEnvironmentVariableIntValue("QUILLSTACK_READY_FD", &ok);
    qunsetenv("QUILLSTACK_READY_FD");
    if (!ok || fd < 0) {
        return;
    }
    QTimer::singleShot(0, [fd] {
        static constexpr char line[] = "ready\n";
        [[maybe_unused]] const ssize_t written = ::write(fd, line, sizeof line - 1);
        ::close(fd);
    });
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const CommandLine commandLine = CommandLine::parse(arguments);
    if (commandLine.action() == CommandLine::Action::help) {
        if (commandLine.error()) {
            print(stderr, QStringLiteral("quillstack: ") + *commandLine.error() +
                              QStringLiteral("\n") + CommandLine::usage());
            return 2;
        }
        print(stdout, CommandLine::usage());
        return 0;
    }
    if (commandLine.action() == CommandLine::Action::version) {
        print(stdout, CommandLine::versionText());
        return 0;
    }

    // A write to a reader that has gone (a closed pipe) must not end the program.
    std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<SingleInstance> instance;
    if (const std::optional<QString> folder = SingleInstance::defaultFolder()) {
        instance = std::make_unique<SingleInstance>(*folder);
        if (!instance->claim()) {
            QCoreApplication core(argc, argv);
            if (instance->send(commandLine.request())) {
                return 0;
            }
            print(stderr, QStringLiteral("quillstack: the running Quillstack did not answer.\n"));
            return 1;
        }
    } else {
        print(stderr, QStringLiteral("quillstack: no private runtime folder; another Quillstack "
                                     "may run beside this one.\n"));
    }
    if (commandLine.action() != CommandLine::Action::run) {
        print(stderr, QStringLiteral("quillstack: Quillstack is not running.\n"));
        return 1;
    }

    // Without any display Qt would abort inside QApplication; say why and stop instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        print(stderr, QStringLiteral("quillstack: no display to run on (neither DISPLAY nor "
                                     "WAYLAND_DISPLAY is set).\n"));
        return 1;
    }
    // The panel is an X11 window wherever there is an X11 display, XWayland included.
    DesktopServices::preparePlatformPlugin();
    QApplication::setApplicationName(QStringLiteral("quillstack"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillstack"));
    QApplication::setDesktopFileName(QStringLiteral(QUILLSTACK_APP_ID));
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // File icons come from the desktop's icon theme; where the desktop names none that has them
    // (a bare X session), Adwaita's generic ones stand in.
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

    DesktopServices desktop;
    XdgDataLocations locations;
    XdgAutostartLoginItem loginItems;

    AppDelegate::Services services;
    services.store.pasteboard = desktop.pasteboard();
    services.store.locations = &locations;
    services.store.workspace = desktop.workspace();
    services.store.trust = desktop.trust();
    services.store.keystrokes = desktop.keystrokes();
    services.store.fallback = desktop.fallback();
    services.loginItems = &loginItems;
    services.hotkeys = desktop.hotkeys();
    services.makePanel = [](ClipboardManager& manager, PanelViewModel& model,
                            AppSettings& settings) {
        return std::make_unique<PastePanelPresenter>(manager, model, settings);
    };
    AppDelegate delegate(services);
    desktop.wakeMonitoring(delegate.manager());

    // Every way to end the program (the tray menu, `quillstack --quit`, SIGTERM, SIGINT, SIGHUP)
    // leaves the event loop, after which the shutdown sequence runs.
    QObject::connect(&delegate, &AppDelegate::terminationRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::terminationRequested, &delegate,
                     &AppDelegate::quitApp);
    if (instance) {
        QObject::connect(instance.get(), &SingleInstance::requestReceived, &delegate,
                         [&delegate](SingleInstance::Request request) {
                             switch (request) {
                             case SingleInstance::Request::open:
                                 delegate.openPanel();
                                 break;
                             case SingleInstance::Request::toggle:
                                 delegate.togglePanel();
                                 break;
                             case SingleInstance::Request::quit:
                                 delegate.quitApp();
                                 break;
                             }
                         });
        if (!instance->listen()) {
            print(stderr, QStringLiteral("quillstack: cannot listen on ") + instance->socketPath() +
                              QStringLiteral("\n"));
        }
    }

    delegate.applicationDidFinishLaunching();
    reportReadinessWhenIdle();
    const int status = QApplication::exec();
    delegate.applicationWillTerminate();
    // A capture still waiting for a clipboard owner is given up rather than waited for.
    desktop.cancelReads();
    return status;
}
