// Output names of the entries and the rows of the output list.
#include "OutputNames.h"

#include "Paths.h"
#include "PictureNames.h"

namespace albumon {

std::string OutputExtension(const std::string& sourcePath) {
    std::string ext = ExtensionOf(sourcePath);
    std::string lower = AsciiLower(ext);
    if (lower == ".jpeg" || lower == ".jpg" || IsConvertedName(sourcePath))
        return ".jpg";
    return ext;
}

std::string SpecifiedOutName(const std::string& typed) {
    static const char* const kPictureExtensions[] = {".jpg",  ".jpeg", ".png", ".heic",
                                                     ".heif", ".hif",  ".webp"};
    const std::string ext = AsciiLower(ExtensionOf(typed));
    for (const char* picture : kPictureExtensions) {
        if (ext == picture)
            return ReplaceExtension(typed, ".jpg");
    }
    return typed + ".jpg";
}

std::string KeptName(const std::string& sourcePath) {
    const std::string name = FileNamePart(sourcePath);
    return IsConvertedName(name) ? ReplaceExtension(name, ".jpg") : name;
}

static std::string ThreeDigits(long long number) {
    std::string text = "000" + std::to_string(number);
    return text.substr(text.size() - 3);
}

std::string AutomaticOutName(const NamingBase& naming, long long count,
                             const std::string& sourcePath) {
    return naming.HeadText + ThreeDigits(naming.StartNumber + count) + OutputExtension(sourcePath);
}

void RefreshOutputNames(AlbumState& state, const NamingBase& naming) {
    long long automatic = 0;
    for (int k = 0; k < state.EntryCount; ++k) {
        EntryRecord& entry = state.Entries[k];
        if (entry.NameMode == nmAuto) {
            entry.OutName = AutomaticOutName(naming, automatic, entry.SourcePath);
            ++automatic;
        } else if (entry.NameMode == nmKeep) {
            entry.OutName = KeptName(entry.SourcePath);
        }
    }
}

std::vector<std::string> OutputListRows(const AlbumState& state) {
    std::vector<std::string> rows;
    rows.reserve(static_cast<std::size_t>(state.EntryCount));
    for (int k = 0; k < state.EntryCount; ++k) {
        const EntryRecord& entry = state.Entries[k];
        const char* prefix = entry.NotePos == npAbove   ? "上:"
                             : entry.NotePos == npBelow ? "下:"
                                                        : "無:";
        rows.push_back(prefix + entry.OutName);
    }
    return rows;
}

}  // namespace albumon
