// The checks a save passes before it writes anything.
#include "SaveChecks.h"

#include <sys/stat.h>

#include <filesystem>
#include <vector>

#include "EntryFiles.h"
#include "Errors.h"
#include "Paths.h"
#include "ScreenPictures.h"

namespace albumon {

namespace {

// The real path of a folder that may not exist yet: its existing part resolved, links
// included, without a trailing "/".
std::string RealFolder(const std::string& path) {
    std::error_code error;
    std::filesystem::path real = std::filesystem::weakly_canonical(path, error);
    std::string text = (error ? std::filesystem::path(path) : real).lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// True when inner is outer or lies below it; an empty path (no folder chosen) holds nothing.
bool IsSameOrInside(const std::string& inner, const std::string& outer) {
    return !outer.empty() && !inner.empty() &&
           (inner == outer || inner.rfind(WithTrailingSlash(outer), 0) == 0);
}

std::optional<std::string> FolderProblem(const AlbumState& state, const std::string& head) {
    const std::string out = RealFolder(state.OutPath);
    const std::string templ = RealFolder(state.TemplatePath);
    const std::string album = RealFolder(AlbumFolderPath(state, head));
    if (IsSameOrInside(out, templ)) {
        return FormatMessage("出力フォルダー %s は", state.OutPath) +
               FormatMessage("テンプレートフォルダー %s かその中にあります。", state.TemplatePath) +
               "テンプレートを上書きしないよう、別の出力フォルダーを選んでください";
    }
    if (IsSameOrInside(templ, album)) {
        return FormatMessage("テンプレートフォルダー %s は", state.TemplatePath) +
               FormatMessage("アルバムのフォルダー %s の中にあります",
                             AlbumFolderPath(state, head));
    }
    return std::nullopt;
}

// An album folder, index page or archive that is a symbolic link: a save would write where it
// leads, which may be anywhere.
std::optional<std::string> LinkProblem(const AlbumState& state, const std::string& head) {
    std::vector<std::string> paths{AlbumFolderPath(state, head), state.OutPath + head + ".htm"};
    if (state.MakeZip)
        paths.push_back(state.OutPath + head + ".zip");
    for (const std::string& path : paths) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            return FormatMessage("%s はシンボリックリンクのため、保存しません", path) +
                   "（リンク先のファイルを置き換えないため）";
    }
    return std::nullopt;
}

// The name of what a text names, for messages: the head text, the prefix or an entry.
struct NamedText {
    std::string what;
    std::string text;
};

std::vector<NamedText> NamedTexts(const AlbumState& state, const std::string& head) {
    std::vector<NamedText> texts{{"先頭固定部", head}, {"サムネイルの先頭文字", state.ThumbPrefix}};
    for (int k = 0; k < state.EntryCount; ++k) {
        const EntryRecord& entry = state.Entries[k];
        texts.push_back({std::to_string(k + 1) + "番目（" + FileNamePart(entry.SourcePath) +
                             "）の出力ファイル名",
                         entry.OutName});
    }
    return texts;
}

std::optional<std::string> TextProblem(const AlbumState& state, const std::string& head) {
    for (const NamedText& named : NamedTexts(state, head)) {
        if (!IsValidUtf8(named.text))
            return named.what + FormatMessage("「%s」は UTF-8 の名前ではありません", named.text);
        if (state.MakeZip && named.text.find('\\') != std::string::npos) {
            return named.what + FormatMessage("「%s」には「\\」があるため", named.text) +
                   "圧縮ファイルに入れられません（展開するとフォルダーの外に出ることがあります）";
        }
    }
    return std::nullopt;
}

std::optional<std::string> LengthProblem(const AlbumState& state, const std::string& head) {
    std::vector<std::string> names{head + ".files", head + ".htm"};
    for (int k = 0; k < state.EntryCount; ++k) {
        for (const std::string& name : EntryFileNames(state.Entries[k], state.ThumbPrefix))
            names.push_back(name);
    }
    for (const std::string& name : names) {
        if (name.size() > kLongestOutputName) {
            return FormatMessage("ファイル名「%s」が長すぎます", name) + "（" +
                   std::to_string(kLongestOutputName) + " バイトまで）";
        }
    }
    return std::nullopt;
}

}  // namespace

bool IsValidUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const int length = lead < 0x80   ? 1
                           : lead < 0xC2 ? 0
                           : lead < 0xE0 ? 2
                           : lead < 0xF0 ? 3
                           : lead < 0xF5 ? 4
                                         : 0;
        if (length == 0 || at + length > text.size())
            return false;
        unsigned value = length == 1 ? lead : lead & (0x7F >> length);
        for (int i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = value << 6 | (next & 0x3F);
        }
        const unsigned least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < least[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        at += length;
    }
    return true;
}

std::string AlbumFolderPath(const AlbumState& state, const std::string& head) {
    return state.OutPath + head + ".files";
}

std::optional<std::string> OutputNameProblem(const AlbumState& state, const std::string& head) {
    const auto leadsOut = [](const std::string& name) {
        return name == "." || name == ".." || name.find('/') != std::string::npos;
    };
    constexpr const char* kWhy = "（「/」を含む名前と「.」「..」は使えません）";
    if (leadsOut(head))
        return FormatMessage("先頭固定部「%s」はファイル名に使えません", head) + kWhy;
    if (state.ThumbPrefix.find('/') != std::string::npos)
        return FormatMessage("サムネイルの先頭文字「%s」はファイル名に使えません",
                             state.ThumbPrefix) +
               kWhy;
    for (int k = 0; k < state.EntryCount; ++k) {
        const std::string& name = state.Entries[k].OutName;
        if (name.empty() || leadsOut(name) || name == kScreenSizeFolder)
            return FormatMessage("出力ファイル名「%s」は使えません", name) + kWhy;
    }
    return ScreenNameProblem(state);
}

std::optional<std::string> SaveProblem(const AlbumState& state, const std::string& head) {
    if (auto problem = OutputNameProblem(state, head))
        return problem;
    if (auto problem = FolderProblem(state, head))
        return problem;
    if (auto problem = LinkProblem(state, head))
        return problem;
    if (auto problem = TextProblem(state, head))
        return problem;
    if (auto problem = LengthProblem(state, head))
        return problem;
    const std::vector<NameCollision> collisions = FindNameCollisions(state);
    if (!collisions.empty())
        return NameCollisionText(state, collisions);
    return std::nullopt;
}

}  // namespace albumon
