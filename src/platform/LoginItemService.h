#pragma once

#include <QString>

#include <optional>

namespace quillstack {

// Whether the desktop starts the program when the user logs in.
class LoginItemService {
public:
    virtual ~LoginItemService() = default;

    // Each returns nothing on success, or the system's description of the failure.
    virtual std::optional<QString> registerLoginItem() = 0;
    virtual std::optional<QString> unregisterLoginItem() = 0;
};

} // namespace quillstack
