// The tray item's image, tooltip and menu, and what its two entries announce.

#include "app/TrayItem.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

using namespace quillstack;

TEST(TrayItem, ShowsTheLogoTooltipAndTwoEntryMenu) {
    QImage logo(18, 18, QImage::Format_ARGB32);
    logo.fill(Qt::red);
    testing::internal::CaptureStderr();
    TrayItem item(logo);
    TrayItem second(std::nullopt);
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_FALSE(item.showsFallbackSymbol());
    EXPECT_FALSE(item.icon().icon().isNull());
    EXPECT_EQ(item.icon().toolTip(), QStringLiteral("Quillstack"));
    EXPECT_EQ(item.icon().contextMenu(), &item.menu());

    const QList<QAction*> actions = item.menu().actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions.at(0)->text(), QStringLiteral("Open Clipboard History"));
    EXPECT_TRUE(actions.at(0)->shortcut().isEmpty());
    EXPECT_TRUE(actions.at(1)->isSeparator());
    EXPECT_EQ(actions.at(2)->text(), QStringLiteral("Quit Quillstack"));
    EXPECT_EQ(actions.at(2)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));

    // Without a logo: the paperclip symbol.
    EXPECT_TRUE(second.showsFallbackSymbol());
    EXPECT_FALSE(second.icon().icon().isNull());

    // The offscreen platform has no tray: that is said once, however many items are made.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        const std::string message = TrayItem::missingTrayMessage().toStdString();
        const auto at = err.find(message);
        ASSERT_NE(at, std::string::npos) << err;
        EXPECT_EQ(err.find(message, at + 1), std::string::npos) << err;
    }

    int opens = 0;
    int quits = 0;
    QObject::connect(&item, &TrayItem::openHistoryRequested, [&] { ++opens; });
    QObject::connect(&item, &TrayItem::quitRequested, [&] { ++quits; });
    item.openHistoryAction()->trigger();
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(quits, 0);
    item.quitAction()->trigger();
    EXPECT_EQ(quits, 1);
}
