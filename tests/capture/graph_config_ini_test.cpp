// Capture configurations stored as values of the settings file.
#include "capture/graph_config.h"
#include "core/ini_file.h"
#include "graph_config_awkward.h"
#include "support/temp_dir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace quelm {
namespace {

QByteArray FileBytes(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TGraphConfig SampleConfig(const QString& device) {
    TGraphConfig c;
    c.WantCapture = c.WantPreview = c.WantBitmaps = true;
    c.VCapSource = device;
    c.ACapSource = QStringLiteral("Mic, \"USB\"");
    c.TempCaptureFileName = QStringLiteral("/opt/quelm/temp1.avi");
    c.VCapMode.MediaSubType = MEDIASUBTYPE_YUY2;
    c.VCapMode.Width = 640;
    c.VCapMode.Height = 480;
    c.VCapMode.BitCount = 16;
    return c;
}

TEST(GraphConfigIni, EachCameraHasItsOwnSection) {
    test::TempDir dir;
    ASSERT_TRUE(dir.ok());
    IniFile ini(dir.file("quelm_parrin.ini"));
    ini.WriteString(QStringLiteral("quelm"), QStringLiteral("Language"), QStringLiteral("en"));

    const TGraphConfig one = SampleConfig(QStringLiteral("USB Video Device"));
    const TGraphConfig two = SampleConfig(QStringLiteral("USB Video Device (2)"));
    WriteGraphConfig(ini, 1, one);
    WriteGraphConfig(ini, 2, two);
    EXPECT_EQ(ini.ReadString(QStringLiteral("CAM1"), QStringLiteral("Config"), QString()), one.SaveGraph());

    TGraphConfig back;
    EXPECT_TRUE(ReadGraphConfig(ini, 1, back));
    EXPECT_EQ(back, one);
    EXPECT_TRUE(ReadGraphConfig(ini, 2, back));
    EXPECT_EQ(back, two);
    EXPECT_EQ(ini.ReadString(QStringLiteral("quelm"), QStringLiteral("Language"), QString()),
              QStringLiteral("en"));

    // Writing again replaces the one value.
    WriteGraphConfig(ini, 1, two);
    EXPECT_TRUE(ReadGraphConfig(ini, 1, back));
    EXPECT_EQ(back, two);
    EXPECT_EQ(FileBytes(ini.FileName()).count("config="), 2);
}

TEST(GraphConfigIni, MissingValueReadsAsTheEmptyText) {
    test::TempDir dir;
    IniFile ini(dir.file("none.ini"));
    TGraphConfig c = SampleConfig(QStringLiteral("Cam"));
    EXPECT_FALSE(ReadGraphConfig(ini, 1, c));
    TGraphConfig empty;
    empty.RestoreGraph(QString());
    EXPECT_EQ(c, empty);
}

TEST(GraphConfigIni, LineBreaksInNamesStayOnTheValuesLine) {
    test::TempDir dir;
    IniFile ini(dir.file("q.ini"));
    TGraphConfig c = SampleConfig(QStringLiteral("Cam\r\n[quelm]\nPassword=x"));
    c.VComp = QStringLiteral("Codec") + QChar(u'\0') + QStringLiteral("X");
    WriteGraphConfig(ini, 1, c);

    const QByteArray bytes = FileBytes(ini.FileName());
    EXPECT_EQ(bytes.count('\n'), 2) << bytes.toStdString(); // the section line and the value's line
    EXPECT_FALSE(bytes.contains('\0'));
    EXPECT_EQ(ini.ReadString(QStringLiteral("quelm"), QStringLiteral("Password"), QStringLiteral("none")),
              QStringLiteral("none"));

    TGraphConfig back;
    ASSERT_TRUE(ReadGraphConfig(ini, 1, back));
    TGraphConfig expected = c;
    expected.VCapSource = QStringLiteral("Cam  [quelm] Password=x");
    expected.VComp = QStringLiteral("Codec X");
    EXPECT_EQ(back, expected);
}

// A text longer than the reader's limit, with the cut falling inside the item named at.
TEST(GraphConfigIni, ItemCutByTheReadLimitReadsAsMissing) {
    struct Case {
        const char* item; // the cut falls after this prefix of the item
    };
    const Case cases[] = {{"VCapModeWidth=64"}, {"\"VCapSource=Front camera, hall"}};
    for (const Case& cut : cases) {
        test::TempDir dir;
        IniFile ini(dir.file("q.ini"));
        TGraphConfig c = SampleConfig(QStringLiteral("Front camera, hall"));
        c.VCapMode.Width = 640;
        // Lengthen the capture file name so that the reader's cut ends the text with the prefix.
        const QString prefix = QString::fromLatin1(cut.item);
        const qsizetype at = c.SaveGraph().indexOf(prefix);
        ASSERT_GE(at, 0);
        const qsizetype length = c.CaptureFileName.size() + ini::MaxValueLength - at - prefix.size();
        c.CaptureFileName = QStringLiteral("/") + QString(length - 1, u'r');
        ASSERT_EQ(c.SaveGraph().left(ini::MaxValueLength).right(prefix.size()), prefix);
        WriteGraphConfig(ini, 1, c);

        TGraphConfig back;
        ASSERT_TRUE(ReadGraphConfig(ini, 1, back)) << cut.item;
        EXPECT_EQ(back.CaptureFileName, c.CaptureFileName) << cut.item; // before the cut: kept
        if (prefix.startsWith(u'"')) {
            EXPECT_TRUE(back.VCapSource.isEmpty()) << cut.item;
        } else {
            EXPECT_EQ(back.VCapSource, c.VCapSource) << cut.item;
            EXPECT_EQ(back.VCapMode.MediaSubType, MEDIASUBTYPE_YUY2) << cut.item;
        }
        EXPECT_EQ(back.VCapMode.Width, 0) << cut.item;  // not 64
        EXPECT_EQ(back.VCapMode.Height, 0) << cut.item; // beyond the cut
    }
}

TEST(GraphConfigIni, AwkwardConfigurationsSurviveTheFile) {
    test::TempDir dir;
    IniFile ini(dir.file("q.ini"));
    ini.WriteString(QStringLiteral("cam2"), QStringLiteral("other"), QStringLiteral("kept"));
    std::mt19937 rng(31);
    const auto oneLine = [](QString s) {
        for (QChar& c : s)
            if (c == u'\r' || c == u'\n' || c == QChar(u'\0'))
                c = u' ';
        return s;
    };
    for (int round = 0; round < 60; ++round) {
        const TGraphConfig c = test::RandomConfig(rng);
        const int camera = 1 + round % 2;
        WriteGraphConfig(ini, camera, c);
        TGraphConfig back;
        ASSERT_TRUE(ReadGraphConfig(ini, camera, back));
        TGraphConfig expected = c;
        for (QString* name : {&expected.VCapSource, &expected.ACapSource, &expected.VComp, &expected.AComp,
                              &expected.CaptureFileName, &expected.TempCaptureFileName})
            *name = oneLine(*name);
        ASSERT_EQ(back, expected) << c.SaveGraph().toStdString();
    }
    EXPECT_EQ(ini.ReadString(QStringLiteral("cam2"), QStringLiteral("other"), QString()),
              QStringLiteral("kept"));
}

TEST(GraphConfigIni, UnwritableFileThrows) {
    test::TempDir dir;
    IniFile ini(dir.file("missing-folder/q.ini"));
    EXPECT_THROW(WriteGraphConfig(ini, 1, TGraphConfig{}), IniError);
}

} // namespace
} // namespace quelm
