#include "core/ini_file.h"
#include "detector/alg_thread.h"
#include "support/temp_dir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using namespace quelm;

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

TEST(AlgSettings, MissingFileOrSectionGivesTheDefaults) {
    test::TempDir dir;
    const QString ini = dir.file("quelm_parrin.ini");
    WriteText(ini, "[MoveDAlg2]\nthreshold1=50\nqZones=3\nFullFrame=0\nControlZone=1,1,1,1,1,1,1,1,1,\n");
    for (const QString& file : {dir.file("absent.ini"), ini}) {
        AlgThread alg;
        alg.ControlZone[0][0] = 1;
        alg.LoadFromIni(file, "MoveDAlg1");
        EXPECT_EQ(alg.threshold1, 32);
        EXPECT_EQ(alg.qzones, 12);
        EXPECT_TRUE(alg.FullFrame);
        EXPECT_EQ(alg.ControlZone, ControlZoneGrid{}); // an empty list clears the block
    }
}

TEST(AlgSettings, ValuesAreReducedToTheirRanges) {
    const struct {
        const char *threshold, *q, *fullFrame;
        int expectThreshold, expectQ;
        bool expectFullFrame;
    } cases[] = {
        {"40", "5", "0", 40, 5, false},     {"300", "276", "1", 44, 20, true}, // low 8 bits: 44 and 20
        {"abc", "x", "y", 32, 12, true},    {"-1", "0", "7", 255, 1, true},
        {"0x21", "25", "0", 33, 20, false}, {"", "255", "", 32, 20, true},
    };
    test::TempDir dir;
    const QString ini = dir.file("s.ini");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.threshold);
        WriteText(ini, QByteArray("[MoveDAlg1]\nthreshold1=") + c.threshold + "\nqZones=" + c.q +
                           "\nFullFrame=" + c.fullFrame + "\n");
        AlgThread alg;
        alg.LoadFromIni(ini, "MoveDAlg1");
        EXPECT_EQ(alg.threshold1, c.expectThreshold);
        EXPECT_EQ(alg.qzones, c.expectQ);
        EXPECT_EQ(alg.FullFrame, c.expectFullFrame);
    }
}

TEST(AlgSettings, SaveWritesTheFourKeysAndLoadReadsThemBack) {
    test::TempDir dir;
    const QString ini = dir.file("quelm_parrin.ini");
    AlgThread saved;
    saved.threshold1 = 41;
    saved.qzones = 2;
    saved.FullFrame = false;
    saved.ControlZone[0][0] = 1;
    saved.ControlZone[5][5] = 1; // outside the block: not written
    saved.SaveToIni(ini, "MoveDAlg1");

    const IniFile file(ini);
    EXPECT_EQ(file.ReadString("MoveDAlg1", "threshold1", ""), "41");
    EXPECT_EQ(file.ReadString("MoveDAlg1", "qZones", ""), "2");
    EXPECT_EQ(file.ReadString("MoveDAlg1", "FullFrame", ""), "0");
    EXPECT_EQ(file.ReadString("MoveDAlg1", "ControlZone", ""), "1,0,0,0,");

    saved.qzones = 20;
    for (int i = 0; i < 20; ++i)
        for (int j = 0; j < 20; ++j)
            saved.ControlZone[i][j] = static_cast<std::uint8_t>((i * 7 + j * 3) % 2);
    saved.FullFrame = true;
    saved.SaveToIni(ini, "MoveDAlg2");
    AlgThread loaded;
    loaded.LoadFromIni(ini, "MoveDAlg2");
    EXPECT_EQ(loaded.threshold1, 41);
    EXPECT_EQ(loaded.qzones, 20);
    EXPECT_TRUE(loaded.FullFrame);
    EXPECT_EQ(loaded.ControlZone, saved.ControlZone);
}

TEST(AlgSettings, NonNumberInTheListNamesFileSectionAndKeyAndKeepsWhatWasRead) {
    test::TempDir dir;
    const QString ini = dir.file("quelm_parrin.ini");
    WriteText(ini, "[MoveDAlg1]\nthreshold1=50\nqZones=2\nFullFrame=1\nControlZone=1,0x1,1,1,\n");
    AlgThread alg;
    for (auto& column : alg.ControlZone)
        column.fill(7);
    try {
        alg.LoadFromIni(ini, "MoveDAlg1");
        FAIL() << "no error";
    } catch (const ControlZoneError& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find(ini.toStdString()), std::string::npos) << what;
        EXPECT_NE(what.find("MoveDAlg1"), std::string::npos) << what;
        EXPECT_NE(what.find("ControlZone"), std::string::npos) << what;
        EXPECT_NE(what.find("0x1"), std::string::npos) << what;
        EXPECT_EQ(e.fileName(), ini);
        EXPECT_EQ(e.section(), "MoveDAlg1");
    }
    EXPECT_EQ(alg.threshold1, 50);
    EXPECT_EQ(alg.qzones, 2);
    EXPECT_EQ(alg.ControlZone[0][0], 1); // read before the bad piece
    EXPECT_EQ(alg.ControlZone[0][1], 7); // the bad piece and what follows keep their old values
    EXPECT_EQ(alg.ControlZone[1][0], 7);

    // The detector goes on: a later load of a good list works.
    WriteText(ini, "[MoveDAlg1]\nqZones=2\nControlZone=0,0,0,1,\n");
    alg.LoadFromIni(ini, "MoveDAlg1");
    EXPECT_EQ(alg.ControlZone[1][1], 1);
    EXPECT_EQ(alg.ControlZone[0][1], 0);
}

} // namespace
