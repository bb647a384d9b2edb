#pragma once

#include "app/PanelPresenter.h"

#include <memory>

namespace quillstack {

class AppSettings;
class ClipboardManager;
class PanelViewModel;
class PastePanelController;

// The real panel window: a PastePanelController over the store, the view model and the
// settings. The controller and its widgets are built when the panel is first shown, so that
// start-up does not wait for a window nobody has asked for yet, and the panel's list first
// appears with the newest entry selected.
class PastePanelPresenter : public PanelPresenter {
public:
    // The three objects must outlive the presenter.
    PastePanelPresenter(ClipboardManager& manager, PanelViewModel& model, AppSettings& settings);
    ~PastePanelPresenter() override;

    bool isVisible() const override;
    void show(const QPointF& point) override;
    void hide() override;
    QPointF pointerLocation() const override;

    bool isBuilt() const { return controller_ != nullptr; }

private:
    PastePanelController& controller();

    ClipboardManager& manager_;
    PanelViewModel& model_;
    AppSettings& settings_;
    std::unique_ptr<PastePanelController> controller_;
};

} // namespace quillstack
