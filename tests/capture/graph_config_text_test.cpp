// The comma-separated list notation, and round trips of configurations holding awkward names.
#include "capture/graph_config.h"

#include <gtest/gtest.h>
#include <random>

namespace quelm {
namespace {

TEST(GraphConfigCommaText, JoinQuotesOnlyWhereNeeded) {
    struct Case {
        QStringList items;
        QString text;
    };
    const Case cases[] = {
        {{}, ""},
        {{"a=1", "b=2"}, "a=1,b=2"},
        {{"a=x y"}, "\"a=x y\""},
        {{"a=x,y"}, "\"a=x,y\""},
        {{"a=say \"hi\""}, "\"a=say \"\"hi\"\"\""},
        {{"a=\"", "b"}, "\"a=\"\"\",b"},
        {{"t=\tx"}, "\"t=\tx\""},
        {{"n=x\ny"}, "\"n=x\ny\""},
        {{QString::fromUtf16(u"k=\u00E9\u00FF\u4E2D")}, QString::fromUtf16(u"k=\u00E9\u00FF\u4E2D")},
        {{"k=\u007F"}, "k=\u007F"}, // DEL is no control character here
        {{"", "a", ""}, ",a,"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JoinCommaText(c.items), c.text) << c.text.toStdString();
}

TEST(GraphConfigCommaText, SplitCases) {
    struct Case {
        QString text;
        QStringList items;
    };
    const Case cases[] = {
        {"", {}},
        {"   \t", {}},
        {"a,b", {"a", "b"}},
        {" a , b ", {"a", "b"}},
        {"a b", {"a", "b"}}, // a blank ends an unquoted item
        {"a,,b", {"a", "", "b"}},
        {",a", {"", "a"}},
        {"a,", {"a", ""}}, // a final comma adds an empty item
        {"a, ", {"a"}},    // not at the very end
        {",", {"", ""}},
        {"\"x, y\",z", {"x, y", "z"}},
        {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"\"\"", {""}},
        {"\"open, to the end", {"open, to the end"}},
        {"\"a\"b", {"a", "b"}}, // the closing quote ends the item
        {"\"a\" ,b", {"a", "b"}},
        {"a\"b\",c", {"a\"b\"", "c"}}, // a quote inside an unquoted item is an ordinary character
        {"\x01"
         "a\x1F,b",
         {"a", "b"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitCommaText(c.text), c.items) << c.text.toStdString();
}

// Text from characters that the notation treats specially, plus letters beyond Latin-1.
QString AwkwardText(std::mt19937& rng, int maxLength) {
    static const char16_t alphabet[] = u" \t\r\n\x01\x1F\",=()aZ9\u00A0\u00E9\u00FF\u0100\u4E2D\uFEFF\\";
    constexpr int letters = static_cast<int>(std::size(alphabet)) - 1;
    std::uniform_int_distribution<int> length(0, maxLength);
    std::uniform_int_distribution<int> pick(0,
                                            letters); // `letters` itself stands for NUL or a surrogate pair
    QString text;
    for (int n = length(rng); n > 0; --n) {
        const int i = pick(rng);
        if (i < letters)
            text += QChar(alphabet[i]);
        else if (rng() % 2)
            text += QChar(u'\0');
        else
            text += QString::fromUtf16(u"\U0001F3A5");
    }
    return text;
}

TEST(GraphConfigCommaText, SplitUndoesJoinForAwkwardItems) {
    std::mt19937 rng(20260101);
    for (int round = 0; round < 2000; ++round) {
        QStringList items;
        for (int n = static_cast<int>(rng() % 6); n > 0; --n)
            items.append(AwkwardText(rng, 12));
        if (items == QStringList{QString()})
            continue; // one empty item and no item are the same text
        EXPECT_EQ(SplitCommaText(JoinCommaText(items)), items) << JoinCommaText(items).toStdString();
    }
}

TEST(GraphConfigCommaText, AwkwardNamesSurviveAConfigurationRoundTrip) {
    std::mt19937 rng(7);
    for (int round = 0; round < 1000; ++round) {
        TGraphConfig c;
        c.VCapSource = AwkwardText(rng, 20);
        c.ACapSource = AwkwardText(rng, 20);
        c.VComp = AwkwardText(rng, 20);
        c.AComp = AwkwardText(rng, 20);
        c.CaptureFileName = QStringLiteral("c") + AwkwardText(rng, 20); // empty names read as the defaults
        c.TempCaptureFileName = QStringLiteral("t") + AwkwardText(rng, 20);
        c.WantBitmaps = rng() % 2;
        c.WantAudio = rng() % 2;
        c.UseTempFile = rng() % 2;
        c.PreallocFileSize = static_cast<std::uint32_t>(rng());
        c.VCapMode.Width = static_cast<std::int32_t>(rng());
        c.ACapMode.AvgSampleRate = static_cast<std::int32_t>(rng());
        for (auto& b : c.VCapMode.MediaSubType.D4)
            b = static_cast<std::uint8_t>(rng());
        c.ACapMode.MediaSubType.D1 = static_cast<std::uint32_t>(rng());
        for (int n = static_cast<int>(rng() % 8); n > 0; --n)
            c.VCompState.append(static_cast<char>(rng()));

        TGraphConfig back;
        back.RestoreGraph(c.SaveGraph());
        ASSERT_EQ(back, c) << c.SaveGraph().toStdString();
    }
}

TEST(GraphConfigCommaText, GarbageTextRestoresInRangeValues) {
    std::mt19937 rng(99);
    const QStringList names{"DVResolution", "PixelFormat", "VCapSource",
                            "VCompState",   "WantAudio",   "VCapModeMediaSubType"};
    for (int round = 0; round < 2000; ++round) {
        QString text = AwkwardText(rng, 40);
        text.insert(static_cast<qsizetype>(rng() % (text.size() + 1)), names[rng() % names.size()] + u'=');
        TGraphConfig c;
        c.RestoreGraph(text);
        EXPECT_LE(static_cast<int>(c.DVResolution), 4) << text.toStdString();
        EXPECT_LE(static_cast<int>(c.PixelFormat), 8) << text.toStdString();
        EXPECT_FALSE(c.CaptureFileName.isEmpty());
        EXPECT_FALSE(c.TempCaptureFileName.isEmpty());
    }
}

} // namespace
} // namespace quelm
