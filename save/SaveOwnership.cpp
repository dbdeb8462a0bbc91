// Which files in the way of a save are its own.
#include "SaveOwnership.h"

#include <sys/stat.h>

namespace albumon {

EForeignFiles::EForeignFiles(std::vector<std::string> files)
    : Exception(ForeignFilesText(files)), files_(std::move(files)) {}

std::string ForeignFilesText(const std::vector<std::string>& files) {
    std::string text = "次のファイルは Albumon の保存したものではないため、置き換えません:";
    for (const std::string& file : files)
        text += "\n  " + file;
    return text;
}

std::vector<std::string> ForeignTargets(const std::vector<std::string>& targets,
                                        const std::string& album,
                                        const std::optional<SavedFiles>& record,
                                        const SavedFiles& outside) {
    const std::string inAlbum = album + "/";
    std::vector<std::string> foreign;
    for (const std::string& target : targets) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
            continue;
        bool own = record.has_value() && S_ISREG(st.st_mode);
        if (own && target.rfind(inAlbum, 0) == 0) {
            const auto saved = record->find(target.substr(inAlbum.size()));
            own = saved != record->end() && IsAsSaved(target, saved->second);
        } else if (own) {
            const auto saved = outside.find(target.substr(target.rfind('/') + 1));
            own = saved == outside.end() || IsAsSaved(target, saved->second);
        }
        if (!own)
            foreign.push_back(target);
    }
    return foreign;
}

}  // namespace albumon
