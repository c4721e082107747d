#pragma once
// A camera's saved capture setup: devices, modes, branches and files, with its one-line text form as
// stored in the settings file, and the mode and format types it carries.
#include "capture/guid.h"
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace quelm {

class IniFile;

// Decoding size of a DV source.
enum class TDVResolution : std::uint8_t {
    dvrDontWorry = 0,
    dvrFull = 1,
    dvrHalf = 2,
    dvrQuater = 3,
    dvrDC = 4
};

// Pixel format of grabbed frames.
enum class TPixelFormat : std::uint8_t {
    pfDevice = 0,
    pf1bit = 1,
    pf4bit = 2,
    pf8bit = 3,
    pf15bit = 4,
    pf16bit = 5,
    pf24bit = 6,
    pf32bit = 7,
    pfCustom = 8
};

// A video capture mode; all fields zero means "none".
struct TVCapMode {
    TGuid MediaType;
    TGuid MediaSubType;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t BitCount = 0;
    double FrameRate = 0;
    double MinFrameRate = 0;
    double MaxFrameRate = 0;

    bool operator==(const TVCapMode&) const = default; // every field; not the component's mode equality
};

// An audio capture mode; all fields zero means "none".
struct TACapMode {
    TGuid MediaType;
    TGuid MediaSubType;
    std::int32_t SampleRate = 0; // samples per second
    std::int32_t SampleSize = 0; // bits per sample
    std::int32_t Channels = 0;
    std::int32_t AvgSampleRate = 0; // average bytes per second

    bool operator==(const TACapMode&) const = default; // every field; not the component's mode equality
};

// The comma-separated one-line list notation of the settings file. Joining quotes an item holding a
// blank, a control character, a comma or a double quote, doubling the quotes inside. Splitting skips
// blanks and control characters around items, reads a quoted item to its closing quote (or the end),
// an unquoted one up to the next comma, blank or control character, and a final comma adds an empty item.
QString JoinCommaText(const QStringList& items);
QStringList SplitCommaText(const QString& text);

class TGraphConfig {
public:
    TGraphConfig() { Clear(); }

    // The defaults; VCompState stays as it was.
    void Clear();

    // The one-line text form: the Boolean items only where false, then every other value.
    QString SaveGraph() const;
    // Clear, then take the values of the text; missing or unreadable values read as the defaults.
    void RestoreGraph(const QString& text);

    bool operator==(const TGraphConfig&) const = default;

    QString VCapSource; // list names of the devices and compressors
    QString ACapSource;
    QString VComp;
    QString AComp;
    TACapMode ACapMode;
    TVCapMode VCapMode;
    QByteArray VCompState; // opaque state block of an old-style video compressor
    bool WantCapture = false;
    bool WantPreview = false;
    bool WantBitmaps = false;
    bool WantAudio = false;
    bool WantDVAudio = false;
    bool WantAudioPreview = true;
    TPixelFormat PixelFormat = TPixelFormat::pf24bit;
    TDVResolution DVResolution = TDVResolution::dvrFull;
    QString CaptureFileName;
    bool UseTempFile = false;
    QString TempCaptureFileName;
    bool DoPreallocFile = false;
    std::uint32_t PreallocFileSize = 0; // megabytes
};

// The settings-file section of camera N: "cam" followed by the number.
QString GraphConfigSection(int camera);

// Reads the value "config" of the camera's section into config (RestoreGraph of the stored text, an
// empty text when missing). A text as long as the reader's limit loses its last item, which the cut may
// have shortened. Returns whether a non-empty text was stored.
bool ReadGraphConfig(const IniFile& ini, int camera, TGraphConfig& config);

// Writes config's text form as the value "config" of the camera's section; line breaks and NULs in names,
// which a one-line value cannot hold, are written as blanks. Throws IniError when the file cannot be
// written.
void WriteGraphConfig(IniFile& ini, int camera, const TGraphConfig& config);

} // namespace quelm
