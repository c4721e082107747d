#pragma once
// Random texts for round-trip tests of the configuration's text form.
#include "capture/graph_config.h"
#include <QString>
#include <iterator>
#include <random>

namespace quelm::test {

// Text from characters that the notation treats specially, plus letters beyond Latin-1.
inline QString AwkwardText(std::mt19937& rng, int maxLength) {
    static const char16_t alphabet[] = u" \t\r\n\x01\x1F\",=()[];#aZ9\u00A0\u00E9\u00FF\u0100\u4E2D\uFEFF\\";
    constexpr int letters = static_cast<int>(std::size(alphabet)) - 1;
    std::uniform_int_distribution<int> length(0, maxLength);
    std::uniform_int_distribution<int> pick(0, letters); // `letters` stands for NUL or a surrogate pair
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

// A configuration with random values everywhere and awkward names.
inline TGraphConfig RandomConfig(std::mt19937& rng) {
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
    return c;
}

} // namespace quelm::test
