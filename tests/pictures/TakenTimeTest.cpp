// When a photo was taken: DateTimeOriginal with its offset or in local time, malformed dates, and
// the EXIF block found in the header of each format without decoding.
#include <gtest/gtest.h>

#include <ctime>

#include "PhoneFormatFixtures.h"
#include "PhotoFixtures.h"
#include "PictureFixtures.h"
#include "TestSupport.h"
#include "metadata/ExifTags.h"
#include "metadata/JpegSegments.h"
#include "metadata/TakenTime.h"

namespace albumon {
namespace {

// The local time zone (a POSIX TZ rule) for the life of the object.
class LocalZone {
  public:
    explicit LocalZone(const char* rule) {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        ::setenv("TZ", rule, 1);
        ::tzset();
    }
    ~LocalZone() {
        if (old_)
            ::setenv("TZ", old_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

  private:
    std::optional<std::string> old_;
};

// Seconds since 1970 of a UTC time written "YYYY-MM-DD HH:MM:SS".
std::int64_t Utc(const char* text) {
    std::tm t{};
    EXPECT_NE(::strptime(text, "%Y-%m-%d %H:%M:%S", &t), nullptr) << text;
    return static_cast<std::int64_t>(::timegm(&t));
}

std::string DatedExif(const std::string& taken, const std::string& offset) {
    test::PhotoParts parts{1, false, false, false, 90, taken, offset};
    return ExifPayload(test::PhoneJpeg(Raster(16, 12, pf24bit), parts));
}

TEST(TakenTimeTest, OffsetsAndLocalTime) {
    struct Case {
        const char* taken;
        const char* offset;
        const char* zone;
        const char* utc;
    };
    const Case cases[] = {
        {"2026:08:01 20:00:00", "+09:00", "UTC0", "2026-08-01 11:00:00"},
        {"2026:08:01 08:00:00", "-05:00", "UTC0", "2026-08-01 13:00:00"},
        {"2026:01:01 00:30:00", "+09:30", "UTC0", "2025-12-31 15:00:00"},
        {"2024:02:29 23:59:59", "-00:30", "UTC0", "2024-03-01 00:29:59"},
        // Without an offset, or with one that is no offset, the time is the local one.
        {"2026:08:01 20:00:00", "", "JST-9", "2026-08-01 11:00:00"},
        {"2026:08:01 20:00:00", "", "EST5EDT,M3.2.0,M11.1.0", "2026-08-02 00:00:00"},
        {"2026:01:10 20:00:00", "", "EST5EDT,M3.2.0,M11.1.0", "2026-01-11 01:00:00"},
        {"2026:08:01 20:00:00", "   :  ", "JST-9", "2026-08-01 11:00:00"},
        {"2026:08:01 20:00:00", "+9:00", "UTC0", "2026-08-01 20:00:00"},
        // Dashes and a "T", as some programs write the date.
        {"2026-08-01T20:00:00", "+00:00", "JST-9", "2026-08-01 20:00:00"},
    };
    for (const Case& c : cases) {
        LocalZone zone(c.zone);
        EXPECT_EQ(ExifTakenTime(DatedExif(c.taken, c.offset)), Utc(c.utc))
            << c.taken << " " << c.offset << " in " << c.zone;
    }
}

TEST(TakenTimeTest, MalformedOrMissingDatesGiveNone) {
    for (const char* taken :
         {"", "    :  :     :  :  ", "0000:00:00 00:00:00", "2026:02:29 10:00:00",
          "2026:13:01 10:00:00", "2026:04:31 10:00:00", "2026:05:04 24:00:00",
          "2026:05:04 10:60:00", "2026:05:04", "2026/05/04 10:11:12", "2026:05-04 10:11:12",
          "2026:05:04 10:11:1x", "2026:05:04 10:11:12 extra"}) {
        EXPECT_EQ(ExifTakenTime(DatedExif(taken, "+09:00")), std::nullopt) << "'" << taken << "'";
    }
    EXPECT_EQ(ExifTakenTime(""), std::nullopt);
    EXPECT_EQ(ExifTakenTime(std::string("Exif\0\0MM\0*garbage", 17)), std::nullopt);
}

TEST(TakenTimeTest, EveryFormatsDateIsReadFromItsHeader) {
    LocalZone zone("UTC0");
    test::TempDir dir;
    const Raster upright = test::QuadrantRaster(32, 24);
    const std::string jpeg = test::PhoneJpeg(upright, {.orientation = 1});
    const std::size_t scan = jpeg.find("\xFF\xDA");
    struct Case {
        const char* name;
        std::string dated;
        std::string undated;
    };
    const Case cases[] = {
        {"JPEG", jpeg, test::PhoneJpeg(upright, {.orientation = 0})},
        {"JPEG cut after its header", jpeg.substr(0, scan + 16),
         test::PhoneJpeg(upright, {.orientation = 1, .taken = ""})},
        {"HEIC", test::HeicFile(upright, {.exifOrientation = 6}), test::HeicFile(upright, {})},
        {"PNG", test::PngFile(upright, {.exifOrientation = 3}), test::PngFile(upright, {})},
        {"WebP", test::WebpFile(upright, {.exifOrientation = 8}), test::WebpFile(upright, {})},
        {"lossless WebP", test::WebpFile(upright, {.lossless = true, .exifOrientation = 1}),
         "not a picture"},
    };
    for (const Case& c : cases) {
        test::WriteFile(dir / "dated", c.dated);
        test::WriteFile(dir / "undated", c.undated);
        EXPECT_EQ(TakenTime(dir / "dated"), Utc("2026-05-04 10:11:12")) << c.name;
        EXPECT_EQ(TakenTime(dir / "undated"), std::nullopt) << c.name;
    }
    EXPECT_EQ(TakenTime(dir / "missing.jpg"), std::nullopt);
    EXPECT_EQ(TakenTime(dir.path()), std::nullopt);
}

}  // namespace
}  // namespace albumon
