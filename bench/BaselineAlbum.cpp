// The baseline's per-file work (thumbnail and copy) over a list of pictures on a number of
// threads, as the album benchmark compares it with a whole save.
// Usage: baseline_album THREADS OUTFOLDER PICTURE...
// Writes OUTFOLDER/$_NAME (the thumbnail) and OUTFOLDER/NAME (the copy) for every PICTURE.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Baseline.h"

namespace {

std::string FileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void WorkThrough(const std::vector<std::string>& pictures, const std::string& out,
                 std::atomic<std::size_t>& next) {
    for (std::size_t k = next++; k < pictures.size(); k = next++) {
        const std::string name = FileName(pictures[k]);
        albumon::bench::ThumbnailAndCopy(pictures[k], out + "/$_" + name, out + "/" + name);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int threads = argc > 3 ? std::atoi(argv[1]) : 0;
    if (threads < 1) {
        std::fprintf(stderr, "usage: %s THREADS OUTFOLDER PICTURE...\n", argv[0]);
        return 2;
    }
    const std::string out = argv[2];
    const std::vector<std::string> pictures(argv + 3, argv + argc);
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back(WorkThrough, std::cref(pictures), std::cref(out), std::ref(next));
    for (std::thread& worker : workers)
        worker.join();
    return 0;
}
