// The file names of the entries and the entries whose names collide.
#include "EntryFiles.h"

#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <map>
#include <optional>

#include "Paths.h"

namespace albumon {

std::vector<std::string> EntryFileNames(const EntryRecord& entry, const std::string& thumbPrefix) {
    return {entry.OutName, thumbPrefix + entry.OutName, ReplaceExtension(entry.OutName, ".htm")};
}

namespace {

// A name in UTF-16, or nothing when it is not UTF-8.
std::optional<std::u16string> Utf16Of(const std::string& name) {
    std::u16string text(name.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(reinterpret_cast<UChar*>(text.data()), static_cast<int32_t>(text.size()), &length,
                  name.data(), static_cast<int32_t>(name.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// Text in Unicode normalization form C.
std::u16string Nfc(const std::u16string& text, UErrorCode& status) {
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
    std::u16string out(text.size() * 3 + 1, u'\0');
    const int32_t length = unorm2_normalize(
        nfc, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
        reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    return out;
}

// What a name is compared by: file systems and archivers that ignore letter case or the
// composition of accented letters (macOS, Windows, phones) take two names as one when these
// match. Names that are not UTF-8 are compared as their bytes.
std::string CollisionKey(const std::string& name) {
    const std::optional<std::u16string> text = Utf16Of(name);
    if (!text)
        return name;
    UErrorCode status = U_ZERO_ERROR;
    const std::u16string composed = Nfc(*text, status);
    std::u16string folded(composed.size() * 3 + 1, u'\0');
    const int32_t length =
        u_strFoldCase(reinterpret_cast<UChar*>(folded.data()), static_cast<int32_t>(folded.size()),
                      reinterpret_cast<const UChar*>(composed.data()),
                      static_cast<int32_t>(composed.size()), U_FOLD_CASE_DEFAULT, &status);
    folded.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    const std::u16string key = Nfc(folded, status);
    if (U_FAILURE(status))
        return name;
    return std::string(reinterpret_cast<const char*>(key.data()), key.size() * 2);
}

}  // namespace

std::vector<NameCollision> FindNameCollisions(const AlbumState& state) {
    std::map<std::string, int> owners;
    std::vector<NameCollision> collisions;
    for (int k = 0; k < state.EntryCount; ++k) {
        const std::vector<std::string> names = EntryFileNames(state.Entries[k], state.ThumbPrefix);
        std::vector<std::string> keys;
        for (const std::string& name : names)
            keys.push_back(CollisionKey(name));
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const auto owner = owners.find(keys[i]);
            if (owner != owners.end() && owner->second != k) {
                collisions.push_back({owner->second, k, names[i]});
                break;
            }
        }
        for (const std::string& key : keys)
            owners.emplace(key, k);
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
