// Adding many photos to the window's input list: the time until every name shows, the time until
// every thumbnail shows and the memory the thumbnails take, beside the same eighth-scale decodes
// done directly with libjpeg-turbo on every core. One round of each after the other, several
// rounds; the medians are printed.
// Usage: list_thumbnails_bench <folder of JPEG files> [rounds]   (QT_QPA_PLATFORM=offscreen)
#include <malloc.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListWidget>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "Baseline.h"
#include "ProgramPaths.h"
#include "ThumbnailCache.h"
#include "Unit1.h"

namespace {

using albumon::TForm1;
using albumon::ThumbnailCache;

// The process's resident memory in MB.
double ResidentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

// The CPU time the process has used, in seconds.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Reads and decodes every file at an eighth with the fast transform, on every core; seconds.
double Baseline(const std::vector<std::string>& files) {
    QElapsedTimer timer;
    timer.start();
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (unsigned k = 0; k < std::max(1u, std::thread::hardware_concurrency()); ++k) {
        workers.emplace_back([&] {
            for (std::size_t i; (i = next++) < files.size();) {
                JDIMENSION width = 0, height = 0;
                albumon::bench::Decode(albumon::bench::ReadAll(files[i]), 8, true, width, height);
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    return timer.nsecsElapsed() / 1e9;
}

struct WindowRound {
    double names = 0, thumbnails = 0, move = 0, cacheMb = 0, residentMb = 0;
};

// A new window (its own program folder) takes the files as a drop does.
WindowRound Window(const std::vector<std::string>& files) {
    QTemporaryDir program;
    auto form = std::make_unique<TForm1>(
        albumon::ProgramPaths::Beside(program.filePath(QStringLiteral("albumon")).toStdString()));
    form->show();
    QApplication::processEvents();
    malloc_trim(0);
    const double before = ResidentMb();
    QSet<QString> ready;
    QEventLoop allShown;
    QObject::connect(&form->Thumbnails(), &ThumbnailCache::Ready, form.get(),
                     [&](const std::string& path) {
                         ready.insert(QString::fromStdString(path));
                         if (ready.size() == static_cast<qsizetype>(files.size()))
                             allShown.quit();
                     });
    WindowRound round;
    QElapsedTimer timer;
    timer.start();
    form->AddStartPaths(files);
    form->ListBoxIn->repaint();
    round.names = timer.nsecsElapsed() / 1e9;
    if (ready.size() < static_cast<qsizetype>(files.size()))
        allShown.exec();
    form->ListBoxIn->repaint();
    round.thumbnails = timer.nsecsElapsed() / 1e9;
    if (form->ListBoxIn->count() != static_cast<int>(files.size()))
        std::fprintf(stderr, "the list holds %d rows, not %zu\n", form->ListBoxIn->count(),
                     files.size());
    // A move of the first row down, every thumbnail in: the list is shown anew.
    form->ListBoxIn->setCurrentRow(0);
    QElapsedTimer moving;
    moving.start();
    for (int k = 0; k < 10; ++k) {
        form->BitBtnDownClick();
        form->ListBoxIn->repaint();
    }
    round.move = moving.nsecsElapsed() / 1e10;
    round.cacheMb = form->Thumbnails().Bytes() / 1048576.0;
    // What stays: the thumbnails and the list, not the freed decode buffers malloc keeps.
    malloc_trim(0);
    round.residentMb = ResidentMb() - before;
    form->CloseWithoutQuestion();
    return round;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder of JPEG files> [rounds]\n", argv[0]);
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    std::vector<std::string> files;
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (const QString& name : folder.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
        files.push_back(folder.filePath(name).toStdString());
    if (files.empty()) {
        std::fprintf(stderr, "no JPEG files in %s\n", argv[1]);
        return 1;
    }
    Baseline(files);  // the files come into the page cache for both
    std::vector<double> names, thumbnails, moves, baseline, cache, resident, windowCpu, baselineCpu;
    for (int round = 0; round < rounds; ++round) {
        double cpu = CpuSeconds();
        baseline.push_back(Baseline(files));
        baselineCpu.push_back(CpuSeconds() - cpu);
        cpu = CpuSeconds();
        const WindowRound window = Window(files);
        windowCpu.push_back(CpuSeconds() - cpu);
        names.push_back(window.names);
        thumbnails.push_back(window.thumbnails);
        moves.push_back(window.move);
        cache.push_back(window.cacheMb);
        resident.push_back(window.residentMb);
    }
    const double base = Median(baseline), all = Median(thumbnails);
    std::printf("%zu pictures, medians of %d rounds, %u cores:\n", files.size(), rounds,
                std::thread::hardware_concurrency());
    std::printf("  every name shown:        %.3f s (goal below 0.5 s)\n", Median(names));
    std::printf("  every thumbnail shown:   %.3f s\n", all);
    std::printf("  libjpeg-turbo 1/8 decodes on every core: %.3f s\n", base);
    std::printf("  ratio: %.2f wall (goal at most 1.2), %.2f CPU (%.2f s against %.2f s)\n",
                all / base, Median(windowCpu) / Median(baselineCpu), Median(windowCpu),
                Median(baselineCpu));
    std::printf("  a row moved down, the list shown anew: %.1f ms\n", Median(moves) * 1000);
    std::printf(
        "  thumbnail cache: %.1f MB; resident memory grew by %.1f MB while adding "
        "(goal below 30 MB)\n",
        Median(cache), Median(resident));
    return 0;
}
