#pragma once

#include <cstdlib>
#include <memory>

namespace quillstack {

// xcb hands out replies and events allocated with malloc(); the caller frees them.
struct XcbFree {
    void operator()(void* pointer) const { std::free(pointer); }
};

template <typename T> using XcbReply = std::unique_ptr<T, XcbFree>;

} // namespace quillstack
