#pragma once

#include "platform/FallbackKeystroke.h"

#include <QList>

namespace quillstack {

// Records the chords it was asked to type and answers with the outcome the test set.
class MemoryFallbackKeystroke : public FallbackKeystroke {
public:
    bool canBuild(PasteChord) const override { return buildable_; }
    std::optional<QString> run(PasteChord chord) override {
        runs_.append(chord);
        return failure_;
    }

    void setBuildable(bool buildable) { buildable_ = buildable; }
    // Nothing makes every later run succeed.
    void setFailure(std::optional<QString> failure) { failure_ = std::move(failure); }
    const QList<PasteChord>& runs() const { return runs_; }

private:
    bool buildable_ = true;
    std::optional<QString> failure_;
    QList<PasteChord> runs_;
};

} // namespace quillstack
