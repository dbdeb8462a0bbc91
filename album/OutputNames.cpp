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

std::string KeptName(const std::string& sourcePath) {
    const std::string name = FileNamePart(sourcePath);
    return IsConvertedName(name) ? ReplaceExtension(name, ".jpg") : name;
}

static std::string ThreeDigits(long long number) {
    std::string text = "000" + std::to_string(number);
    return text.substr(text.size() - 3);
}

void RefreshOutputNames(AlbumState& state, const NamingBase& naming) {
    long long automatic = 0;
    for (int k = 0; k < state.EntryCount; ++k) {
        EntryRecord& entry = state.Entries[k];
        if (entry.NameMode == nmAuto) {
            entry.OutName = naming.HeadText + ThreeDigits(naming.StartNumber + automatic) +
                            OutputExtension(entry.SourcePath);
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
