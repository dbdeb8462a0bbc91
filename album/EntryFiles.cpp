// The file names of the entries and the entries whose names collide.
#include "EntryFiles.h"

#include <map>

#include "Paths.h"

namespace albumon {

std::vector<std::string> EntryFileNames(const EntryRecord& entry, const std::string& thumbPrefix) {
    return {entry.OutName, thumbPrefix + entry.OutName, ReplaceExtension(entry.OutName, ".htm")};
}

std::vector<NameCollision> FindNameCollisions(const AlbumState& state) {
    std::map<std::string, int> owners;
    std::vector<NameCollision> collisions;
    for (int k = 0; k < state.EntryCount; ++k) {
        const std::vector<std::string> names = EntryFileNames(state.Entries[k], state.ThumbPrefix);
        for (const std::string& name : names) {
            const auto owner = owners.find(name);
            if (owner != owners.end() && owner->second != k) {
                collisions.push_back({owner->second, k, name});
                break;
            }
        }
        for (const std::string& name : names)
            owners.emplace(name, k);
    }
    return collisions;
}

std::string NameCollisionText(const AlbumState& state,
                              const std::vector<NameCollision>& collisions) {
    std::string text =
        "次の項目は出力ファイル名が重なるため、一方が他方を上書きします。名前を変えて"
        "ください:";
    const auto describe = [&state](int slot) {
        return std::to_string(slot + 1) + "番目（" + FileNamePart(state.Entries[slot].SourcePath) +
               "）";
    };
    for (const NameCollision& collision : collisions) {
        text += "\n" + describe(collision.First) + "と" + describe(collision.Second) + ": 「" +
                collision.Name + "」";
    }
    return text;
}

}  // namespace albumon
