// The publish settings kept in the settings file's [Publish] section: where the window publishes
// to, the address visitors open, and the server certificates the user accepted.
#pragma once

#include <string>
#include <vector>

#include "ProfileFile.h"

namespace albumon {

struct PublishSettings {
    std::string Destination;  // sftp:// or ftps:// address; empty: no publishing
    std::string PublicUrl;    // the published album's web address
    // Fingerprints of server certificates accepted though they did not verify.
    std::vector<std::string> AcceptedCertificates;
};

PublishSettings ReadPublishSettingsFrom(const ProfileFile& file);
// A file that never had any of them gets no [Publish] section.
void WritePublishSettingsTo(ProfileFile& file, const PublishSettings& settings);

// The settings of the file at iniPath; an unreadable file gives none.
PublishSettings ReadPublishSettings(const std::string& iniPath);
// Raises albumon::Exception as WriteSettings does.
void WritePublishSettings(const std::string& iniPath, const PublishSettings& settings);

}  // namespace albumon
