// Preloaded into albumon-make by the fault suite: the process ends with SIGKILL at the rename
// that ALBUMON_KILL_AT_RENAME counts (from 1), as a kill at that very moment would end it; with
// ALBUMON_SLOW_RENAME_US every rename first waits that many microseconds, so that a kill from
// outside at a random moment lands inside the putting in place as often as elsewhere.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>

namespace {

int FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : 0;
}

}  // namespace

extern "C" int rename(const char* from, const char* to) {
    using Rename = int (*)(const char*, const char*);
    static const Rename real = reinterpret_cast<Rename>(::dlsym(RTLD_NEXT, "rename"));
    static const int at = FromEnvironment("ALBUMON_KILL_AT_RENAME");
    static const int slow = FromEnvironment("ALBUMON_SLOW_RENAME_US");
    static int count = 0;
    if (++count == at)
        ::raise(SIGKILL);
    if (slow > 0)
        ::usleep(static_cast<useconds_t>(slow));
    return real(from, to);
}
