#pragma once

namespace quillstack {

// Lowers the CPU and disk priority of the calling thread, for work that runs beside the GUI
// thread and must not take its time (a large save). Best effort: failures are ignored.
void lowerCurrentThreadPriority();

} // namespace quillstack
