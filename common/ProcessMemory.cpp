// Large blocks returned when freed; thread stacks and malloc arenas fitted to an address-space
// limit.
#include "ProcessMemory.h"

#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>

namespace albumon {

void SetUpProcessMemory() {
    ::mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes);
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return;
    ::mallopt(M_ARENA_MAX, 1);
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0)
        return;
    if (::pthread_attr_setstacksize(&attributes, kCappedThreadStack) == 0)
        ::pthread_setattr_default_np(&attributes);
    ::pthread_attr_destroy(&attributes);
}

}  // namespace albumon
