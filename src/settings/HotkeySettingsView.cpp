#include "settings/HotkeySettingsView.h"

#include "settings/AppSettings.h"
#include "settings/PopupButton.h"
#include "settings/ToggleSwitch.h"
#include "settings/ViewStyle.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillstack {

namespace {

constexpr qreal cornerRadius = 14;

QWidget* pickerColumn(const QString& caption, PopupButton* picker, int width) {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* label = new QLabel(caption);
    label->setFont(ViewStyle::font(12, QFont::Medium));
    QPalette captionPalette = label->palette();
    captionPalette.setColor(QPalette::WindowText, ViewStyle::secondary());
    label->setPalette(captionPalette);
    picker->setAccessibleName(caption);
    picker->setFixedWidth(width);
    layout->addWidget(label);
    layout->addWidget(picker);
    return column;
}

} // namespace

HotkeySettingsView::HotkeySettingsView(AppSettings& settings, std::function<void()> onClose,
                                       QWidget* parent)
    : QWidget(parent), settings_(settings), onClose_(std::move(onClose)) {
    setFixedWidth(cardWidth);
    setPalette(ViewStyle::darkPalette());
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);

    auto* title = new QLabel(QStringLiteral("Shortcut Settings"));
    title->setFont(ViewStyle::font(18, QFont::DemiBold));

    modifiers_ = new PopupButton;
    for (const HotkeyModifierPreset preset : HotkeyModifierPreset::allCases()) {
        modifiers_->addItem(preset.label(), preset.rawValue());
    }
    key_ = new PopupButton;
    for (const HotkeyKey key : HotkeyKey::allCases()) {
        key_->addItem(key.label(), key.rawValue());
    }
    auto* pickers = new QHBoxLayout;
    pickers->setSpacing(12);
    pickers->addWidget(pickerColumn(QStringLiteral("Modifiers"), modifiers_, 140), 0,
                       Qt::AlignVCenter);
    pickers->addWidget(pickerColumn(QStringLiteral("Key"), key_, 110), 0, Qt::AlignVCenter);
    pickers->addStretch(1);

    current_ = new QLabel;
    current_->setFont(ViewStyle::font(13, QFont::DemiBold, true));
    current_->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(255,255,255,20); border-radius: 8px; padding: 6px 10px; }"));

    assigned_ = new QLabel;
    assigned_->setFont(ViewStyle::font(12));
    assigned_->setWordWrap(true);
    assigned_->hide();

    launchAtLogin_ = new ToggleSwitch(QStringLiteral("Start Quillstack when logging in"));
    launchAtLogin_->setFont(ViewStyle::font(13));
    launchAtLogin_->setOnColor(ViewStyle::accent());

    done_ = new QPushButton(QStringLiteral("Done"));
    done_->setDefault(true);
    done_->setCursor(Qt::PointingHandCursor);
    done_->setFont(ViewStyle::font(13, QFont::Medium));
    done_->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                       " border-radius: 7px; padding: 5px 18px; min-height: 18px; }"
                       "QPushButton:pressed { background: %2; }")
            .arg(ViewStyle::accent().name(), ViewStyle::accent().darker(125).name()));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(done_);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(20, 20, 20, 20);
    stack->setSpacing(16);
    stack->addWidget(title, 0, Qt::AlignLeft);
    stack->addLayout(pickers);
    stack->addWidget(current_, 0, Qt::AlignLeft);
    stack->addWidget(assigned_);
    stack->addWidget(launchAtLogin_);
    stack->addLayout(buttons);

    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setColor(QColor(0, 0, 0, 89));
    shadow->setBlurRadius(18);
    shadow->setOffset(0, 8);
    setGraphicsEffect(shadow);

    // `activated` is the user's choice only, so refreshing the pickers never writes back.
    connect(modifiers_, &QComboBox::activated, this, &HotkeySettingsView::chooseModifiers);
    connect(key_, &QComboBox::activated, this, &HotkeySettingsView::chooseKey);
    connect(launchAtLogin_, &QAbstractButton::clicked, this,
            [this](bool checked) { settings_.setLaunchAtLogin(checked); });
    connect(done_, &QPushButton::clicked, this, &HotkeySettingsView::close);
    connect(&settings_, &AppSettings::hotkeyConfigChanged, this, &HotkeySettingsView::refresh);
    connect(&settings_, &AppSettings::launchAtLoginChanged, this, &HotkeySettingsView::refresh);
    connect(&settings_, &AppSettings::registeredHotkeyChanged, this, &HotkeySettingsView::refresh);
    connect(&settings_, &AppSettings::assignedHotkeyTriggerChanged, this,
            &HotkeySettingsView::refresh);
    refresh();
}

QString HotkeySettingsView::shortcutText(const std::optional<HotkeyConfig>& registered) {
    return registered ? registered->displayString() : QStringLiteral("None");
}

QString HotkeySettingsView::shortcutToolTip(const std::optional<HotkeyConfig>& registered) {
    return registered ? registered->keyboardNames()
                      : QStringLiteral("No shortcut is registered: another program holds it");
}

QString HotkeySettingsView::currentShortcutText() const {
    return current_->text();
}

QString HotkeySettingsView::assignedTriggerText() const {
    return assigned_->text();
}

void HotkeySettingsView::refresh() {
    const HotkeyConfig config = settings_.hotkeyConfig();
    modifiers_->setCurrentIndex(modifiers_->findData(config.modifiers.rawValue()));
    key_->setCurrentIndex(key_->findData(config.key.rawValue()));
    const std::optional<HotkeyConfig> registered = settings_.registeredHotkey();
    current_->setText(QStringLiteral("Current: ") + shortcutText(registered));
    current_->setToolTip(shortcutToolTip(registered));
    const std::optional<QString>& assigned = settings_.assignedHotkeyTrigger();
    assigned_->setText(assigned ? QStringLiteral("Assigned by the desktop: ") + *assigned
                                : QString());
    assigned_->setVisible(assigned.has_value());
    launchAtLogin_->setChecked(settings_.launchAtLogin());
}

void HotkeySettingsView::chooseModifiers(int index) {
    const auto preset = HotkeyModifierPreset::fromRawValue(modifiers_->itemData(index).toString());
    if (preset) {
        HotkeyConfig config = settings_.hotkeyConfig();
        config.modifiers = *preset;
        settings_.setHotkeyConfig(config);
    }
}

void HotkeySettingsView::chooseKey(int index) {
    const auto key = HotkeyKey::fromRawValue(key_->itemData(index).toString());
    if (key) {
        HotkeyConfig config = settings_.hotkeyConfig();
        config.key = *key;
        settings_.setHotkeyConfig(config);
    }
}

void HotkeySettingsView::close() {
    if (onClose_) {
        onClose_();
    }
}

void HotkeySettingsView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HotkeySettingsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor background = ViewStyle::darkPalette().color(QPalette::Window);
    background.setAlphaF(0.95f);
    painter.setPen(QPen(ViewStyle::white(0.12), 1));
    painter.setBrush(background);
    painter.drawRoundedRect(card, cornerRadius, cornerRadius);
}

} // namespace quillstack
