// The libjpeg error guard: errors jump back to RunGuarded, warnings are counted, nothing printed.
#include "codecs/JpegGuard.h"

#include <jerror.h>

#include "pixels/GraphicErrors.h"

namespace albumon {

namespace {

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorGuard*>(cinfo->err)->jump, 1);
}

// Warnings (data that ends early, for instance) are counted, the first one kept; nothing is
// printed.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    if (cinfo->err->num_warnings++ == 0)
        reinterpret_cast<ErrorGuard*>(cinfo->err)->firstWarning = cinfo->err->msg_code;
}

void OutputMessage(j_common_ptr) {}

}  // namespace

bool RunGuarded(ErrorGuard& guard, void (*step)(void*), void* job) {
    if (setjmp(guard.jump) != 0)
        return false;
    step(job);
    return true;
}

void InstallErrorGuard(ErrorGuard& guard) {
    jpeg_std_error(&guard.pub);
    guard.pub.error_exit = ErrorExit;
    guard.pub.emit_message = EmitMessage;
    guard.pub.output_message = OutputMessage;
    guard.tooManyScans = false;
    guard.firstWarning = 0;
}

void RaiseFailure(const ErrorGuard& guard) {
    if (guard.tooManyScans)
        throw EInvalidGraphic("JPEG のスキャンが多すぎます");
    throw EJPEG(guard.pub.msg_code);
}

}  // namespace albumon
