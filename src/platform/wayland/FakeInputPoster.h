#pragma once

#include "platform/KeystrokePoster.h"

struct org_kde_kwin_fake_input;

namespace quillstack {

class WaylandConnection;

// Posts the paste chord through KWin's org_kde_kwin_fake_input (version 4 and later send keys),
// which KWin offers only to a program whose installed desktop entry asks for it. Keys go into
// KWin's own keyboard state. There is one source; the fallback source is never available.
class FakeInputPoster : public KeystrokePoster {
public:
    // Binds and authenticates on a connection that has not started yet.
    explicit FakeInputPoster(WaylandConnection& connection);
    ~FakeInputPoster() override;

    bool isAvailable() const { return fakeInput_ != nullptr; }

    bool openSource(Source source) override;
    bool post(Source source, PasteChord chord, Phase phase) override;

private:
    WaylandConnection& connection_;
    org_kde_kwin_fake_input* fakeInput_ = nullptr;
};

} // namespace quillstack
