// Test helpers that look at a zip archive through the standard tools.
#include "ArchiveCheck.h"

#include <stdio.h>
#include <sys/wait.h>

#include <memory>

namespace albumon::test {

namespace {

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Prints every entry as: flag, tab, name (hex), tab, contents (hex), newline.
const char kListScript[] =
    "import sys, zipfile\n"
    "z = zipfile.ZipFile(sys.argv[1])\n"
    "assert z.testzip() is None\n"
    "for i in z.infolist():\n"
    "    name = i.filename.encode('utf-8' if i.flag_bits & 0x800 else 'cp437')\n"
    "    print(i.flag_bits & 0x800, name.hex(), z.read(i).hex(), sep='\\t')\n";

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

}  // namespace

int RunCommand(const std::string& command, std::string& output) {
    output.clear();
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), &::pclose);
    if (!pipe)
        return -1;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        output.append(buffer, n);
    int status = ::pclose(pipe.release());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool UnzipTestsClean(const std::string& archive) {
    std::string output;
    return RunCommand("unzip -t " + ShellQuoted(archive) + " 2>&1", output) == 0 &&
           output.find("No errors detected") != std::string::npos;
}

std::map<std::string, std::string> PythonZipEntries(const std::string& archive) {
    std::map<std::string, std::string> entries;
    std::string output;
    std::string command =
        "python3 -c " + ShellQuoted(kListScript) + " " + ShellQuoted(archive) + " 2>/dev/null";
    if (RunCommand(command, output) != 0)
        return entries;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t stop = output.find('\n', start);
        std::string line = output.substr(start, stop - start);
        start = stop == std::string::npos ? output.size() : stop + 1;
        auto tab1 = line.find('\t');
        auto tab2 = line.find('\t', tab1 + 1);
        if (tab1 == std::string::npos || tab2 == std::string::npos)
            continue;
        std::string name = FromHex(line.substr(tab1 + 1, tab2 - tab1 - 1));
        bool utf8 = line.substr(0, tab1) != "0";
        bool hasHigh = false;
        for (char c : name)
            hasHigh = hasHigh || static_cast<unsigned char>(c) >= 0x80;
        entries[utf8 || !hasHigh ? name : name + "[not utf-8]"] = FromHex(line.substr(tab2 + 1));
    }
    return entries;
}

}  // namespace albumon::test
