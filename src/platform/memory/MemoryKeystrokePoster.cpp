#include "platform/memory/MemoryKeystrokePoster.h"

namespace quillstack {

bool MemoryKeystrokePoster::openSource(Source source) {
    const bool available = source == Source::primary ? primaryAvailable_ : fallbackAvailable_;
    if (available) {
        opened_.append(source);
    }
    return available;
}

bool MemoryKeystrokePoster::post(Source source, PasteChord chord, Phase phase) {
    if (!opened_.contains(source)) {
        return false;
    }
    if (!(phase == Phase::keyDown ? keyDownCreatable_ : keyUpCreatable_)) {
        return false;
    }
    posted_.append({source, chord, phase});
    return true;
}

void MemoryKeystrokePoster::setSourceAvailable(Source source, bool available) {
    (source == Source::primary ? primaryAvailable_ : fallbackAvailable_) = available;
}

void MemoryKeystrokePoster::setEventsCreatable(Phase phase, bool creatable) {
    (phase == Phase::keyDown ? keyDownCreatable_ : keyUpCreatable_) = creatable;
}

} // namespace quillstack
