// Byte strings (UTF-8) as the widgets show them.
#pragma once

#include <QString>
#include <string_view>

namespace albumon {

// The text of UTF-8 bytes, for a widget; the bytes themselves stay as they are elsewhere.
inline QString Text(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace albumon
