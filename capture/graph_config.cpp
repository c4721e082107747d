#include "capture/graph_config.h"

#include <QHash>
#include <limits>
#include <optional>

namespace quelm {

namespace {

constexpr QChar kQuote = u'"';
constexpr QChar kComma = u',';

// Blanks and control characters separate items. NUL counts as one too, so that it is quoted when
// written and can never end an item unseen.
bool IsSeparator(QChar c) {
    return c.unicode() <= 32;
}

bool NeedsQuotes(const QString& item) {
    for (QChar c : item)
        if (IsSeparator(c) || c == kQuote || c == kComma)
            return true;
    return false;
}

// A decimal number with an optional sign, nothing else; empty when not one or outside [low, high].
std::optional<std::int64_t> ParseInteger(const QString& text, std::int64_t low, std::int64_t high) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < u'0' || u > u'9')
            return std::nullopt;
        value = value * 10 + (u - u'0');
        if (value > high + 1 && value > -low) // far beyond either bound: stop before overflowing
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

std::int32_t ReadInt(const QString& text, std::int32_t defaultValue) {
    const auto value = ParseInteger(text, std::numeric_limits<std::int32_t>::min(),
                                    std::numeric_limits<std::int32_t>::max());
    return value ? static_cast<std::int32_t>(*value) : defaultValue;
}

// Name=Value items looked up by name without regard to case; the first item of a name counts.
class ItemValues {
public:
    explicit ItemValues(const QString& text) {
        for (const QString& item : SplitCommaText(text)) {
            const qsizetype eq = item.indexOf(u'=');
            if (eq < 0)
                continue;
            const QString key = item.left(eq).toCaseFolded();
            if (!values_.contains(key))
                values_.insert(key, item.mid(eq + 1));
        }
    }

    QString Value(const QString& name) const { return values_.value(name.toCaseFolded()); }
    std::int32_t Int(const QString& name, std::int32_t defaultValue) const {
        return ReadInt(Value(name), defaultValue);
    }
    // Missing or unreadable counts as 1; true when above zero.
    bool Bool(const QString& name) const { return Int(name, 1) > 0; }

private:
    QHash<QString, QString> values_;
};

QString DecimalItem(const QString& name, std::int64_t value) {
    return name + u'=' + QString::number(value);
}

} // namespace

QString JoinCommaText(const QStringList& items) {
    QString text;
    for (qsizetype n = 0; n < items.size(); ++n) {
        if (n > 0)
            text += kComma;
        const QString& item = items[n];
        if (NeedsQuotes(item)) {
            text += kQuote;
            for (QChar c : item) {
                if (c == kQuote)
                    text += kQuote;
                text += c;
            }
            text += kQuote;
        } else {
            text += item;
        }
    }
    return text;
}

QStringList SplitCommaText(const QString& text) {
    QStringList items;
    const qsizetype size = text.size();
    qsizetype p = 0;
    while (p < size && IsSeparator(text[p]))
        ++p;
    while (p < size) {
        QString item;
        if (text[p] == kQuote) {
            ++p;
            while (p < size) {
                if (text[p] == kQuote) {
                    if (p + 1 < size && text[p + 1] == kQuote) {
                        item += kQuote;
                        p += 2;
                        continue;
                    }
                    ++p; // the closing quote
                    break;
                }
                item += text[p++];
            }
        } else {
            const qsizetype start = p;
            while (p < size && !IsSeparator(text[p]) && text[p] != kComma)
                ++p;
            item = text.mid(start, p - start);
        }
        items.append(item);
        while (p < size && IsSeparator(text[p]))
            ++p;
        if (p < size && text[p] == kComma) {
            if (p + 1 == size)
                items.append(QString());
            ++p;
            while (p < size && IsSeparator(text[p]))
                ++p;
        }
    }
    return items;
}

void TGraphConfig::Clear() {
    VCapSource.clear();
    ACapSource.clear();
    VComp.clear();
    AComp.clear();
    ACapMode = TACapMode{};
    VCapMode = TVCapMode{};
    WantCapture = false;
    WantPreview = false;
    WantBitmaps = false;
    WantAudio = false;
    WantDVAudio = false;
    WantAudioPreview = true;
    PixelFormat = TPixelFormat::pf24bit;
    DVResolution = TDVResolution::dvrFull;
    CaptureFileName = QStringLiteral("capture.avi");
    UseTempFile = false;
    TempCaptureFileName = QStringLiteral("captemp.avi");
    DoPreallocFile = false;
    PreallocFileSize = 0;
}

