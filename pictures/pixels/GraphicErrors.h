// Error kinds of the picture operations: unreadable pictures, JPEG library errors, bad requests.
#pragma once

#include <string>

#include "Errors.h"

namespace albumon {

// A picture that cannot be read or made; the picture operations count it as no picture.
class EInvalidGraphic : public Exception {
  public:
    explicit EInvalidGraphic(const std::string& message) : Exception(message) {}
};

// An error the JPEG library reported, carrying the library's message number.
class EJPEG : public EInvalidGraphic {
  public:
    explicit EJPEG(int code)
        : EInvalidGraphic("JPEG エラー #" + std::to_string(code)), code_(code) {}
    int Code() const { return code_; }

  private:
    int code_;
};

// An operation a picture does not support (changing the pixel size of a JPEG picture).
class EInvalidGraphicOperation : public Exception {
  public:
    explicit EInvalidGraphicOperation(const std::string& message) : Exception(message) {}
};

}  // namespace albumon
