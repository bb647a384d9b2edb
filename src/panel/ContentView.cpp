#include "panel/ContentView.h"

// Before the panel's headers: HistoryFilter's qHash would otherwise hide the one the shortcut
// types call for their raw integer.
#include "settings/AppSettings.h"

#include "app/AppLogo.h"
#include "app/SymbolIcon.h"
#include "app/VisualEffectView.h"
#include "panel/EmptyStateView.h"
#include "panel/HistoryListModel.h"
#include "panel/HistoryRowDelegate.h"
#include "panel/IconButton.h"
#include "panel/PanelViewModel.h"
#include "panel/RowPreviewCache.h"
#include "panel/SettingsOverlay.h"
#include "settings/HotkeySettingsView.h"
#include "settings/PopupButton.h"
#include "settings/ViewStyle.h"
#include "store/ClipboardManager.h"

#include <QEasingCurve>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <utility>

namespace quillstack {

namespace {

constexpr int contentInset = 14;

QLabel* textLabel(const QString& text, const QFont& font, const QColor& colour) {
    auto* label = new QLabel(text);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QPixmap symbolPixmap(const QString& name, const QColor& colour, int side, qreal ratio) {
    return QPixmap::fromImage(SymbolIcon::image(name, colour, QSize(side, side), ratio));
}

} // namespace

ContentView::ContentView(ClipboardManager& manager, PanelViewModel& model, AppSettings& settings,
                         QWidget* parent)
    : QWidget(parent), manager_(manager), model_(model), settings_(settings) {
    setFixedSize(panelWidth, panelHeight);
    setPalette(ViewStyle::darkPalette());
    setFont(ViewStyle::font(13));
    cache_ = new RowPreviewCache(manager_, this);

    auto* column = new QVBoxLayout(this);
    const int inset = cardMargin + contentInset;
    column->setContentsMargins(inset, inset, inset, inset);
    column->setSpacing(0);
    column->addWidget(buildHeader());
    auto* separator = new QWidget;
    separator->setFixedHeight(1);
    separator->setAutoFillBackground(true);
    QPalette separatorPalette = separator->palette();
    separatorPalette.setColor(QPalette::Window, ViewStyle::white(0.12));
    separator->setPalette(separatorPalette);
    column->addWidget(separator);
    column->addWidget(buildList(), 1);

    overlay_ = new SettingsOverlay(
        settings_, [this] { setShowingHotkeySettings(false); }, this);
    overlay_->setGeometry(rect());
    overlay_->hide();

    connect(&manager_, &ClipboardManager::historyChanged, this, &ContentView::historyChanged);
    connect(&model_, &PanelViewModel::effectiveSearchQueryChanged, this, &ContentView::reload);
    connect(&model_, &PanelViewModel::selectedFilterChanged, this, &ContentView::filterChanged);
    connect(&model_, &PanelViewModel::selectedIDChanged, this, &ContentView::selectionChanged);
    connect(&model_, &PanelViewModel::searchQueryChanged, this, [this] {
        if (searchField_->text() != model_.searchQuery()) {
            searchField_->setText(model_.searchQuery());
        }
    });
    connect(&settings_, &AppSettings::hotkeyConfigChanged, this, &ContentView::refreshHeader);
    connect(&settings_, &AppSettings::registeredHotkeyChanged, this, &ContentView::refreshHeader);
    reload();
}

ContentView::~ContentView() = default;

QWidget* ContentView::buildHeader() {
    auto* header = new QWidget;
    auto* rows = new QVBoxLayout(header);
    rows->setContentsMargins(2, 0, 2, 10);
    rows->setSpacing(10);

    // Row 1: logo, name, shortcut badge, entry count.
    auto* first = new QHBoxLayout;
    first->setSpacing(10);
    auto* logo = new QLabel;
    logo->setFixedSize(18, 18);
    const qreal ratio = devicePixelRatioF();
    if (const std::optional<QImage> image = loadAppLogo(18 * ratio)) {
        QPixmap pixmap = QPixmap::fromImage(*image);
        pixmap.setDevicePixelRatio(ratio);
        logo->setPixmap(pixmap);
        logo->setScaledContents(true);
    } else {
        logo->setPixmap(
            symbolPixmap(QStringLiteral("paperclip.circle.fill"), ViewStyle::primary(), 18, ratio));
    }
    first->addWidget(logo);
    first->addWidget(textLabel(QStringLiteral("Quillstack"), ViewStyle::font(20, QFont::DemiBold),
                               ViewStyle::primary()));
    first->addStretch(1);
    badge_ = textLabel(QString(), ViewStyle::font(12, QFont::DemiBold, true), ViewStyle::primary());
    badge_->setStyleSheet(QStringLiteral("QLabel { background: rgba(255,255,255,26);"
                                         " border-radius: 11px; padding: 4px 8px; }"));
    badge_->setFixedHeight(22);
    first->addWidget(badge_);
    count_ = textLabel(QString(), ViewStyle::font(12, QFont::Medium), ViewStyle::secondary());
    first->addWidget(count_);
    rows->addLayout(first);

    // Row 2: search box, filter menu, settings and clear buttons.
    auto* second = new QHBoxLayout;
    second->setSpacing(8);
    auto* searchBox = new QWidget;
    searchBox->setObjectName(QStringLiteral("searchBox"));
    searchBox->setAttribute(Qt::WA_StyledBackground);
    searchBox->setStyleSheet(
        QStringLiteral("#searchBox { background: rgba(255,255,255,18); border-radius: 10px; }"));
    auto* search = new QHBoxLayout(searchBox);
    search->setContentsMargins(10, 7, 10, 7);
    search->setSpacing(6);
    auto* magnifier = new QLabel;
    magnifier->setPixmap(
        symbolPixmap(QStringLiteral("magnifyingglass"), ViewStyle::secondary(), 15, ratio));
    search->addWidget(magnifier);
    searchField_ = new QLineEdit;
    searchField_->setPlaceholderText(QStringLiteral("Search clipboard..."));
    searchField_->setFrame(false);
    searchField_->setFont(ViewStyle::font(13));
    searchField_->setStyleSheet(
        QStringLiteral("QLineEdit { background: transparent; border: none; padding: 0px;"
                       " color: rgba(255,255,255,235);"
                       " selection-background-color: %1; }")
            .arg(ViewStyle::accent().name()));
    searchField_->setAccessibleName(QStringLiteral("Search clipboard"));
    search->addWidget(searchField_, 1);
    second->addWidget(searchBox, 1);
    connect(searchField_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setSearchQuery(text); });

