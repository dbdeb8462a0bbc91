// The album's lock and the folders a save makes.
#include "AlbumLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "Errors.h"
#include "Paths.h"

namespace albumon {

AlbumLock::AlbumLock(const std::string& album, const std::string& index)
    : folder_(::open(album.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) {
    if (!folder_.valid())
        RaiseInOutError(errno, album);
    int err = 0;
    while (::flock(folder_.get(), LOCK_EX | LOCK_NB) != 0) {
        err = errno;
        if (err != EINTR)
            break;
        err = 0;
    }
    // A folder a failed save removed just before the lock was taken is no album any more.
    struct stat held {
    }, now{};
    const bool same = ::fstat(folder_.get(), &held) == 0 && ::stat(album.c_str(), &now) == 0 &&
                      held.st_dev == now.st_dev && held.st_ino == now.st_ino;
    if (err == EWOULDBLOCK || (err == 0 && !same))
        throw Exception(
            FormatMessage("アルバム %s は別の保存が書き込み中です。その保存が終わって"
                          "からもう一度保存してください",
                          index));
    if (err != 0)
        RaiseInOutError(err, album);
}

MadeFolders::MadeFolders(const std::string& path) {
    std::vector<std::string> missing;
    for (std::string folder = path; !folder.empty() && folder != "/";) {
        struct stat st {};
        if (::stat(folder.c_str(), &st) == 0)
            break;
        missing.push_back(folder);
        folder = FolderPart(folder);
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0755) == 0) {
            made_.insert(made_.begin(), *it);
        } else if (errno != EEXIST) {
            const int err = errno;
            for (const std::string& folder : made_)
                ::rmdir(folder.c_str());
            RaiseInOutError(err, *it);
        }
    }
}

MadeFolders::~MadeFolders() {
    for (const std::string& folder : made_)
        ::rmdir(folder.c_str());
}

}  // namespace albumon
