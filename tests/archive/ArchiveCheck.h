// Test helpers that look at a zip archive through the standard tools.
#pragma once

#include <map>
#include <string>

namespace albumon::test {

// True when "unzip -t" finds the archive sound.
bool UnzipTestsClean(const std::string& archive);

// The entries of an archive as Python's zipfile reads them (after its own CRC test): name to
// contents. Names marked as UTF-8 are listed as they are; others get a "[not utf-8]" suffix.
// Empty when the archive cannot be read.
std::map<std::string, std::string> PythonZipEntries(const std::string& archive);

// The output of a shell command and its exit status.
int RunCommand(const std::string& command, std::string& output);

}  // namespace albumon::test
