// Renders the real history panel on the current X display and saves a screenshot of it:
//   quillstack_screenshots <scene> <output.png>
// Scenes: empty, history, history-scrolled, html, no-matches, settings. Run it under a window
// manager and a compositing manager (docs/screenshots.sh does) so that the translucency shows.

// The shortcut types before the panel's: HistoryFilter's qHash would hide theirs.
#include "settings/AppSettings.h"

#include "SampleHistory.h"

#include "app/PastePanel.h"
#include "app/PastePanelController.h"
#include "panel/ContentView.h"
#include "panel/PanelViewModel.h"
#include "platform/memory/MemoryDataLocations.h"
#include "platform/memory/MemoryLoginItemService.h"

#include <QApplication>
#include <QIcon>
#include <QListView>
#include <QPainter>
#include <QProcess>
#include <QRadialGradient>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace quillstack;

namespace {

// A desktop-like backdrop, so that the panel's translucency has something to show.
class Backdrop : public QWidget {
public:
    Backdrop() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint) {
        setAttribute(Qt::WA_X11NetWmWindowTypeDesktop);
        setGeometry(QGuiApplication::primaryScreen()->geometry());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient base(0, 0, width(), height());
        base.setColorAt(0.0, QColor(38, 70, 140));
        base.setColorAt(0.5, QColor(120, 60, 150));
        base.setColorAt(1.0, QColor(230, 120, 90));
        painter.fillRect(rect(), base);
        const auto blob = [&](QPointF centre, qreal radius, QColor colour) {
            QRadialGradient glow(centre, radius);
            glow.setColorAt(0, colour);
            colour.setAlpha(0);
            glow.setColorAt(1, colour);
            painter.fillRect(rect(), glow);
        };
        blob({width() * 0.3, height() * 0.35}, height() * 0.45, QColor(90, 200, 250, 170));
        blob({width() * 0.7, height() * 0.7}, height() * 0.4, QColor(255, 190, 90, 150));
        blob({width() * 0.55, height() * 0.2}, height() * 0.3, QColor(250, 120, 200, 120));
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <scene> <output.png>\n", argv[0]);
        return 2;
    }
    const QString scene = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);

    QTemporaryDir dir;
    MemoryDataLocations locations(dir.path(), dir.path());
    MemoryLoginItemService loginItems;
    AppSettings settings(locations, loginItems);
    ClipboardManager manager(ClipboardManager::Services{.locations = &locations});
    const QDateTime now =
        QDateTime::currentDateTime().date().startOfDay().addSecs(10 * 3600 + 42 * 60);
    if (scene == QLatin1String("html")) {
        sample::fill(manager, sample::htmlCopies(now));
    } else if (scene != QLatin1String("empty")) {
        sample::fill(manager, sample::everyKind(now));
    }
    PanelViewModel model(manager);
    PastePanelController controller(manager, model, settings);

    Backdrop backdrop;
    backdrop.show();

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPointF centre(screen.center().x() + 0.5, screen.center().y() + 0.5);
    if (scene == QLatin1String("no-matches")) {
        model.setSearchQuery(QStringLiteral("zebra quartz"));
    }
    if (scene == QLatin1String("settings")) {
        controller.contentView()->setShowingHotkeySettings(true);
    }

    QTimer::singleShot(
        600, [&] { controller.show(PastePanelController::fromScreenCoordinates(centre)); });
    QTimer::singleShot(1000, [&] {
        if (scene == QLatin1String("history-scrolled")) {
            QScrollBar* bar = controller.contentView()->listView()->verticalScrollBar();
            bar->setValue(bar->maximum());
        }
    });
    QTimer::singleShot(1800, [&] {
        const QRect frame = controller.panel()->frameGeometry().adjusted(-40, -40, 40, 40);
        const QString crop = QStringLiteral("%1x%2+%3+%4")
                                 .arg(frame.width())
                                 .arg(frame.height())
                                 .arg(frame.x())
                                 .arg(frame.y());
        const int status =
            QProcess::execute(QStringLiteral("import"),
                              {QStringLiteral("-window"), QStringLiteral("root"),
                               QStringLiteral("-crop"), crop, QStringLiteral("+repage"), output});
        app.exit(status == 0 ? 0 : 1);
    });
    return app.exec();
}
