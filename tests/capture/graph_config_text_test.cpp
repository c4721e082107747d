// The comma-separated list notation, and round trips of configurations holding awkward names.
#include "capture/graph_config.h"
#include "graph_config_awkward.h"

#include <gtest/gtest.h>

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

TEST(GraphConfigCommaText, SplitUndoesJoinForAwkwardItems) {
    std::mt19937 rng(20260101);
    for (int round = 0; round < 2000; ++round) {
        QStringList items;
        for (int n = static_cast<int>(rng() % 6); n > 0; --n)
            items.append(test::AwkwardText(rng, 12));
        if (items == QStringList{QString()})
            continue; // one empty item and no item are the same text
        EXPECT_EQ(SplitCommaText(JoinCommaText(items)), items) << JoinCommaText(items).toStdString();
    }
}

TEST(GraphConfigCommaText, AwkwardNamesSurviveAConfigurationRoundTrip) {
    std::mt19937 rng(7);
    for (int round = 0; round < 1000; ++round) {
        const TGraphConfig c = test::RandomConfig(rng);
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
        QString text = test::AwkwardText(rng, 40);
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
