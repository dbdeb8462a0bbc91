// Saves refused before anything is written, over an earlier album: entries whose files would
// take one name, and an output folder that is the template folder or lies inside it. The
// sources, the earlier album and the template must come through byte for byte.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

#include "FaultFixture.h"
#include "FileSystem.h"

namespace albumon::test {
namespace {

namespace fs = std::filesystem;

class NameRefusalTest : public FaultTest {
  protected:
    // Two pictures named x.jpg in two folders and an earlier album made of the first, all on
    // the case's ledger.
    std::vector<std::string> Inputs(FaultCase& fault) {
        const std::vector<std::string> pictures{data / "in/x.jpg", data / "in2/x.jpg"};
        for (unsigned k = 0; k < pictures.size(); ++k) {
            WriteNoiseJpeg(pictures[k], 160, 120, 70 + k);
            fault.sources.Add(pictures[k]);
        }
        ChildRun earlier = Make({"-q", "-o", data / "out", pictures[0], "--keep"});
        EXPECT_EQ(earlier.status, 0) << earlier.err;
        fault.sources.AddFolder(data / "out/無題.files");
        fault.sources.Add(data / "out/無題.htm");
        return pictures;
    }
};

TEST_F(NameRefusalTest, CollidingNamesAreRefusedByBothDoors) {
    FaultCase fault("colliding names");
    const std::vector<std::string> pictures = Inputs(fault);
    const FolderSnapshot before = Snapshot(data / "out");
    ChildRun run = Make({"-q", "-o", data / "out", pictures[0], "--keep", pictures[1], "--keep"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("「x.jpg」"), std::string::npos) << run.err;

    Settings(data / "out", true);
    Open();
    Drop(Q(pictures));
    ClickRow(1);
    Click(form->RadioButton4);
    form->EditName->setText("無題001");
    Click(form->SaveBitBtn);
    EXPECT_NE(BoxTexts().find("「無題001.jpg」"), std::string::npos) << BoxTexts();
    EXPECT_EQ(Snapshot(data / "out"), before);
    EXPECT_TRUE(Names(data / "out").size() == 1u && !FileExists(data / "out/無題.zip"));
}

// Names that differ only in letter case or in how an accent is composed are one name on the
// file systems of other machines and in the archive unpacked there.
TEST_F(NameRefusalTest, NamesEqualButForCaseOrCompositionAreRefusedByBothDoors) {
    FaultCase fault("names equal but for case or composition");
    const std::vector<std::string> pictures = Inputs(fault);
    const FolderSnapshot before = Snapshot(data / "out");
    const std::string list = data / "in/list.txt";
    WriteFile(list, pictures[0] + "\t\t\t\tdup\n" + pictures[1] + "\t\t\t\tDUP\n");
    struct Case {
        std::vector<std::string> args;
        std::string named;  // the colliding name the refusal shows
    };
    const std::vector<Case> cases{
        {{pictures[0], "--name", "Photo", pictures[1], "--name", "PHOTO"}, "「PHOTO.jpg」"},
        {{pictures[0], "--name", "caf\u00e9", pictures[1], "--name", "cafe\u0301"},
         "「cafe\u0301.jpg」"},
        {{"--list", list}, "「DUP.jpg」"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"-q", "--zip", "-o", data / "out"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ChildRun run = Make(args);
        EXPECT_EQ(run.status, 2) << c.named;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
    }

    Settings(data / "out", true);
    Open();
    Drop(Q(pictures));
    form->EditHedFix->setText("Album");
    ClickRow(1);
    Click(form->RadioButton4);
    form->EditName->setText("ALBUM001");
    Click(form->SaveBitBtn);
    EXPECT_NE(BoxTexts().find("「ALBUM001.jpg」"), std::string::npos) << BoxTexts();
    EXPECT_EQ(Snapshot(data / "out"), before);
    EXPECT_FALSE(FileExists(data / "out/無題.zip") || FileExists(data / "out/Album.htm"));
}

TEST_F(NameRefusalTest, OutputInTheTemplateIsRefusedByBothDoors) {
    FaultCase fault("output folder in the template");
    const std::vector<std::string> pictures = Inputs(fault);
    const std::string templ = data / "tpl";
    fs::copy(ALBUMON_SOURCE_DIR "/Def", templ, fs::copy_options::recursive);
    fault.sources.AddFolder(templ);
    fault.sources.AddFolder(templ + "/Def.files");
    for (const std::string& out : {templ, templ + "/Def.files", templ + "/new"}) {
        ChildRun run = Make({"-q", "--template", templ, "-o", out, "--head", "Def", pictures[0]});
        EXPECT_EQ(run.status, 2) << out;
        EXPECT_NE(run.err.find("テンプレートフォルダー"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(templ + "/new"));

    Settings(templ, false, "Def=" + templ + "/\r\n");
    Open();
    Drop(Q({pictures[0]}));
    form->EditHedFix->setText("Def");
    Click(form->SaveBitBtn);
    EXPECT_NE(BoxTexts().find("テンプレートフォルダー"), std::string::npos) << BoxTexts();
    EXPECT_FALSE(fs::exists(templ + "/Def.files/$_無題001.jpg"));
}

}  // namespace
}  // namespace albumon::test
