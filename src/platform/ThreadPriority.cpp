#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quillstack {

namespace {

// From linux/ioprio.h: the best-effort class, whose levels run from 0 (first) to 7 (last).
constexpr int ioprioClassShift = 13;
constexpr int ioprioClassBestEffort = 2;
constexpr int ioprioWhoProcess = 1;
constexpr int lowestBestEffortLevel = 7;

} // namespace

void lowerCurrentThreadPriority() {
    // On Linux both act on one thread when given its thread id.
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    ::setpriority(PRIO_PROCESS, thread, 10);
#ifdef SYS_ioprio_set
    ::syscall(SYS_ioprio_set, ioprioWhoProcess, static_cast<int>(thread),
              (ioprioClassBestEffort << ioprioClassShift) | lowestBestEffortLevel);
#endif
}

} // namespace quillstack
