// A window with one focused text field, into which a test pastes.
//
//   quillstack-paste-target [--class CLASS] [--terminal]
//
// The window's WM_CLASS is "quillstack-paste-target" "CLASS" (default QuillstackPasteTarget);
// as a native Wayland window (QT_QPA_PLATFORM=wayland) its app_id is CLASS.
// With --terminal the field behaves like a terminal emulator: Control+Shift+V pastes and
// Control+V types the two characters "^V".
//
// Standard output: "ready WINDOW" (the X11 window id, decimal) once the window is active and
// the field has the keyboard focus. Commands on standard input, one a line:
//   text      prints "text: " followed by the field's text
//   clear     empties the field, prints "cleared"
//   activate  asks for the window to be made active, prints "active" once it is
//   quit      ends the program
// At the end of standard input, or on quit, the field's text is printed as for "text".
// Exit status 2: bad command line.

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString& line) {
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

// Gives the field a terminal emulator's paste keys.
class TerminalKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        auto* key = static_cast<QKeyEvent*>(event);
        auto* field = qobject_cast<QLineEdit*>(watched);
        const auto modifiers = key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier |
                                                   Qt::AltModifier | Qt::MetaModifier);
        if (!field || key->key() != Qt::Key_V) {
            return false;
        }
        if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
            field->paste();
            return true;
        }
        if (modifiers == Qt::ControlModifier) {
            field->insert(QStringLiteral("^V"));
            return true;
        }
        return false;
    }
};

// Announces "prefix WINDOW" once the window is active and the field has the focus.
void announceWhenFocused(QWidget* window, QLineEdit* field, const QString& prefix) {
    auto* poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, window, [=] {
        if (window->isActiveWindow() && field->hasFocus()) {
            poll->deleteLater();
            say(prefix.isEmpty() ? QStringLiteral("ready %1").arg(window->winId()) : prefix);
        }
    });
    poll->start(10);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    const bool terminal = arguments.removeAll(QStringLiteral("--terminal")) > 0;
    QString windowClass = QStringLiteral("QuillstackPasteTarget");
    if (arguments.size() == 2 && arguments[0] == QStringLiteral("--class") &&
        !arguments[1].isEmpty()) {
        windowClass = arguments[1];
    } else if (!arguments.isEmpty()) {
        std::fputs("usage: quillstack-paste-target [--class CLASS] [--terminal]\n", stderr);
        return 2;
    }
    // Qt names the window class after the application, and a Wayland window's app_id after
    // the desktop file name.
    QApplication::setApplicationName(windowClass);
    QGuiApplication::setDesktopFileName(windowClass);
    qputenv("RESOURCE_NAME", "quillstack-paste-target");

    QWidget window;
    window.setWindowTitle(QStringLiteral("Paste target (%1)").arg(windowClass));
    auto* field = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(field);
    window.resize(480, 80);
    TerminalKeys terminalKeys;
    if (terminal) {
        field->installEventFilter(&terminalKeys);
    }
    window.show();
    window.activateWindow();
    field->setFocus();
    announceWhenFocused(&window, field, {});

    auto reportText = [field] { say(QStringLiteral("text: ") + field->text()); };
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            input.setEnabled(false);
            reportText();
            QApplication::quit();
            return;
        }
        pending.append(buffer, qsizetype(count));
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray command = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (command == "text") {
                reportText();
            } else if (command == "clear") {
                field->clear();
                say(QStringLiteral("cleared"));
            } else if (command == "activate") {
                window.raise();
                window.activateWindow();
                field->setFocus();
                announceWhenFocused(&window, field, QStringLiteral("active"));
            } else if (command == "quit") {
                reportText();
                QApplication::quit();
                return;
            }
        }
    });
    return QApplication::exec();
}
