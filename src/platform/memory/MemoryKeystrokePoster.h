#pragma once

#include "platform/KeystrokePoster.h"

#include <QList>

namespace quillstack {

// Records the keystrokes posted. The test decides which sources can be opened and which
// halves of the keystroke can be made.
class MemoryKeystrokePoster : public KeystrokePoster {
public:
    struct Posted {
        Source source;
        PasteChord chord;
        Phase phase;
        bool operator==(const Posted&) const = default;
    };

    bool openSource(Source source) override;
    bool post(Source source, PasteChord chord, Phase phase) override;

    void setSourceAvailable(Source source, bool available);
    void setEventsCreatable(Phase phase, bool creatable);

    const QList<Source>& openedSources() const { return opened_; }
    const QList<Posted>& posted() const { return posted_; }

private:
    bool primaryAvailable_ = true;
    bool fallbackAvailable_ = true;
    bool keyDownCreatable_ = true;
    bool keyUpCreatable_ = true;
    QList<Source> opened_;
    QList<Posted> posted_;
};

} // namespace quillstack
