#pragma once

#include "platform/KeystrokePoster.h"

#include <memory>

namespace quillstack {

class X11Connection;

// Posts the paste chord through the XTest extension. The primary source is the connection made
// at construction; the fallback source is a fresh connection to the same display, for when the
// first one has broken. Keys are found through the current keyboard map.
class X11KeystrokePoster : public KeystrokePoster {
public:
    X11KeystrokePoster();
    ~X11KeystrokePoster() override;

    bool openSource(Source source) override;
    bool post(Source source, PasteChord chord, Phase phase) override;

private:
    X11Connection* connectionFor(Source source) const;

    std::unique_ptr<X11Connection> primary_;
    std::unique_ptr<X11Connection> fallback_;
};

} // namespace quillstack
