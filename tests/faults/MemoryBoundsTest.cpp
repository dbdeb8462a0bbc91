// Pictures that ask for more memory than their bytes justify, saved by albumon-make under an
// address-space limit: the files found by fuzzing, tiny WebP and PNG bombs and the largest
// pictures still taken, each with its peak memory in the table; phone pictures under limits so
// tight that threads and memory run out, which must end soon with the pictures named.
#include <zlib.h>

#include <cstring>
#include <fstream>
#include <span>
#include <sstream>

#include "FaultFixture.h"
#include "FileSystem.h"
#include "PhoneFormatFixtures.h"
#include "PictureFixtures.h"
#include "codecs/JpegCodec.h"

namespace albumon::test {
namespace {

constexpr rlim_t kMiB = rlim_t{1} << 20;
constexpr long kPeakBoundKiB = 400 * 1024;

std::string Le32(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

std::string Be32(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>(value >> (24 - 8 * i));
    return bytes;
}

std::string Riff(const std::string& type, std::string payload) {
    if (payload.size() % 2)
        payload.push_back('\0');
    const std::string chunk = type + Le32(static_cast<std::uint32_t>(payload.size())) + payload;
    return "RIFF" + Le32(static_cast<std::uint32_t>(4 + chunk.size())) + "WEBP" + chunk;
}

// A lossy WebP of width x height with no picture data after its frame header (30 bytes).
std::string LossyHeaderWebp(int width, int height) {
    std::string frame("\x10\x02\x00\x9d\x01\x2a", 6);
    frame += Le32(static_cast<std::uint32_t>(width | (height << 16)));
    return Riff("VP8 ", frame);
}

// A lossless WebP of one colour: every prefix code has one symbol, so each pixel takes no bits.
std::string OneColourWebp(int width, int height, bool alpha) {
    std::string bits;
    const auto put = [&bits](unsigned value, int count) {
        for (int i = 0; i < count; ++i)
            bits.push_back(static_cast<char>((value >> i) & 1));
    };
    put(0x2f, 8), put(width - 1, 14), put(height - 1, 14), put(alpha, 1), put(0, 3);
    put(0, 3);  // no transform, no colour cache, no meta prefix codes
    for (const auto& [symbol, eight] : {std::pair{0, 0}, {0, 0}, {0, 0}, {255, 1}, {0, 0}})
        put(1, 1), put(0, 1), put(eight, 1), put(symbol, eight ? 8 : 1);
    std::string payload((bits.size() + 7) / 8, '\0');
    for (std::size_t i = 0; i < bits.size(); ++i)
        payload[i / 8] = static_cast<char>(payload[i / 8] | (bits[i] << (i % 8)));
    return Riff("VP8L", payload);
}

std::string PngChunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    return Be32(static_cast<std::uint32_t>(data.size())) + body + Be32(crc);
}

// An RGB PNG of width x height of one grey, its rows (of each Adam7 pass when interlaced)
// deflated as they are made.
std::string GreyPng(std::uint32_t width, std::uint32_t height, bool interlaced = false) {
    // Each pass: first row, first column, row step and column step.
    constexpr std::uint32_t kAdam7[7][4] = {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                                            {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}};
    constexpr std::uint32_t kWhole[1][4] = {{0, 0, 1, 1}};
    z_stream stream{};
    deflateInit(&stream, 9);
    std::string data;
    std::string out(1 << 16, '\0');
    const auto deflateRow = [&](const std::string* row) {
        stream.next_in = reinterpret_cast<Bytef*>(row ? const_cast<char*>(row->data()) : nullptr);
        stream.avail_in = row ? static_cast<uInt>(row->size()) : 0;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = static_cast<uInt>(out.size());
            deflate(&stream, row ? Z_NO_FLUSH : Z_FINISH);
            data.append(out.data(), out.size() - stream.avail_out);
        } while (stream.avail_out == 0);
    };
    using Passes = std::span<const std::uint32_t[4]>;
    for (const auto& pass : interlaced ? Passes(kAdam7) : Passes(kWhole)) {
        const std::uint32_t rows =
            height > pass[0] ? (height - pass[0] + pass[2] - 1) / pass[2] : 0;
        const std::uint32_t columns =
            width > pass[1] ? (width - pass[1] + pass[3] - 1) / pass[3] : 0;
        if (rows == 0 || columns == 0)
            continue;
        std::string row(1 + 3 * std::size_t{columns}, '\x80');
        row[0] = 0;
        for (std::uint32_t y = 0; y < rows; ++y)
            deflateRow(&row);
    }
    deflateRow(nullptr);
    deflateEnd(&stream);
    const std::string header = Be32(width) + Be32(height) + std::string("\x08\x02\x00\x00", 4) +
                               std::string(1, interlaced ? '\x01' : '\x00');
    return "\x89PNG\r\n\x1a\n" + PngChunk("IHDR", header) + PngChunk("IDAT", data) +
           PngChunk("IEND", "");
}

std::string Corpus(const std::string& target, const std::string& name) {
    return ReadFile(ALBUMON_SOURCE_DIR "/tests/fuzz/corpus/" + target + "/" + name);
}

class MemoryBoundsTest : public FaultTest {};

// Run apart from the sanitizer build, which cannot run under an address-space limit.
TEST_F(MemoryBoundsTest, AddressSpaceBombsStayBounded) {
    struct Bomb {
        std::string name;
        std::string bytes;
        bool refused;  // named in a warning and given "no preview"; else converted
        const char* rotate = "0";
        std::pair<int, int> size = {};  // a converted picture's output size
    };
    const std::vector<Bomb> bombs{
        {"fuzz_overlay_2gb.heic", Corpus("heif_adapter", "overlay_tile_2gb"), true},
        {"fuzz_grid_3gb.heic", Corpus("heif_adapter", "grid_outside_idat_3gb"), true},
        {"fuzz_chunk_1600mb.png", Corpus("png_adapter", "exif_length_1600mb"), true},
        {"lossy_header_16383.webp", LossyHeaderWebp(16383, 16383), true},
        {"lossless_16383.webp", OneColourWebp(16383, 16383, false), true},
        {"grey_16384.png", GreyPng(16384, 16384), true},
        {"lossless_6400.webp", OneColourWebp(6400, 6400, false), false, "0", {6400, 6400}},
        {"lossless_alpha_5900.webp", OneColourWebp(5900, 5900, true), false, "0", {5900, 5900}},
        {"grey_8000.png", GreyPng(8000, 8000), false, "1", {8000, 8000}},
        {"grey_7500x8000.png", GreyPng(8000, 7500), false, "1", {7500, 8000}},
        {"interlaced_8000x7500.png", GreyPng(8000, 7500, true), false, "0", {8000, 7500}},
        {"interlaced_8000x8001.png", GreyPng(8000, 8001, true), true},
        {"header_30000.jpg", HugeHeaderJpeg(30000, 30000, true), true, "1"},
        {"progressive_9600x6400.jpg", ColorJpeg(9600, 6400, true), false, "1", {6400, 9600}},
    };
    for (const Bomb& bomb : bombs) {
        const std::string path = data / ("in/" + bomb.name);
        WriteFile(path, bomb.bytes);
        ChildRun run =
            Make({"-q", "-o", data / ("out/" + bomb.name), path, "--rotate", bomb.rotate},
                 {{RLIMIT_AS, 600 * kMiB}});
        FaultCase fault(bomb.name + " (" + std::to_string(bomb.bytes.size()) +
                        " bytes) in 600 MB: " + std::to_string(run.peakKiB / 1024) + " MB peak");
        fault.sources.Add(path);
        EXPECT_EQ(run.signal, 0) << bomb.name << "\n" << run.err;
        EXPECT_EQ(run.status, 0) << bomb.name << "\n" << run.err;
        EXPECT_LT(run.peakKiB, kPeakBoundKiB) << bomb.name;
        EXPECT_EQ(run.err.find(path + ": ") != std::string::npos, bomb.refused) << bomb.name << "\n"
                                                                                << run.err;
        const std::string files = data / ("out/" + bomb.name + "/無題.files/");
        EXPECT_TRUE(FileExists(files + "無題001.jpg")) << bomb.name;
        if (bomb.refused)
            continue;
        // A converted picture has its own size, and its screen sizes down to the cards'.
        const JpegHeader output = ReadJpegHeader(ReadFile(files + "無題001.jpg"));
        EXPECT_EQ(std::pair(output.width, output.height), bomb.size) << bomb.name;
        for (const char* side : {"160", "2048"})
            EXPECT_TRUE(FileExists(files + "albumon-sizes/無題001." + side + ".jpg"))
                << bomb.name << ", " << side;
    }
}

// Phone pictures saved with 200 to 400 MB of address space (run apart from the sanitizer build
// too): each run ends within 30 seconds,
// never on a signal; a picture that could not be read is named, the others are saved.
TEST_F(MemoryBoundsTest, AddressSpaceShortForPhonePicturesEndsNamed) {
    HeifParts parts;
    parts.quality = 60;
    const std::string heic = HeicFile(QuadrantRaster(1600, 1200), parts);
    std::vector<std::string> args{"-q"};
    std::vector<std::string> pictures;
    for (int k = 0; k < 6; ++k) {
        pictures.push_back(data / ("in/phone" + std::to_string(k) + ".heic"));
        WriteFile(pictures.back(), heic);
        args.push_back(pictures.back());
    }
    for (rlim_t cap : {200, 250, 300, 350, 400}) {
        FaultCase fault("6 HEIC in " + std::to_string(cap) + " MB address space");
        for (const std::string& picture : pictures)
            fault.sources.Add(picture);
        std::vector<std::string> capped = args;
        capped.insert(capped.end(), {"-o", data / ("out" + std::to_string(cap))});
        const ChildRun run =
            RunChild(ALBUMON_MAKE, capped, data / "tmp", {{RLIMIT_AS, cap * kMiB}}, 60);
        EXPECT_FALSE(run.overran) << cap << " MB: still running after 60 s";
        EXPECT_LT(run.seconds, 30) << cap << " MB";
        EXPECT_EQ(run.signal, 0) << cap << " MB\n" << run.err;
        if (run.status != 0) {
            // The save itself could not go on: it says why, and leaves no album.
            EXPECT_EQ(run.status, 1) << cap << " MB\n" << run.err;
            EXPECT_NE(run.err.find("albumon-make: "), std::string::npos) << run.err;
            EXPECT_FALSE(FileExists(data / ("out" + std::to_string(cap) + "/無題.htm")));
            continue;
        }
        for (std::size_t k = 0; k < pictures.size(); ++k) {
            EXPECT_TRUE(FileExists(data / ("out" + std::to_string(cap) + "/無題.files/無題00" +
                                           std::to_string(k + 1) + ".jpg")))
                << cap << " MB, picture " << k;
        }
        // Every warning names one of the pictures.
        std::istringstream lines(run.err);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_TRUE(line.find(data / "in/phone") != std::string::npos)
                << cap << " MB: " << line;
        }
    }
}

