// The baseline's per-file work (thumbnail and copy) over a list of pictures on a number of
// threads, as the album benchmark compares it with a whole save.
// Usage: baseline_album [--screen | --heic] THREADS OUTFOLDER PICTURE...
// Writes OUTFOLDER/$_NAME (the thumbnail) and OUTFOLDER/NAME (the copy) for every PICTURE; a
// PICTURE written +PATH is turned a quarter right instead of copied (decoded at full size, turned,
// encoded at 50, the quality of albumon-make's turned pictures); with
// --screen also its screen sizes (card thumbnails 160, 320, 480, display copies 1280, 2048) at
// the save's quality; with --heic only OUTFOLDER/NAME.jpg, each HEIC decoded by libheif and
// encoded at quality 90.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Baseline.h"
#include "HeifBaseline.h"
#include "ScreenBaseline.h"
#include "renditions/ScreenSizes.h"

namespace {

std::string FileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

enum Work { wkCopy, wkScreen, wkHeic };

constexpr int kTurnQuality = 50;

void WorkThrough(const std::vector<std::string>& pictures, const std::string& out, Work work,
                 std::atomic<std::size_t>& next) {
    for (std::size_t k = next++; k < pictures.size(); k = next++) {
        const std::string name = FileName(pictures[k]);
        if (work == wkHeic) {
            const auto jpeg = albumon::bench::HeifToJpeg(albumon::bench::ReadAll(pictures[k]), 90);
            albumon::bench::WriteAll(out + "/" + name + ".jpg", jpeg.data(), jpeg.size());
            continue;
        }
        if (pictures[k][0] == '+') {
            const std::string path = pictures[k].substr(1);
            albumon::bench::ThumbnailAndCopy(path, out + "/$_" + name, "");
            albumon::bench::TurnedRight(path, out + "/" + name, kTurnQuality);
            continue;
        }
        albumon::bench::ThumbnailAndCopy(pictures[k], out + "/$_" + name, out + "/" + name);
        if (work == wkScreen) {
            albumon::bench::ScreenSizes(albumon::bench::ReadAll(pictures[k]), out + "/" + name,
                                        albumon::ScreenSides(albumon::kDefaultDisplaySide),
                                        albumon::kScreenQuality);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string flag = argc > 1 ? argv[1] : "";
    const Work work = flag == "--screen" ? wkScreen : flag == "--heic" ? wkHeic : wkCopy;
    if (work != wkCopy) {
        --argc;
        ++argv;
    }
    const int threads = argc > 3 ? std::atoi(argv[1]) : 0;
    if (threads < 1) {
        std::fprintf(stderr, "usage: %s [--screen | --heic] THREADS OUTFOLDER PICTURE...\n",
                     argv[0]);
        return 2;
    }
    const std::string out = argv[2];
    const std::vector<std::string> pictures(argv + 3, argv + argc);
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back(WorkThrough, std::cref(pictures), std::cref(out), work,
                             std::ref(next));
    for (std::thread& worker : workers)
        worker.join();
    return 0;
}
