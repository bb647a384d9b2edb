#pragma once

#include "platform/Workspace.h"

#include <QList>

namespace quillstack {

// A desktop whose front window is set by the test; activations are recorded and make the
// activated application the front one.
class MemoryWorkspace : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() const override { return frontmost_; }
    void activate(const RunningApplication& application) override;
    bool belongsToThisProcess(const RunningApplication& application) const override;

    void setFrontmostApplication(std::optional<RunningApplication> application);
    void setOwnWindows(QList<quint64> windowIds);
    const QList<RunningApplication>& activations() const { return activations_; }

private:
    std::optional<RunningApplication> frontmost_;
    QList<quint64> ownWindows_;
    QList<RunningApplication> activations_;
};

} // namespace quillstack
