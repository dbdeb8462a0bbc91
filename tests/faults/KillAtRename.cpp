// Preloaded into albumon-make by the fault suite: the process ends with SIGKILL at the rename
// that ALBUMON_KILL_AT_RENAME counts (from 1), as a kill at that very moment would end it.
#include <dlfcn.h>
#include <signal.h>

#include <cstdlib>

extern "C" int rename(const char* from, const char* to) {
    using Rename = int (*)(const char*, const char*);
    static const Rename real = reinterpret_cast<Rename>(::dlsym(RTLD_NEXT, "rename"));
    static const int at = [] {
        const char* value = std::getenv("ALBUMON_KILL_AT_RENAME");
        return value ? std::atoi(value) : 0;
    }();
    static int count = 0;
    if (++count == at)
        ::raise(SIGKILL);
    return real(from, to);
}
