// The fault suite's fixture.
#include "FaultFixture.h"

#include <algorithm>

#include "FileSystem.h"

namespace albumon::test {

FaultTest::FaultTest() {
    ForceDirectories(data / "tmp");
    // The cases save other pictures over an earlier album on purpose; the question before that
    // has its own case.
    boxes.acceptQuietly << QStringLiteral("」は既にあります。置き換えますか？");
}

ChildRun FaultTest::Make(const std::vector<std::string>& args,
                         const std::vector<ChildLimit>& limits) {
    return RunChild(ALBUMON_MAKE, args, data / "tmp", limits);
}

void FaultTest::Settings(const std::string& out, bool zip, const std::string& extra) {
    WriteFile(Program("albumon.INI"),
              "[File]\r\nOut=" + out + "/\r\nZip=" + (zip ? "1" : "0") + "\r\n" + extra);
}

std::vector<std::string> FaultTest::Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const DirEntry& item : ListFolder(folder))
        if (!item.isFolder && item.name != kSaveRecord)
            names.push_back(item.name);
    std::sort(names.begin(), names.end());
    return names;
}

QStringList FaultTest::Q(const std::vector<std::string>& paths) {
    QStringList list;
    for (const std::string& path : paths)
        list << QString::fromStdString(path);
    return list;
}

std::string FaultTest::BoxTexts() const {
    std::string texts;
    for (const auto& box : boxes.seen)
        texts += box.title.toStdString() + ": " + box.text.toStdString() + "\n";
    return texts;
}

}  // namespace albumon::test
