#include "app/PastePanelPresenter.h"

#include "app/PastePanelController.h"

namespace quillstack {

PastePanelPresenter::PastePanelPresenter(ClipboardManager& manager, PanelViewModel& model,
                                         AppSettings& settings)
    : manager_(manager), model_(model), settings_(settings) {}

PastePanelPresenter::~PastePanelPresenter() = default;

PastePanelController& PastePanelPresenter::controller() {
    if (!controller_) {
        controller_ = std::make_unique<PastePanelController>(manager_, model_, settings_);
    }
    return *controller_;
}

bool PastePanelPresenter::isVisible() const {
    return controller_ && controller_->isVisible();
}

void PastePanelPresenter::show(const QPointF& point) {
    controller().show(point);
}

void PastePanelPresenter::hide() {
    if (controller_) {
        controller_->hide();
    }
}

QPointF PastePanelPresenter::pointerLocation() const {
    return PastePanelController::pointerLocation();
}

} // namespace quillstack
