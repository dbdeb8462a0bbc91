// Fuzz target: the settings read from any profile file survive a write and a second read, and
// a second write of the same values changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ProfileFile.h"
#include "Rw_ini.h"

namespace {

bool Same(const albumon::SettingsValues& a, const albumon::SettingsValues& b) {
    return a.WindowTop == b.WindowTop && a.WindowLeft == b.WindowLeft && a.InPath == b.InPath &&
           a.OutPath == b.OutPath && a.TemplatePath == b.TemplatePath &&
           a.JpegQuality == b.JpegQuality && a.MakeZip == b.MakeZip &&
           a.ThumbPrefix == b.ThumbPrefix && a.ThumbSize == b.ThumbSize &&
           a.KeepNameDefault == b.KeepNameDefault;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace albumon;
    const FolderDefaults folders{"/opt/albumon/", "/opt/albumon/Def/"};
    ProfileFile file(std::string_view(reinterpret_cast<const char*>(data), size));
    SettingsValues first;
    ReadSettingsFrom(file, folders, first);
    WriteSettingsTo(file, first);
    std::string written = file.Bytes();

    ProfileFile reread(written);
    SettingsValues second;
    ReadSettingsFrom(reread, folders, second);
    if (!Same(first, second))
        std::abort();
    WriteSettingsTo(reread, second);
    if (reread.Bytes() != written)
        std::abort();
    return 0;
}
