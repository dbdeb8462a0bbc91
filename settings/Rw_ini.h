// The settings file: the ten values carried from one run of Albumon to the next.
#pragma once

#include <functional>
#include <string>

#include "ProfileFile.h"
#include "SettingsValues.h"

namespace albumon {

// The settings file of an executable: its path with the extension replaced by ".INI"
// ("/opt/albumon/albumon" gives "/opt/albumon/albumon.INI").
std::string SettingsFilePath(const std::string& exePath);

// The defaults of the two folders a settings file may lack ("Out" and "Def"), each ending with
// "/": beside the program the program's folder and its "Def/".
struct FolderDefaults {
    std::string OutPath;
    std::string TemplatePath;
};

// Reads the values from the settings file; whatever is missing or unreadable (also the whole
// file) takes its default. Never fails.
void ReadSettings(const std::string& iniPath, const FolderDefaults& folders,
                  SettingsValues& values);

// Writes the ten values into the settings file, keeping every other line of it, its folder made
// when missing. A symbolic link is followed to the file it leads to. The file is replaced as a
// whole through a file beside it, or, in a folder that may not be written, rewritten in place
// when the file itself may be; when it cannot be written (read-only file or folder, full disk)
// albumon::Exception "<path> に書き込めません" is raised and the old file stays as it was (but for
// a write in place that fails part way).
void WriteSettings(const std::string& iniPath, const SettingsValues& values);

// Changes the settings file through change as WriteSettings writes it: every other line kept,
// the file replaced as a whole, the same errors.
void ChangeSettingsFile(const std::string& iniPath,
                        const std::function<void(ProfileFile&)>& change);

// The same two steps on a profile file held in memory; firstStart (no settings file yet) turns
// lossless turns and location stripping on where the file does not say.
void ReadSettingsFrom(const ProfileFile& file, const FolderDefaults& folders,
                      SettingsValues& values, bool firstStart = false);
void WriteSettingsTo(ProfileFile& file, const SettingsValues& values);

}  // namespace albumon