    filter_ = new PopupButton;
    filter_->setAccessibleName(QStringLiteral("Type"));
    filter_->setFocusPolicy(Qt::NoFocus);
    for (const HistoryFilter filter : HistoryFilter::allCases()) {
        filter_->addItem(filter.title(), filter.rawValue());
    }
    filter_->setFixedWidth(120);
    filter_->setFixedHeight(IconButton::side);
    connect(filter_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < static_cast<int>(HistoryFilter::allCases().size())) {
            model_.setSelectedFilter(HistoryFilter::allCases()[static_cast<size_t>(index)]);
        }
    });
    second->addWidget(filter_);

    settingsButton_ = new IconButton(QStringLiteral("gearshape"));
    connect(settingsButton_, &QAbstractButton::clicked, this,
            [this] { setShowingHotkeySettings(true); });
    second->addWidget(settingsButton_);
    clearButton_ = new IconButton(QStringLiteral("trash"));
    connect(clearButton_, &QAbstractButton::clicked, this, [this] { manager_.deleteAll(); });
    second->addWidget(clearButton_);
    rows->addLayout(second);
    return header;
}

QWidget* ContentView::buildList() {
    states_ = new QStackedWidget;
    historyEmpty_ = new EmptyStateView(
        QStringLiteral("doc.on.clipboard"), 42, QStringLiteral("Clipboard history is empty"),
        QStringLiteral("Copy text, files, HTML, Markdown, colors, or images"));
    noMatches_ = new EmptyStateView(QStringLiteral("line.3.horizontal.decrease.circle"), 36,
                                    QStringLiteral("No matches found"),
                                    QStringLiteral("Try another search or filter"));

    list_ = new QListView;
    list_->setFrameShape(QFrame::NoFrame);
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list_->setResizeMode(QListView::Adjust);
    list_->setUniformItemSizes(false);
    list_->setMouseTracking(false);
    list_->viewport()->setAutoFillBackground(false);
    list_->setAutoFillBackground(false);
    list_->setStyleSheet(QStringLiteral(
        "QListView { background: transparent; border: none; }"
        "QScrollBar:vertical { background: transparent; width: 10px; margin: 10px 1px 10px 3px; }"
        "QScrollBar::handle:vertical { background: rgba(255,255,255,60); border-radius: 3px;"
        " min-height: 36px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
    list_->verticalScrollBar()->setSingleStep(24);
    rows_ = new HistoryListModel(list_);
    delegate_ = new HistoryRowDelegate(*cache_, *list_);
    list_->setModel(rows_);
    list_->setItemDelegate(delegate_);
    list_->viewport()->installEventFilter(this);
    scroll_ = new QPropertyAnimation(list_->verticalScrollBar(), "value", this);
    scroll_->setDuration(scrollDurationMs);
    scroll_->setEasingCurve(QEasingCurve::OutCubic);

    states_->addWidget(historyEmpty_);
    states_->addWidget(noMatches_);
    states_->addWidget(list_);
    return states_;
}

void ContentView::setTranslucent(bool translucent) {
    translucent_ = translucent;
    update();
}

void ContentView::setShowingHotkeySettings(bool showing) {
    showingHotkeySettings_ = showing;
    overlay_->setVisible(showing);
    if (showing) {
        overlay_->raise();
        overlay_->card()->setFocus(Qt::OtherFocusReason);
    } else if (isVisible()) {
        focusSearchField();
    }
}

void ContentView::focusSearchField() {
    searchField_->setFocus(Qt::OtherFocusReason);
}

ContentView::ListState ContentView::listState() const {
    if (manager_.history().isEmpty()) {
        return ListState::historyEmpty;
    }
    return rows_->rowCount() == 0 ? ListState::noMatches : ListState::entries;
}

void ContentView::reload() {
    const bool wasListing = states_->currentWidget() == list_;
    QList<ClipboardEntry> entries;
    if (!manager_.history().isEmpty()) {
        entries = model_.filteredEntries();
    }
    rows_->setContents(std::move(entries), !model_.effectiveSearchQuery().isEmpty(),
                       model_.selectedID());
    if (std::exchange(scrollPending_, false) && model_.selectedID()) {
        scrollToCentre(*model_.selectedID());
    }
    switch (listState()) {
    case ListState::historyEmpty:
        states_->setCurrentWidget(historyEmpty_);
        break;
    case ListState::noMatches:
        states_->setCurrentWidget(noMatches_);
        break;
    case ListState::entries:
        states_->setCurrentWidget(list_);
        break;
    }
    refreshHeader();
    if (!wasListing && listState() == ListState::entries) {
        model_.syncSelection();
    }
}

void ContentView::refreshHeader() {
    const std::optional<HotkeyConfig> shortcut = settings_.registeredHotkey();
    badge_->setText(HotkeySettingsView::shortcutText(shortcut));
    badge_->setToolTip(HotkeySettingsView::shortcutToolTip(shortcut));
    count_->setText(QString::number(manager_.history().size()));
    clearButton_->setEnabled(!manager_.history().isEmpty());
}

void ContentView::historyChanged() {
    reload();
    if (listState() == ListState::entries) {
        model_.syncSelection();
    }
}

void ContentView::filterChanged() {
    const auto& cases = HistoryFilter::allCases();
    const auto found = std::find(cases.begin(), cases.end(), model_.selectedFilter());
    filter_->setCurrentIndex(static_cast<int>(found - cases.begin()));
    reload();
    if (listState() == ListState::entries) {
        model_.syncSelection();
    }
}

void ContentView::selectionChanged() {
    const std::optional<QUuid>& selected = model_.selectedID();
    rows_->setSelectedID(selected);
    if (selected) {
        // A new copy is selected before the rows are reloaded with it.
        scrollPending_ = !scrollToCentre(*selected);
    }
}

void ContentView::revealSelection() {
    if (const std::optional<QUuid>& selected = model_.selectedID()) {
        scrollToCentre(*selected, false);
    }
}

bool ContentView::scrollToCentre(const QUuid& id, bool animated) {
    const int row = rows_->rowOf(id);
    if (row < 0) {
        return false;
    }
    const QRect item = list_->visualRect(rows_->index(row));
    const QRect card = HistoryRowDelegate::cardRect(item, row, delegate_->cardWidth());
    QScrollBar* bar = list_->verticalScrollBar();
    const int target =
        std::clamp(bar->value() + card.center().y() - list_->viewport()->height() / 2,
                   bar->minimum(), bar->maximum());
    scroll_->stop();
    if (!animated || !list_->isVisible() || target == bar->value()) {
        bar->setValue(target);
        return true;
    }
    scroll_->setStartValue(bar->value());
    scroll_->setEndValue(target);
    scroll_->start();
    return true;
}

void ContentView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const VisualEffectView material;
    const QRectF card = QRectF(rect()).adjusted(cardMargin, cardMargin, -cardMargin, -cardMargin);
    QPainterPath shape;
    shape.addRoundedRect(card, cardRadius, cardRadius);
    if (translucent_) {
        // A soft shadow in the margin, darkest along the card's edge.
        painter.setPen(Qt::NoPen);
        for (int spread = cardMargin; spread >= 1; --spread) {
            const qreal strength = 1.0 - (spread - 1) / qreal(cardMargin);
            painter.setBrush(QColor(0, 0, 0, qRound(9 * strength * strength)));
            const QRectF halo = card.adjusted(-spread, -spread + 2, spread, spread + 2);
            painter.drawRoundedRect(halo, cardRadius + spread, cardRadius + spread);
        }
    } else {
        // No compositor: nothing outside the card can be transparent, so it takes the card's
        // colour (the window's mask cuts it away where a mask is supported).
        painter.fillRect(rect(), material.baseColor(false));
    }
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillPath(shape, Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    material.paint(painter, shape, translucent_);
    painter.strokePath(shape, QPen(ViewStyle::white(0.14), 1));
}

void ContentView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (overlay_) {
        overlay_->setGeometry(rect());
    }
}

bool ContentView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            return handleListMouse(event);
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool ContentView::handleListMouse(QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton && event->type() != QEvent::MouseMove) {
        return true;
    }
    const QPoint pos = mouse->position().toPoint();
    const QModelIndex index = list_->indexAt(pos);
    std::optional<QUuid> hitID;
    bool onDelete = false;
    if (index.isValid()) {
        const QRect card = HistoryRowDelegate::cardRect(list_->visualRect(index), index.row(),
                                                        delegate_->cardWidth());
        if (card.contains(pos)) {
            const ClipboardEntry& entry = rows_->entryAt(index.row());
            hitID = entry.id();
            onDelete = delegate_->deleteButtonRect(card, entry).contains(pos);
        }
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        pressedID_ = hitID;
        pressedDelete_ = onDelete;
        break;
    case QEvent::MouseButtonRelease: {
        const std::optional<QUuid> pressed = std::exchange(pressedID_, std::nullopt);
        if (!pressed || pressed != hitID || pressedDelete_ != onDelete) {
            break;
        }
        if (onDelete) {
            manager_.deleteEntry(*pressed);
        } else {
            // A copy: activation may change the list the row belongs to.
            const ClipboardEntry entry = rows_->entryAt(index.row());
            model_.activate(entry);
        }
        break;
    }
    default:
        break;
    }
    return true;
}

} // namespace quillstack
