// The error guard every libjpeg call of the codecs runs under: library errors end the step
// through longjmp to the one frame holding setjmp and become C++ exceptions outside it.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace albumon {

struct ErrorGuard {
    jpeg_error_mgr pub;  // first, so the library's pointer to it leads back here
    std::jmp_buf jump;
    bool tooManyScans;
    int firstWarning;  // the message code of the first warning, when there was one
};

// The one frame with setjmp. Returns false when the library reported an error.
bool RunGuarded(ErrorGuard& guard, void (*step)(void*), void* job);

void InstallErrorGuard(ErrorGuard& guard);

// Raises what the guard caught: EInvalidGraphic for too many scans, else EJPEG.
[[noreturn]] void RaiseFailure(const ErrorGuard& guard);

}  // namespace albumon
