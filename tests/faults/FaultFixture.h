// The fault suite's fixture: the real window with its own program folder (from the window
// tests), plus albumon-make run as a child, a scratch folder for its work files and mounts.
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "FaultSupport.h"
#include "WindowFixture.h"

namespace albumon::test {

class FaultTest : public WindowTest {
  protected:
    FaultTest();

    // albumon-make with args, its work folder in data/tmp, under the limits.
    ChildRun Make(const std::vector<std::string>& args, const std::vector<ChildLimit>& limits = {});
    // Writes the settings file the window starts with: output folder out, archive on or off.
    void Settings(const std::string& out, bool zip, const std::string& extra = "");
    // The sorted names of the files of a folder (not of its sub-folders).
    static std::vector<std::string> Names(const std::string& folder);
    // Paths as the window takes them.
    static QStringList Q(const std::vector<std::string>& paths);
    // The error texts the window showed so far.
    std::string BoxTexts() const;
};

}  // namespace albumon::test
