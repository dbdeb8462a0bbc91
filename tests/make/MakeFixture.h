// The fixture of the albumon-make tests that run it as a process: sample inputs in a temporary
// folder, and a run's exit status with what it printed.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "FileSystem.h"
#include "TestSupport.h"
#include "codecs/JpegCodec.h"
#include "pixels/Raster.h"

namespace albumon {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

struct MakeRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class MakeCommandTest : public ::testing::Test {
  protected:
    MakeCommandTest() {
        ForceDirectories(dir / "tmp");
        ForceDirectories(dir / "out");
        for (const char* name : {"b.jpg", "a.JPG", "c.jpeg"})
            Jpeg(dir / ("in/" + std::string(name)));
        test::WriteFile(dir / "in/notes.txt", "not a picture");
        test::WriteFile(dir / "note.txt", "first\r\n<b>second</b>\r\n");
    }

    static void Jpeg(const std::string& path, int w = 64, int h = 48) {
        Raster raster(w, h, pf24bit);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < 3 * w; ++x)
                raster.Row(y)[x] = static_cast<std::uint8_t>(x + y);
        }
        test::WriteFile(path, EncodeJpeg(raster, EncodeOptions{}));
    }

    // Runs albumon-make with the arguments; its work folder goes below dir/tmp.
    MakeRun Make(const std::vector<std::string>& args) {
        std::string command = "cd " + Quote(dir.path()) + " && TMPDIR=" + Quote(dir / "tmp") + " " +
                              Quote(ALBUMON_MAKE);
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        command += " 2>" + Quote(dir / "err.txt");
        MakeRun run;
        FILE* pipe = ::popen(command.c_str(), "r");
        std::array<char, 4096> buffer{};
        while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
            run.out.append(buffer.data(), n);
        }
        int status = ::pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.err = test::ReadFile(dir / "err.txt");
        return run;
    }

    bool WorkFolderGone() { return test::FolderNames(dir / "tmp").empty(); }

    test::TempDir dir;
};

// The default template lies beside the albumon-make under test.
inline std::string DefaultNotePicture() {
    return fs::path(ALBUMON_MAKE).parent_path().string() + "/Def/Def.files/DefNote.jpg";
}

}  // namespace albumon
