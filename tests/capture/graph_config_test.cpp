#include "capture/graph_config.h"

#include <gtest/gtest.h>

namespace quelm {
namespace {

void SetAllBooleans(TGraphConfig& c, bool value) {
    c.WantBitmaps = c.WantCapture = c.WantPreview = c.WantDVAudio = value;
    c.WantAudio = c.WantAudioPreview = c.DoPreallocFile = c.UseTempFile = value;
}

QStringList ItemNames(const QString& text) {
    QStringList names;
    for (const QString& item : SplitCommaText(text))
        names.append(item.section(u'=', 0, 0));
    return names;
}

TEST(GraphConfig, ConstructionAndClearGiveTheDefaults) {
    TGraphConfig c;
    EXPECT_TRUE(c.VCapSource.isEmpty() && c.ACapSource.isEmpty() && c.VComp.isEmpty() && c.AComp.isEmpty());
    EXPECT_EQ(c.VCapMode, TVCapMode{});
    EXPECT_EQ(c.ACapMode, TACapMode{});
    EXPECT_TRUE(c.VCompState.isEmpty());
    EXPECT_FALSE(c.WantCapture || c.WantPreview || c.WantBitmaps || c.WantAudio || c.WantDVAudio);
    EXPECT_TRUE(c.WantAudioPreview);
    EXPECT_FALSE(c.UseTempFile || c.DoPreallocFile);
    EXPECT_EQ(c.PixelFormat, TPixelFormat::pf24bit);
    EXPECT_EQ(c.DVResolution, TDVResolution::dvrFull);
    EXPECT_EQ(c.CaptureFileName, QStringLiteral("capture.avi"));
    EXPECT_EQ(c.TempCaptureFileName, QStringLiteral("captemp.avi"));
    EXPECT_EQ(c.PreallocFileSize, 0u);

    // Clear restores every default except the compressor state block.
    TGraphConfig changed = c;
    SetAllBooleans(changed, true);
    changed.VCapSource = QStringLiteral("Cam");
    changed.VCapMode.Width = 640;
    changed.PixelFormat = TPixelFormat::pf8bit;
    changed.CaptureFileName = QStringLiteral("x.avi");
    changed.PreallocFileSize = 9;
    changed.VCompState = QByteArray("\x01\x02", 2);
    changed.Clear();
    TGraphConfig expected = c;
    expected.VCompState = QByteArray("\x01\x02", 2);
    EXPECT_EQ(changed, expected);
}

TEST(GraphConfig, WritesTheItemsInTheirOrder) {
    TGraphConfig c;
    SetAllBooleans(c, false);
    c.PreallocFileSize = 4000000000u;
    c.TempCaptureFileName = QStringLiteral("/opt/q/temp1.avi");
    c.CaptureFileName = QStringLiteral("alert.avi");
    c.DVResolution = TDVResolution::dvrQuater;
    c.PixelFormat = TPixelFormat::pf32bit;
    c.VCapSource = QStringLiteral("USB Video Device");
    c.ACapSource = QStringLiteral("Mic");
    c.AComp = QStringLiteral("MP3");
    c.VComp = QStringLiteral("MJPEG");
    c.ACapMode = {MEDIATYPE_Audio, MEDIASUBTYPE_PCM, 44100, 16, 2, 176400};
    c.VCapMode = {MEDIATYPE_Video, MEDIASUBTYPE_YUY2, 640, 480, 16, 30, 5, 30};
    c.VCompState = QByteArray("\xDE\xAD", 2);
    EXPECT_EQ(c.SaveGraph(),
              QStringLiteral("WantBitmaps=0,WantCapture=0,WantPreview=0,WantDVAudio=0,WantAudio=0,"
                             "WantAudioPreview=0,DoPreallocFile=0,UseTempFile=0,PreallocFileSize=4000000000,"
                             "TempCaptureFileName=/opt/q/temp1.avi,CaptureFileName=alert.avi,DVResolution=3,"
                             "PixelFormat=7,\"VCapSource=USB Video Device\",ACapSource=Mic,AComp=MP3,"
                             "VComp=MJPEG,ACapModeMediaSubType=0100000000001000800000AA00389B71,"
                             "ACapModeSampleRate=44100,ACapModeAvgSampleRate=176400,ACapModeSampleSize=16,"
                             "ACapModeChannels=2,VCapModeMediaSubType=5955593200001000800000AA00389B71,"
                             "VCapModeWidth=640,VCapModeHeight=480,VCapModeBits=16,VCompState=DEAD"));
}

TEST(GraphConfig, BooleanItemsAppearOnlyWhenFalse) {
    TGraphConfig c;
    SetAllBooleans(c, true);
    const QStringList allTrue = ItemNames(c.SaveGraph());
    EXPECT_EQ(allTrue.size(), 19);
    EXPECT_EQ(allTrue.front(), QStringLiteral("PreallocFileSize"));
    EXPECT_EQ(allTrue.back(), QStringLiteral("VCompState"));

    SetAllBooleans(c, false);
    const QStringList allFalse = ItemNames(c.SaveGraph());
    EXPECT_EQ(allFalse.size(), 27);
    EXPECT_EQ(allFalse.mid(0, 8),
              (QStringList{"WantBitmaps", "WantCapture", "WantPreview", "WantDVAudio", "WantAudio",
                           "WantAudioPreview", "DoPreallocFile", "UseTempFile"}));
    EXPECT_EQ(allFalse.mid(8), allTrue);

    // One false Boolean gives exactly its own item.
    SetAllBooleans(c, true);
    c.WantDVAudio = false;
    EXPECT_TRUE(c.SaveGraph().startsWith(QStringLiteral("WantDVAudio=0,PreallocFileSize=0,")));
}

TEST(GraphConfig, EmptyTextRestoresTheDefaultsWithEveryBooleanTrue) {
    TGraphConfig c;
    c.VCapSource = QStringLiteral("old");
    c.VCompState = QByteArray("old");
    c.VCapMode.Width = 320;
    c.RestoreGraph(QString());

    TGraphConfig expected;
    SetAllBooleans(expected, true);
    EXPECT_EQ(c, expected); // names empty, modes zero, state empty, pf24bit, dvrFull, default file names
}

TEST(GraphConfig, RestoresSingleItems) {
    struct Case {
        const char* text;
        bool (*check)(const TGraphConfig&);
    };
    const Case cases[] = {
        // Resolution and pixel format: low 8 bits, out-of-range and unreadable values give the defaults.
        {"DVResolution=260", [](const TGraphConfig& c) { return c.DVResolution == TDVResolution::dvrDC; }},
        {"DVResolution=9", [](const TGraphConfig& c) { return c.DVResolution == TDVResolution::dvrFull; }},
        {"DVResolution=0",
         [](const TGraphConfig& c) { return c.DVResolution == TDVResolution::dvrDontWorry; }},
        {"DVResolution=-252", [](const TGraphConfig& c) { return c.DVResolution == TDVResolution::dvrDC; }},
        {"DVResolution=2147483648",
         [](const TGraphConfig& c) { return c.DVResolution == TDVResolution::dvrFull; }},
        {"DVResolution=3x", [](const TGraphConfig& c) { return c.DVResolution == TDVResolution::dvrFull; }},
        {"PixelFormat=-1", [](const TGraphConfig& c) { return c.PixelFormat == TPixelFormat::pf24bit; }},
        {"PixelFormat=264", [](const TGraphConfig& c) { return c.PixelFormat == TPixelFormat::pfCustom; }},
        {"PixelFormat=+3", [](const TGraphConfig& c) { return c.PixelFormat == TPixelFormat::pf8bit; }},
        {"PixelFormat=", [](const TGraphConfig& c) { return c.PixelFormat == TPixelFormat::pf24bit; }},
        {"PixelFormat=0x7", [](const TGraphConfig& c) { return c.PixelFormat == TPixelFormat::pf24bit; }},
        {"\"PixelFormat= 7\"", [](const TGraphConfig& c) { return c.PixelFormat == TPixelFormat::pf24bit; }},
        // Booleans: above zero is true, missing or unreadable counts as 1; names ignore case.
        {"wantaudio=0", [](const TGraphConfig& c) { return !c.WantAudio && c.WantAudioPreview; }},
        {"WANTAUDIOPREVIEW=0", [](const TGraphConfig& c) { return c.WantAudio && !c.WantAudioPreview; }},
        {"WantCapture=-3", [](const TGraphConfig& c) { return !c.WantCapture; }},
        {"WantCapture=2", [](const TGraphConfig& c) { return c.WantCapture; }},
        {"WantCapture=no", [](const TGraphConfig& c) { return c.WantCapture; }},
        {"WantCapture=", [](const TGraphConfig& c) { return c.WantCapture; }},
        {"WantCapture=1,WantCapture=0", [](const TGraphConfig& c) { return c.WantCapture; }}, // first counts
        {"WantCapture", [](const TGraphConfig& c) { return c.WantCapture; }}, // no equals sign: ignored
        {"UseTempFile=0", [](const TGraphConfig& c) { return !c.UseTempFile && c.DoPreallocFile; }},
        // Unsigned size: every written value reads back; a negative size reads as 0.
        {"PreallocFileSize=4294967295",
         [](const TGraphConfig& c) { return c.PreallocFileSize == 4294967295u; }},
        {"PreallocFileSize=4294967296", [](const TGraphConfig& c) { return c.PreallocFileSize == 0u; }},
        {"PreallocFileSize=-1", [](const TGraphConfig& c) { return c.PreallocFileSize == 0u; }},
        {"PreallocFileSize=99999999999999999999999",
         [](const TGraphConfig& c) { return c.PreallocFileSize == 0u; }},
        // Mode numbers are 32-bit signed.
        {"VCapModeWidth=-640", [](const TGraphConfig& c) { return c.VCapMode.Width == -640; }},
        {"ACapModeSampleRate=2147483647",
         [](const TGraphConfig& c) { return c.ACapMode.SampleRate == 2147483647; }},
        {"ACapModeSampleRate=-2147483648",
         [](const TGraphConfig& c) { return c.ACapMode.SampleRate == -2147483647 - 1; }},
        {"ACapModeSampleRate=2147483648", [](const TGraphConfig& c) { return c.ACapMode.SampleRate == 0; }},
        {"VCapModeBits=1e3", [](const TGraphConfig& c) { return c.VCapMode.BitCount == 0; }},
        // Empty file names give the default names.
        {"CaptureFileName=,TempCaptureFileName=",
         [](const TGraphConfig& c) {
             return c.CaptureFileName == "capture.avi" && c.TempCaptureFileName == "captemp.avi";
         }},
        // Values: everything after the first equals sign; an unquoted value ends at a blank.
        {"VCapSource=a=b", [](const TGraphConfig& c) { return c.VCapSource == "a=b"; }},
        {"VCapSource=USB Video Device", [](const TGraphConfig& c) { return c.VCapSource == "USB"; }},
        {"  VCapSource=Cam  ,\tVComp=X\r\n",
         [](const TGraphConfig& c) { return c.VCapSource == "Cam" && c.VComp == "X"; }},
        {"\"VCapSource=Cam, \"\"A\"\"\",AComp=Z",
         [](const TGraphConfig& c) { return c.VCapSource == "Cam, \"A\"" && c.AComp == "Z"; }},
        {"\"VCapSource=unterminated, AComp=Z",
         [](const TGraphConfig& c) { return c.VCapSource == "unterminated, AComp=Z" && c.AComp.isEmpty(); }},
        {"\"VCapSource=A\"AComp=B",
         [](const TGraphConfig& c) { return c.VCapSource == "A" && c.AComp == "B"; }},
        {"vcapsource=lower,VCAPSOURCE=upper", [](const TGraphConfig& c) { return c.VCapSource == "lower"; }},
        // Identifiers and the state block: damage keeps what was decoded before it.
        {"VCapModeMediaSubType=5955593200001000800000AA00389B71",
         [](const TGraphConfig& c) { return c.VCapMode.MediaSubType == MEDIASUBTYPE_YUY2; }},
        {"ACapModeMediaSubType=01",
         [](const TGraphConfig& c) { return c.ACapMode.MediaSubType == TGuid{1}; }},
        {"VCompState=0102zz03",
         [](const TGraphConfig& c) { return c.VCompState == QByteArray("\x01\x02", 2); }},
        {"VCompState=abc", [](const TGraphConfig& c) { return c.VCompState == QByteArray("\x0A\xBC", 2); }},
    };
    for (const Case& c : cases) {
        TGraphConfig config;
        config.RestoreGraph(QString::fromLatin1(c.text));
        EXPECT_TRUE(c.check(config)) << c.text;
    }
}

TEST(GraphConfig, RestoreClearsWhatTheTextDoesNotHold) {
    TGraphConfig c;
    c.VCapSource = QStringLiteral("Cam");
    c.VCapMode = {MEDIATYPE_Video, MEDIASUBTYPE_RGB24, 320, 240, 24, 15, 1, 30};
    c.VCompState = QByteArray("abc");
    c.RestoreGraph(QStringLiteral("VComp=Z"));
    EXPECT_TRUE(c.VCapSource.isEmpty());
    EXPECT_EQ(c.VCapMode, TVCapMode{});
    EXPECT_TRUE(c.VCompState.isEmpty());
    EXPECT_EQ(c.VComp, QStringLiteral("Z"));
}

TEST(GraphConfig, RoundTripKeepsEveryStoredValue) {
    TGraphConfig c;
    c.WantCapture = true;
    c.WantAudioPreview = false;
    c.DoPreallocFile = true;
    c.PreallocFileSize = 4294967295u;
    c.TempCaptureFileName = QStringLiteral("/home/a b/temp1.avi");
    c.CaptureFileName = QStringLiteral("C:\\rec\\\"x\".avi");
    c.DVResolution = TDVResolution::dvrDontWorry;
    c.PixelFormat = TPixelFormat::pfDevice;
    c.VCapSource = QStringLiteral("Cam, \"front\" (2)");
    c.ACapSource = QStringLiteral(" leading and trailing ");
    c.AComp = QString::fromUtf16(u"\u041A\u0430\u043C\u0435\u0440\u0430 \U0001F3A5");
    c.VComp = QStringLiteral("a=b=c");
    c.ACapMode = {MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT, -1, 32, 6, 2147483647};
    c.VCapMode = {MEDIATYPE_Video, MEDIASUBTYPE_RGB24, 1920, 1080, 24, 29.97, 1, 60};
    c.VCompState = QByteArray("\x00\xFF\x10", 3);

    TGraphConfig back;
    back.RestoreGraph(c.SaveGraph());

    // The modes' major types and the frame rates are not stored.
    TGraphConfig expected = c;
    expected.ACapMode.MediaType = TGuid{};
    expected.VCapMode.MediaType = TGuid{};
    expected.VCapMode.FrameRate = expected.VCapMode.MinFrameRate = expected.VCapMode.MaxFrameRate = 0;
    EXPECT_EQ(back, expected);
    EXPECT_EQ(back.SaveGraph(), c.SaveGraph());
}

} // namespace
} // namespace quelm
