// Preloaded into albumon-make by the fault suite: from the thread start that
// ALBUMON_REFUSE_THREADS_FROM counts (from 1) on, every thread the process asks for is refused as
// a system out of threads refuses it (EAGAIN), whoever asks: the save's workers or a decoder.
#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*start)(void*), void* argument) {
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static const Create real = reinterpret_cast<Create>(::dlsym(RTLD_NEXT, "pthread_create"));
    static const char* const from = std::getenv("ALBUMON_REFUSE_THREADS_FROM");
    static std::atomic<int> count{0};
    if (from && ++count >= std::atoi(from))
        return EAGAIN;
    return real(thread, attributes, start, argument);
}