QString TGraphConfig::SaveGraph() const {
    QStringList items;
    const auto falseItem = [&items](bool value, const char* name) {
        if (!value)
            items.append(QLatin1String(name) + QStringLiteral("=0"));
    };
    falseItem(WantBitmaps, "WantBitmaps");
    falseItem(WantCapture, "WantCapture");
    falseItem(WantPreview, "WantPreview");
    falseItem(WantDVAudio, "WantDVAudio");
    falseItem(WantAudio, "WantAudio");
    falseItem(WantAudioPreview, "WantAudioPreview");
    falseItem(DoPreallocFile, "DoPreallocFile");
    falseItem(UseTempFile, "UseTempFile");
    items.append(DecimalItem(QStringLiteral("PreallocFileSize"), PreallocFileSize));
    items.append(QStringLiteral("TempCaptureFileName=") + TempCaptureFileName);
    items.append(QStringLiteral("CaptureFileName=") + CaptureFileName);
    items.append(DecimalItem(QStringLiteral("DVResolution"), static_cast<int>(DVResolution)));
    items.append(DecimalItem(QStringLiteral("PixelFormat"), static_cast<int>(PixelFormat)));
    items.append(QStringLiteral("VCapSource=") + VCapSource);
    items.append(QStringLiteral("ACapSource=") + ACapSource);
    items.append(QStringLiteral("AComp=") + AComp);
    items.append(QStringLiteral("VComp=") + VComp);
    items.append(QStringLiteral("ACapModeMediaSubType=") + GuidToHex(ACapMode.MediaSubType));
    items.append(DecimalItem(QStringLiteral("ACapModeSampleRate"), ACapMode.SampleRate));
    items.append(DecimalItem(QStringLiteral("ACapModeAvgSampleRate"), ACapMode.AvgSampleRate));
    items.append(DecimalItem(QStringLiteral("ACapModeSampleSize"), ACapMode.SampleSize));
    items.append(DecimalItem(QStringLiteral("ACapModeChannels"), ACapMode.Channels));
    items.append(QStringLiteral("VCapModeMediaSubType=") + GuidToHex(VCapMode.MediaSubType));
    items.append(DecimalItem(QStringLiteral("VCapModeWidth"), VCapMode.Width));
    items.append(DecimalItem(QStringLiteral("VCapModeHeight"), VCapMode.Height));
    items.append(DecimalItem(QStringLiteral("VCapModeBits"), VCapMode.BitCount));
    items.append(QStringLiteral("VCompState=") + BytesToHex(VCompState));
    return JoinCommaText(items);
}

void TGraphConfig::RestoreGraph(const QString& text) {
    Clear();
    const ItemValues v(text);

    WantBitmaps = v.Bool(QStringLiteral("WantBitmaps"));
    WantCapture = v.Bool(QStringLiteral("WantCapture"));
    WantPreview = v.Bool(QStringLiteral("WantPreview"));
    WantAudio = v.Bool(QStringLiteral("WantAudio"));
    WantAudioPreview = v.Bool(QStringLiteral("WantAudioPreview"));
    WantDVAudio = v.Bool(QStringLiteral("WantDVAudio"));
    DoPreallocFile = v.Bool(QStringLiteral("DoPreallocFile"));
    UseTempFile = v.Bool(QStringLiteral("UseTempFile"));

    // The size is written as an unsigned number, so every value it can take reads back; a negative
    // size is no size and reads as the default.
    const auto size = ParseInteger(v.Value(QStringLiteral("PreallocFileSize")), 0,
                                   std::numeric_limits<std::uint32_t>::max());
    PreallocFileSize = size ? static_cast<std::uint32_t>(*size) : 0;

    const QString temp = v.Value(QStringLiteral("TempCaptureFileName"));
    TempCaptureFileName = temp.isEmpty() ? QStringLiteral("captemp.avi") : temp;
    const QString capture = v.Value(QStringLiteral("CaptureFileName"));
    CaptureFileName = capture.isEmpty() ? QStringLiteral("capture.avi") : capture;

    const int dv = v.Int(QStringLiteral("DVResolution"), 1) & 0xFF;
    DVResolution = dv > 4 ? TDVResolution::dvrFull : static_cast<TDVResolution>(dv);
    const int pf = v.Int(QStringLiteral("PixelFormat"), 6) & 0xFF;
    PixelFormat = pf > 8 ? TPixelFormat::pf24bit : static_cast<TPixelFormat>(pf);

    VCapSource = v.Value(QStringLiteral("VCapSource"));
    ACapSource = v.Value(QStringLiteral("ACapSource"));
    AComp = v.Value(QStringLiteral("AComp"));
    VComp = v.Value(QStringLiteral("VComp"));

    ACapMode.MediaSubType = HexToGuid(v.Value(QStringLiteral("ACapModeMediaSubType")));
    ACapMode.SampleRate = v.Int(QStringLiteral("ACapModeSampleRate"), 0);
    ACapMode.AvgSampleRate = v.Int(QStringLiteral("ACapModeAvgSampleRate"), 0);
    ACapMode.SampleSize = v.Int(QStringLiteral("ACapModeSampleSize"), 0);
    ACapMode.Channels = v.Int(QStringLiteral("ACapModeChannels"), 0);
    VCapMode.MediaSubType = HexToGuid(v.Value(QStringLiteral("VCapModeMediaSubType")));
    VCapMode.Width = v.Int(QStringLiteral("VCapModeWidth"), 0);
    VCapMode.Height = v.Int(QStringLiteral("VCapModeHeight"), 0);
    VCapMode.BitCount = v.Int(QStringLiteral("VCapModeBits"), 0);

    VCompState = HexToBytes(v.Value(QStringLiteral("VCompState")));
}

QString GraphConfigSection(int camera) {
    return QStringLiteral("cam") + QString::number(camera);
}

} // namespace quelm
