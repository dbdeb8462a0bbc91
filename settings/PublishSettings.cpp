// The [Publish] section of the settings file.
#include "PublishSettings.h"

#include <sstream>

#include "FileSystem.h"
#include "Rw_ini.h"

namespace albumon {

namespace {

constexpr const char* kSection = "Publish";

}  // namespace

PublishSettings ReadPublishSettingsFrom(const ProfileFile& file) {
    PublishSettings settings;
    settings.Destination = file.Value(kSection, "Destination").value_or("");
    settings.PublicUrl = file.Value(kSection, "PublicUrl").value_or("");
    std::istringstream words(file.Value(kSection, "Certificates").value_or(""));
    for (std::string word; words >> word;)
        settings.AcceptedCertificates.push_back(word);
    return settings;
}

void WritePublishSettingsTo(ProfileFile& file, const PublishSettings& settings) {
    std::string certificates;
    for (const std::string& fingerprint : settings.AcceptedCertificates)
        certificates += (certificates.empty() ? "" : " ") + fingerprint;
    for (const auto& [key, value] :
         {std::pair{"Destination", settings.Destination},
          std::pair{"PublicUrl", settings.PublicUrl}, std::pair{"Certificates", certificates}}) {
        if (!value.empty() || file.Value(kSection, key))
            file.SetValue(kSection, key, value);
    }
}

PublishSettings ReadPublishSettings(const std::string& iniPath) {
    std::string bytes;
    if (ReadWholeFile(iniPath, bytes) != 0)
        bytes.clear();
    return ReadPublishSettingsFrom(ProfileFile(bytes));
}

void WritePublishSettings(const std::string& iniPath, const PublishSettings& settings) {
    ChangeSettingsFile(iniPath,
                       [&settings](ProfileFile& file) { WritePublishSettingsTo(file, settings); });
}

}  // namespace albumon
