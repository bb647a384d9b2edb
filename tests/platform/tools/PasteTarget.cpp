// A window with one focused text field, into which a test pastes.
//
//   quillstack-paste-target [--class CLASS] [--terminal]
//
// WM_CLASS is "quillstack-paste-target" "CLASS" (default QuillstackPasteTarget); as a native
// Wayland window its app_id is CLASS. With --terminal the field takes a terminal emulator's keys:
// Control+Shift+V pastes and Control+V types "^V". Prints "ready WINDOW" (the X11 window id) once
// the field has the keyboard focus, then answers commands on standard input, one a line:
//   text      prints "text: " and the field's text     clear  empties it, prints "cleared"
//   activate  asks to be made active, prints "active" once it is
// At the end of standard input the field's text is printed as for "text".
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString& line) {
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

class TerminalKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* field = qobject_cast<QLineEdit*>(watched);
        if (event->type() != QEvent::KeyPress || !field ||
            static_cast<QKeyEvent*>(event)->key() != Qt::Key_V) {
            return false;
        }
        const auto modifiers =
            static_cast<QKeyEvent*>(event)->modifiers() &
            (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
        if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
            field->paste();
        } else if (modifiers == Qt::ControlModifier) {
            field->insert(QStringLiteral("^V"));
        } else {
            return false;
        }
        return true;
    }
};

// Says the line once the window is active and the field has the focus.
void sayWhenFocused(QWidget* window, QLineEdit* field, const QString& line) {
    auto* poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, window, [=] {
        if (window->isActiveWindow() && field->hasFocus()) {
            poll->deleteLater();
            say(line);
        }
    });
    poll->start(10);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    const bool terminal = arguments.removeAll(QStringLiteral("--terminal")) > 0;
    const QString windowClass =
        arguments.size() == 2 ? arguments[1] : QStringLiteral("QuillstackPasteTarget");
    // Qt names the window class after the application, the app_id after the desktop file.
    QApplication::setApplicationName(windowClass);
    QGuiApplication::setDesktopFileName(windowClass);
    qputenv("RESOURCE_NAME", "quillstack-paste-target");

    QWidget window;
    window.setWindowTitle(QStringLiteral("Paste target (%1)").arg(windowClass));
    auto* field = new QLineEdit(&window);
    (new QVBoxLayout(&window))->addWidget(field);
    window.resize(480, 80);
    TerminalKeys terminalKeys;
    if (terminal) {
        field->installEventFilter(&terminalKeys);
    }
    window.show();
    window.activateWindow();
    field->setFocus();
    sayWhenFocused(&window, field, QStringLiteral("ready %1").arg(window.winId()));

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        pending.append(buffer, qsizetype(std::max<ssize_t>(count, 0)));
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
            const QByteArray command = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (command == "text") {
                say(QStringLiteral("text: ") + field->text());
            } else if (command == "clear") {
                field->clear();
                say(QStringLiteral("cleared"));
            } else if (command == "activate") {
                window.raise();
                window.activateWindow();
                field->setFocus();
                sayWhenFocused(&window, field, QStringLiteral("active"));
            }
        }
        if (count <= 0) {
            input.setEnabled(false);
            say(QStringLiteral("text: ") + field->text());
            QApplication::quit();
        }
    });
    return QApplication::exec();
}