// Phone pictures saved while the system refuses threads: none at all, or every one after the
// first or second (the save's workers and any a decoder asks for). Each run ends within 30
// seconds with every picture saved; whatever could not be made is named.
TEST_F(MemoryBoundsTest, ThreadsRefusedDuringAPhoneSaveEndNamed) {
    HeifParts parts;
    parts.quality = 60;
    const std::string heic = HeicFile(QuadrantRaster(1600, 1200), parts);
    std::vector<std::string> pictures;
    for (int k = 0; k < 4; ++k) {
        pictures.push_back(data / ("in/thread" + std::to_string(k) + ".heic"));
        WriteFile(pictures.back(), heic);
    }
    for (int from : {1, 2, 3}) {
        const std::string out = data / ("threads" + std::to_string(from));
        FaultCase fault("4 HEIC, threads refused from the " + std::to_string(from) + ". on");
        std::vector<std::string> args{"-q", "-o", out};
        for (const std::string& picture : pictures) {
            fault.sources.Add(picture);
            args.push_back(picture);
        }
        ::setenv("LD_PRELOAD", REFUSE_THREADS, 1);
        ::setenv("ALBUMON_REFUSE_THREADS_FROM", std::to_string(from).c_str(), 1);
        const ChildRun run = RunChild(ALBUMON_MAKE, args, data / "tmp", {}, 60);
        ::unsetenv("LD_PRELOAD");
        ::unsetenv("ALBUMON_REFUSE_THREADS_FROM");
        EXPECT_FALSE(run.overran) << from << ": still running after 60 s";
        EXPECT_LT(run.seconds, 30) << from;
        EXPECT_EQ(run.signal, 0) << from << "\n" << run.err;
        EXPECT_EQ(run.status, 0) << from << "\n" << run.err;
        for (std::size_t k = 0; k < pictures.size(); ++k) {
            EXPECT_TRUE(FileExists(out + "/無題.files/無題00" + std::to_string(k + 1) + ".jpg"))
                << from << ", picture " << k;
        }
        std::istringstream lines(run.err);
        for (std::string line; std::getline(lines, line);)
            EXPECT_NE(line.find(data / "in/thread"), std::string::npos) << from << ": " << line;
    }
}

