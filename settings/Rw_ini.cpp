// The settings file: reading with defaults, writing in place and atomically.
#include "Rw_ini.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "Errors.h"
#include "FileSystem.h"
#include "Paths.h"

namespace albumon {

namespace {

int ReadInteger(const ProfileFile& file, const char* section, const char* key, int fallback) {
    auto text = file.Value(section, key);
    if (!text)
        return fallback;
    return ParseProfileInteger(*text).value_or(fallback);
}

std::string ReadString(const ProfileFile& file, const char* section, const char* key,
                       const std::string& fallback) {
    return file.Value(section, key).value_or(fallback);
}

void WriteInteger(ProfileFile& file, const char* section, const char* key, int value) {
    file.SetValue(section, key, std::to_string(value));
}

[[noreturn]] void RaiseCannotWrite(const std::string& iniPath) {
    throw Exception(FormatMessage("%s に書き込めません", iniPath));
}

// A settings file that exists but that its owner has marked read-only is not replaced, even
// though the folder would allow the rename.
bool ReadOnlyFile(const std::string& iniPath) {
    struct stat st {};
    if (::stat(iniPath.c_str(), &st) != 0)
        return false;
    return ::access(iniPath.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0;
}

bool PermissionError(int err) {
    return err == EACCES || err == EPERM || err == EROFS;
}

}  // namespace

std::string SettingsFilePath(const std::string& exePath) {
    return ReplaceExtension(exePath, ".INI");
}

void ReadSettingsFrom(const ProfileFile& file, const FolderDefaults& folders,
                      SettingsValues& values, bool firstStart) {
    values.WindowTop = ReadInteger(file, "Pos", "Top", 50);
    values.WindowLeft = ReadInteger(file, "Pos", "Left", 50);
    values.InPath = ReadString(file, "File", "In", "");
    values.OutPath = ReadString(file, "File", "Out", folders.OutPath);
    values.TemplatePath = ReadString(file, "File", "Def", folders.TemplatePath);
    values.JpegQuality = ReadInteger(file, "File", "Comp", 50);
    values.MakeZip = ReadInteger(file, "File", "Zip", 0) != 0;
    values.ThumbPrefix = ReadString(file, "Thumb", "Head", "$_");
    values.ThumbSize = ReadInteger(file, "Thumb", "Size", 64);
    values.KeepNameDefault = ReadInteger(file, "File", "NameDef", 0) != 0;
    // A first start (no settings file yet) turns losslessly and strips locations; an existing
    // file without these keys keeps the behaviour it was written with.
    values.LosslessTurns = ReadInteger(file, "Option", "Lossless", firstStart ? 1 : 0) != 0;
    values.StripLocation = ReadInteger(file, "Option", "NoGPS", firstStart ? 1 : 0) != 0;
    values.DisplaySize = ReadInteger(file, "Option", "Display", 2048);
    if (values.DisplaySize < 0)
        values.DisplaySize = 2048;
    values.ConvertQuality = std::clamp(ReadInteger(file, "Option", "ConvertQuality", 90), 1, 100);
    values.FileListIcons = ReadInteger(file, "Option", "Icons", 0) != 0;
    values.PublicUrl = ReadString(file, "Publish", "PublicUrl", "");
    // Earlier versions kept the size in [Size]: a file of theirs keeps its window's size.
    values.WindowWidth =
        ReadInteger(file, "Option", "Width", ReadInteger(file, "Size", "Width", 577));
    values.WindowHeight =
        ReadInteger(file, "Option", "Height", ReadInteger(file, "Size", "Height", 490));
    values.WindowMaximized = ReadInteger(file, "Option", "Maximized", 0) != 0;
}

void WriteSettingsTo(ProfileFile& file, const SettingsValues& values) {
    WriteInteger(file, "Pos", "Top", values.WindowTop);
    WriteInteger(file, "Pos", "Left", values.WindowLeft);
    file.SetValue("File", "In", values.InPath);
    file.SetValue("File", "Out", values.OutPath);
    file.SetValue("File", "Def", values.TemplatePath);
    WriteInteger(file, "File", "Comp", values.JpegQuality);
    WriteInteger(file, "File", "Zip", values.MakeZip ? 1 : 0);
    file.SetValue("Thumb", "Head", values.ThumbPrefix);
    WriteInteger(file, "Thumb", "Size", values.ThumbSize);
    WriteInteger(file, "File", "NameDef", values.KeepNameDefault ? 1 : 0);
    WriteInteger(file, "Option", "Lossless", values.LosslessTurns ? 1 : 0);
    WriteInteger(file, "Option", "NoGPS", values.StripLocation ? 1 : 0);
    WriteInteger(file, "Option", "Display", values.DisplaySize);
    WriteInteger(file, "Option", "ConvertQuality", values.ConvertQuality);
    WriteInteger(file, "Option", "Icons", values.FileListIcons ? 1 : 0);
    WriteInteger(file, "Option", "Width", values.WindowWidth);
    WriteInteger(file, "Option", "Height", values.WindowHeight);
    WriteInteger(file, "Option", "Maximized", values.WindowMaximized ? 1 : 0);
}

void ReadSettings(const std::string& iniPath, const FolderDefaults& folders,
                  SettingsValues& values) {
    std::string bytes;
    const int err = ReadWholeFile(iniPath, bytes);
    if (err != 0)
        bytes.clear();
    ReadSettingsFrom(ProfileFile(bytes), folders, values, err == ENOENT);
}

void ChangeSettingsFile(const std::string& iniPath,
                        const std::function<void(ProfileFile&)>& change) {
    // A settings file that is a link (to a shared one, say) stays one: its target is written.
    const std::string target = FollowLinks(iniPath);
    std::string bytes;
    int err = ReadWholeFile(target, bytes);
    if (err != 0 && err != ENOENT)
        RaiseCannotWrite(iniPath);
    if (ReadOnlyFile(target))
        RaiseCannotWrite(iniPath);
    try {
        ForceDirectories(FolderPart(target));
    } catch (const EInOutError&) {
        RaiseCannotWrite(iniPath);
    }
    ProfileFile file(err == 0 ? bytes : std::string());
    change(file);
    std::string written = file.Bytes();
    err = WriteFileAtomically(target, written.data(), written.size());
    // A folder that may not be written, holding a file that may: the file is written in place.
    if (err != 0 && PermissionError(err) && ::access(target.c_str(), W_OK) == 0)
        err = WriteFileInPlace(target, written.data(), written.size());
    if (err != 0)
        RaiseCannotWrite(iniPath);
}

void WriteSettings(const std::string& iniPath, const SettingsValues& values) {
    ChangeSettingsFile(iniPath, [&values](ProfileFile& file) { WriteSettingsTo(file, values); });
}

}  // namespace albumon
