#pragma once

#include "platform/LoginItemService.h"

namespace quillstack {

// Login items for tests: counts the requests and refuses them when told to.
class MemoryLoginItemService : public LoginItemService {
public:
    std::optional<QString> registerLoginItem() override;
    std::optional<QString> unregisterLoginItem() override;

    // While set, every request fails with this description.
    void setRefusal(std::optional<QString> description) { refusal_ = std::move(description); }

    int registerCount() const { return registerCount_; }
    int unregisterCount() const { return unregisterCount_; }
    // True after a successful register, false after a successful unregister.
    bool isRegistered() const { return registered_; }

private:
    std::optional<QString> refusal_;
    int registerCount_ = 0;
    int unregisterCount_ = 0;
    bool registered_ = false;
};

} // namespace quillstack