// A JPEG cut short and one with its data damaged are saved as they are, each named; of a dozen
// such pictures ten are named and the rest summed up, as are inputs that are no pictures.
TEST_F(MemoryBoundsTest, DamagedPicturesAreNamedAndManyOfAKindSummed) {
    FaultCase fault("cut JPEGs and many warnings");
    std::vector<std::string> args{"-q", "-o", data / "out"};
    const std::string whole = ColorJpeg(640, 480);
    for (int k = 0; k < 12; ++k) {
        const std::string path = data / ("in/cut" + std::to_string(10 + k) + ".jpg");
        WriteFile(path, whole.substr(0, whole.size() / 3));
        fault.sources.Add(path);
        args.push_back(path);
    }
    for (int k = 0; k < 15; ++k) {
        const std::string path = data / ("in/note" + std::to_string(10 + k) + ".txt");
        WriteFile(path, "not a picture");
        args.push_back(path);
    }
    const ChildRun run = Make(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto count = [&run](const std::string& text) {
        int found = 0;
        for (std::size_t at = run.err.find(text); at != std::string::npos;
             at = run.err.find(text, at + 1))
            ++found;
        return found;
    };
    EXPECT_EQ(count(": 画像が途中で切れています"), 11) << run.err;
    EXPECT_EQ(count("ほか 2 件: 画像が途中で切れています"), 1) << run.err;
    EXPECT_NE(run.err.find(data / "in/cut10.jpg: 画像が途中で切れています"), std::string::npos);
    EXPECT_EQ(run.err.find(data / "in/cut21.jpg"), std::string::npos) << run.err;
    EXPECT_EQ(count("は追加できる写真ではありません"), 10) << run.err;
    EXPECT_EQ(count("ほか 5 件: 追加できる写真ではありません"), 1) << run.err;
    // The cut pictures are copied as they are.
    EXPECT_EQ(ReadFile(data / "out/無題.files/無題012.jpg"), whole.substr(0, whole.size() / 3));
}

}  // namespace
}  // namespace albumon::test
