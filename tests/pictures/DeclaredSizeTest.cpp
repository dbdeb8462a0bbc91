// Pictures found by fuzzing whose headers declare far more than their bytes hold: each is refused
// by the adapter's own checks, quickly and before the library allocates by the declared size.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "codecs/HeifAdapter.h"
#include "codecs/PngAdapter.h"
#include "pixels/GraphicErrors.h"

namespace albumon {
namespace {

// Room the decode may take beyond what the process already has: far below what the headers ask.
constexpr rlim_t kAddressRoom = rlim_t{600} << 20;
constexpr long kMaxGrowthKb = 64 * 1024;
constexpr double kMaxSeconds = 5;

struct Finding {
    const char* file;  // in the fuzz corpus
    DecodedPicture (*decode)(const std::string&, std::int64_t);
    const char* refusal;  // a part of the refusal's message
};

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

long PeakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The decode's message and peak memory growth, from a child process whose address space is
// capped; "decoded" when it was not refused, "killed" when the child did not finish.
std::pair<std::string, long> DecodeInChild(const Finding& finding, const std::string& bytes) {
    int channel[2];
    if (pipe(channel) != 0)
        return {"no pipe", 0};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        std::ifstream statm("/proc/self/statm");
        rlim_t pages = 0;
        statm >> pages;
        limit.rlim_cur = pages * sysconf(_SC_PAGESIZE) + kAddressRoom;
        setrlimit(RLIMIT_AS, &limit);
        const long before = PeakKb();
        std::string message = "decoded";
        try {
            finding.decode(bytes, kMaxPhotoPixels);
        } catch (const EInvalidGraphic& error) {
            message = error.what();
        } catch (const std::exception& error) {
            message = std::string("other error: ") + error.what();
        }
        const std::string report = std::to_string(PeakKb() - before) + " " + message;
        (void)!write(channel[1], report.data(), report.size());
        _exit(0);
    }
    close(channel[1]);
    std::string report;
    char buffer[256];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, n);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || report.empty())
        return {"killed", 0};
    const std::size_t space = report.find(' ');
    return {report.substr(space + 1), std::stol(report.substr(0, space))};
}

TEST(DeclaredSizeTest, FuzzFindingsAreRefusedWithinBoundedMemory) {
    const Finding findings[] = {
        // a grid whose one tile is an overlay with a canvas of hundreds of megapixels
        {"heif_adapter/overlay_tile_2gb", DecodeHeif, "タイルが HEVC の画像ではありません"},
        // a 16x12 grid whose description lies past its idat, where libheif reads 19561x27759
        {"heif_adapter/grid_outside_idat_3gb", DecodeHeif, "ファイルの構造が読めません"},
        // an eXIf chunk declaring 1.6 GB in a 553-byte file
        {"png_adapter/exif_length_1600mb", DecodePng, "チャンクが大きすぎます"},
    };
    for (const Finding& finding : findings) {
        SCOPED_TRACE(finding.file);
        const std::string bytes =
            Contents(std::string(ALBUMON_SOURCE_DIR) + "/tests/fuzz/corpus/" + finding.file);
        ASSERT_FALSE(bytes.empty());
        const auto start = std::chrono::steady_clock::now();
        const auto [message, growthKb] = DecodeInChild(finding, bytes);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        EXPECT_NE(message.find(finding.refusal), std::string::npos) << message;
        EXPECT_LT(growthKb, kMaxGrowthKb);
        EXPECT_LT(took.count(), kMaxSeconds);
    }
}

}  // namespace
}  // namespace albumon
