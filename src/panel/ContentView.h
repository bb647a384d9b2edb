#pragma once

#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <optional>

class QLabel;
class QLineEdit;
class QListView;
class QPropertyAnimation;
class QStackedWidget;

namespace quillstack {

class AppSettings;
class ClipboardManager;
class EmptyStateView;
class HistoryListModel;
class HistoryRowDelegate;
class IconButton;
class PanelViewModel;
class PopupButton;
class RowPreviewCache;
class SettingsOverlay;

// Everything drawn inside the history panel: the translucent rounded card with its two header
// rows (logo, name, shortcut, entry count; search field, kind filter, settings and clear
// buttons), a separator, and one of three list states: the empty history, no matches, or the
// rows. The settings button lays the shortcut settings over the panel.
//
// The view keeps no list state of its own: the rows, the query, the filter and the selection
// come from the view model, the entries from the store, the shortcut from the settings. It
// re-synchronises the selection when the list appears, after a filter change and after a history
// change, and scrolls every newly assigned selection to the middle of the list. The header's
// badge shows the shortcut actually registered, with its PC key names as a tooltip.
class ContentView : public QWidget {
    Q_OBJECT

public:
    // The panel's size, and the transparent margin around the card inside it.
    static constexpr int panelWidth = 700;
    static constexpr int panelHeight = 470;
    static constexpr int cardMargin = 10;
    static constexpr int cardRadius = 20;
    // Duration of the scroll that centres the selection.
    static constexpr int scrollDurationMs = 120;

    enum class ListState { historyEmpty, noMatches, entries };

    // The three objects must outlive the view.
    ContentView(ClipboardManager& manager, PanelViewModel& model, AppSettings& settings,
                QWidget* parent = nullptr);
    ~ContentView() override;

    // Whether the desktop shows through the card (a compositing manager runs). Without it the
    // card is opaque and the margin around it takes the card's colour.
    void setTranslucent(bool translucent);
    bool isTranslucent() const { return translucent_; }

    bool isShowingHotkeySettings() const { return showingHotkeySettings_; }
    void setShowingHotkeySettings(bool showing);

    ListState listState() const;
    // Centres the selected row at once, without the animated scroll; the panel calls it each
    // time it is shown, so the entry that Return would paste is in view.
    void revealSelection();
    // Puts the keyboard focus into the search field.
    void focusSearchField();

    // The parts, for the panel window and for tests.
    QLineEdit* searchField() const { return searchField_; }
    PopupButton* filterMenu() const { return filter_; }
    IconButton* settingsButton() const { return settingsButton_; }
    IconButton* clearButton() const { return clearButton_; }
    QListView* listView() const { return list_; }
    QLabel* shortcutBadge() const { return badge_; }
    QLabel* entryCount() const { return count_; }
    EmptyStateView* historyEmptyView() const { return historyEmpty_; }
    EmptyStateView* noMatchesView() const { return noMatches_; }
    SettingsOverlay* settingsOverlay() const { return overlay_; }
    HistoryRowDelegate* rowDelegate() const { return delegate_; }
    RowPreviewCache& previewCache() const { return *cache_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildList();
    void reload();
    void refreshHeader();
    void historyChanged();
    void filterChanged();
    void selectionChanged();
    // False when the list holds no row for the id (yet).
    bool scrollToCentre(const QUuid& id, bool animated = true);
    bool handleListMouse(QEvent* event);

    ClipboardManager& manager_;
    PanelViewModel& model_;
    AppSettings& settings_;
    bool translucent_ = true;
    bool showingHotkeySettings_ = false;

    RowPreviewCache* cache_ = nullptr;
    HistoryListModel* rows_ = nullptr;
    HistoryRowDelegate* delegate_ = nullptr;
    QLabel* badge_ = nullptr;
    QLabel* count_ = nullptr;
    QLineEdit* searchField_ = nullptr;
    PopupButton* filter_ = nullptr;
    IconButton* settingsButton_ = nullptr;
    IconButton* clearButton_ = nullptr;
    QStackedWidget* states_ = nullptr;
    EmptyStateView* historyEmpty_ = nullptr;
    EmptyStateView* noMatches_ = nullptr;
    QListView* list_ = nullptr;
    SettingsOverlay* overlay_ = nullptr;
    QPropertyAnimation* scroll_ = nullptr;

    // The row under a press, and whether the press was on its delete button.
    std::optional<QUuid> pressedID_;
    bool pressedDelete_ = false;
    // The selection moved to a row the list did not hold yet: centred once the rows reload.
    bool scrollPending_ = false;
};

} // namespace quillstack
