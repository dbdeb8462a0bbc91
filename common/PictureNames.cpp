// The file names of the pictures Albumon takes.
#include "PictureNames.h"

#include "Paths.h"

namespace albumon {

bool IsConvertedName(const std::string& path) {
    const std::string lower = AsciiLower(ExtensionOf(FileNamePart(path)));
    return lower == ".heic" || lower == ".heif" || lower == ".hif" || lower == ".png" ||
           lower == ".webp";
}

bool IsPictureName(const std::string& path) {
    const std::string lower = AsciiLower(ExtensionOf(FileNamePart(path)));
    return lower == ".jpg" || lower == ".jpeg" || IsConvertedName(path);
}

}  // namespace albumon
