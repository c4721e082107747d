// Feeds arbitrary text to the control-zone list reader, as a hand-edited settings file may hold it.
// The first byte picks q; the rest is the list. A list that reads must write back to the same text's
// values: formatting the block and reading it again gives the same block.
#include "detector/control_zone_list.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const int q = 1 + data[0] % quelm::MaxZones;
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    quelm::ControlZoneGrid zone{};
    try {
        quelm::ParseControlZoneList(text, q, zone);
    } catch (const quelm::ControlZoneError& e) {
        if (e.index() < 1 || e.index() > q * q)
            std::abort();
        return 0;
    }
    for (int i = q; i < quelm::MaxZones; ++i) // entries outside the block are never written
        for (int j = 0; j < quelm::MaxZones; ++j)
            if (zone[i][j] != 0 || zone[j][i] != 0)
                std::abort();
    quelm::ControlZoneGrid back{};
    quelm::ParseControlZoneList(quelm::FormatControlZoneList(zone, q), q, back);
    if (back != zone)
        std::abort();
    return 0;
}
