#include "platform/HotkeyKeys.h"
#include "platform/IncrementalText.h"
#include "platform/PlatformChoice.h"

#include <gtest/gtest.h>

using namespace quillstack;

namespace {

using Choice = PlatformChoice;

// The globals each desktop advertises to a program it trusts (KWin's fake input and window
// management only to one whose desktop entry declares them).
QHash<QString, quint32> globalsOf(std::initializer_list<std::pair<const char*, quint32>> list) {
    QHash<QString, quint32> globals{{QStringLiteral("wl_seat"), 7},
                                    {QStringLiteral("wl_compositor"), 4}};
    for (const auto& [name, version] : list) {
        globals.insert(QLatin1String(name), version);
    }
    return globals;
}

namespace G = WaylandGlobal;
// clang-format off
const auto kwin = globalsOf({{G::extDataControl, 1}, {G::wlrDataControl, 2}, {G::kdeFakeInput, 4}, {G::plasmaWindowManagement, 18}});
const auto kwin527Untrusted = globalsOf({{G::wlrDataControl, 2}});
const auto sway17 = globalsOf({{G::wlrDataControl, 2}, {G::virtualKeyboard, 1}, {G::foreignToplevel, 3}});
const auto mutter = globalsOf({{"gtk_shell1", 5}});
const auto oldFakeInput = globalsOf({{G::wlrDataControl, 2}, {G::kdeFakeInput, 3}});
// clang-format on

struct Row {
    const char* desktop;
    DesktopOffer offer;
    Choice expected;     // without the missing capabilities (all X11 by default)
    QStringList missing; // words that each missing capability's sentence holds, in order
};

DesktopOffer wayland(QHash<QString, quint32> globals, bool portal = false, bool wtype = true) {
    return {std::nullopt, true, true, std::move(globals), portal, wtype};
}

DesktopOffer with(DesktopOffer offer, const char* override, bool x11 = true) {
    offer.platformOverride =
        *override ? std::optional(QString::fromLatin1(override)) : std::nullopt;
    offer.x11Display = x11;
    return offer;
}

const DesktopOffer x11Session{std::nullopt, false, true, {}, false, false};

using C = Choice::Clipboard;
using F = Choice::FrontWindow;
using K = Choice::Keystroke;
using L = Choice::Fallback;
using S = Choice::Shortcut;

Choice on(C clipboard, F frontWindow, K keystroke, L fallback, S shortcut) {
    return {Choice::Backend::wayland, clipboard, frontWindow, keystroke, fallback, shortcut, {}};
}

// clang-format off
const Row rows[] = {
    {"KWin with the desktop entry", wayland(kwin, true),
     on(C::extDataControl, F::plasmaWindowManagement, K::kdeFakeInput, L::wtype, S::portal), {}},
    {"KWin 5.27 without the desktop entry", wayland(kwin527Untrusted, true, false),
     on(C::wlrDataControl, F::none, K::none, L::none, S::portal), {"window list", "fake input", "wtype"}},
    {"fake input too old for keys", wayland(oldFakeInput, true),
     on(C::wlrDataControl, F::none, K::none, L::wtype, S::portal), {"window list", "fake input"}},
    {"sway without XWayland", with(wayland(sway17), "", false), on(C::wlrDataControl, F::wlrForeignToplevel,
     K::virtualKeyboard, L::wtype, S::compositorBinding), {"quillstack --toggle", "XWayland"}},
    {"GNOME", wayland(mutter, true), {}, {"no clipboard manager protocol"}},
    {"X11 session", x11Session, {}, {}},
    {"no display at all", DesktopOffer{}, {}, {"DISPLAY"}},
    {"sway forced to X11", with(wayland(sway17), "X11"), {}, {"no clipboard manager protocol"}},
    {"GNOME forced to Wayland", with(wayland(mutter), "wayland"), on(C::none, F::none, K::none, L::wtype,
     S::compositorBinding), {"nothing is recorded", "window list", "fake input", "quillstack --toggle"}},
    {"Wayland forced without a compositor", with(x11Session, "wayland"), {}, {"no Wayland compositor"}},
    {"unknown override", with(wayland(sway17), "mir"), on(C::wlrDataControl, F::wlrForeignToplevel,
     K::virtualKeyboard, L::wtype, S::compositorBinding), {"mir is not x11 or wayland", "quillstack --toggle"}},
};
// clang-format on

TEST(PlatformChoiceTest, EachDesktopGetsTheServicesItOffers) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.desktop);
        Choice choice = choosePlatform(row.offer);
        const QStringList missing = std::exchange(choice.missing, {});
        EXPECT_TRUE(choice == row.expected) << choice.summary().toStdString();
        EXPECT_TRUE(choice.summary().startsWith(
            QLatin1String(row.expected.backend == Choice::Backend::x11 ? "X11 (" : "Wayland (")));
        ASSERT_EQ(missing.size(), row.missing.size()) << missing.join(u'\n').toStdString();
        for (qsizetype i = 0; i < row.missing.size(); ++i) {
            EXPECT_TRUE(missing[i].contains(row.missing[i])) << missing[i].toStdString();
        }
    }
}

// The key names the desktops' shortcut services take.
TEST(HotkeyKeysTest, PortalTriggersInXdgNotation) {
    const std::tuple<quint32, quint32, std::optional<QString>> keys[] = {
        {0x09, 0x0300, QStringLiteral("SHIFT+LOGO+v")},     // Command+Shift+V
        {0x23, 0x1A00, QStringLiteral("CTRL+ALT+SHIFT+p")}, // Control+Option+Shift+P
        {0x00, 0x0000, QStringLiteral("a")},
        {0x24, 0x0100, std::nullopt}, // Return is not a letter key
        {0x09, 0x0001, std::nullopt}, // an unknown modifier bit
    };
    for (const auto& [keyCode, modifiers, trigger] : keys) {
        EXPECT_EQ(xdgShortcutTrigger(keyCode, modifiers), trigger) << keyCode;
    }
}

// Whatever the pieces and the announced size (only an estimate), the result is the whole input
// decoded at once.
TEST(IncrementalText, EqualsDecodingTheWholeInput) {
    using Encoding = IncrementalText::Encoding;
    const QByteArray inputs[] = {
        QByteArray(),
        "Grüße 🎈 ✓ 日本語",
        "\xEF\xBB\xBF"
        "after the mark",
        "caf\xc3 \xff\xfe end \xed\xa0\x80",
        "ends in the middle \xE2\x82",
        "x\xC3",
    };
    for (const QByteArray& bytes : inputs) {
        for (const qsizetype piece : {1, 2, 3, 7}) {
            for (const qint64 expected : {qint64(0), qint64(bytes.size()), qint64(1) << 20}) {
                SCOPED_TRACE(bytes.toHex().toStdString() + " in pieces of " +
                             std::to_string(piece) + ", " + std::to_string(expected) + " expected");
                for (const Encoding encoding : {Encoding::utf8, Encoding::latin1}) {
                    IncrementalText text(encoding);
                    text.expect(expected);
                    for (qsizetype at = 0; at < bytes.size(); at += piece) {
                        text.append(QByteArrayView(bytes).sliced(
                            at, std::min<qsizetype>(piece, bytes.size() - at)));
                    }
                    EXPECT_EQ(text.take(), encoding == Encoding::utf8 ? QString::fromUtf8(bytes)
                                                                      : QString::fromLatin1(bytes));
                }
            }
        }
    }
}

} // namespace
