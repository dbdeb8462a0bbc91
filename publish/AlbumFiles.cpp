// Reading the saved album's files and their digests.
#include "AlbumFiles.h"

#include "Errors.h"
#include "FileSystem.h"
#include "Fingerprint.h"
#include "SaveRecord.h"

namespace albumon {

namespace {

AlbumFile Read(const std::string& outFolder, const std::string& path) {
    std::string bytes;
    if (ReadWholeFile(outFolder + path, bytes) != 0)
        throw EFOpenError(outFolder + path);
    return {path, {Sha256Hex(bytes), bytes.size()}};
}

}  // namespace

std::vector<AlbumFile> ReadAlbumFiles(const std::string& outFolder, const std::string& head) {
    const std::string folder = head + ".files";
    const auto record = ReadSaveRecord(outFolder + folder);
    if (!record || !FileExists(outFolder + head + ".htm"))
        throw Exception(outFolder + head + ".htm: 保存されたアルバムがありません");
    std::vector<AlbumFile> files;
    for (const auto& [name, stamp] : record->files)
        files.push_back(Read(outFolder, folder + "/" + name));
    if (FileExists(outFolder + head + ".zip"))
        files.push_back(Read(outFolder, head + ".zip"));
    files.push_back(Read(outFolder, head + ".htm"));
    return files;
}

}  // namespace albumon
