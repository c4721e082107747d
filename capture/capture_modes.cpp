// Video and audio capture modes: read from a device's caps, compared, named and applied.
#include "capture/capture_graph.h"
#include "capture/video_capture.h"

#include <gst/audio/audio.h>
#include <gst/video/video.h>

#include <cstring>
#include <limits>

namespace quelm {

const std::array<TSubTypeName, 12> SubTypeNames = {{{&MEDIASUBTYPE_YVU9, "(YVU9)"},
                                                    {&MEDIASUBTYPE_Y411, "(Y411)"},
                                                    {&MEDIASUBTYPE_Y41P, "(Y41P)"},
                                                    {&MEDIASUBTYPE_YUY2, "(YUY2)"},
                                                    {&MEDIASUBTYPE_YVYU, "(YVYU)"},
                                                    {&MEDIASUBTYPE_UYVY, "(UYVY)"},
                                                    {&MEDIASUBTYPE_Y211, "(Y211)"},
                                                    {&MEDIASUBTYPE_RGB24, "(RGB24)"},
                                                    {&MEDIASUBTYPE_RGB32, "(RGB32)"},
                                                    {&MEDIASUBTYPE_RGB565, "(RGB565)"},
                                                    {&MEDIASUBTYPE_RGB555, "(RGB555)"},
                                                    {&MEDIASUBTYPE_ARGB32, "(ARGB32)"}}};

const std::array<TVCapMode, 4> DVModeSizes = {
    {{{}, {}, 720, 576, 24}, {{}, {}, 360, 288, 24}, {{}, {}, 180, 144, 24}, {{}, {}, 88, 72, 24}}};

QString VCapModeToString(const TVCapMode& mode) {
    QString text = QString::asprintf("%dx%dx%db", mode.Width, mode.Height, mode.BitCount);
    for (const auto& entry : SubTypeNames) {
        if (*entry.SubType == mode.MediaSubType) {
            text += QLatin1Char(' ') + QLatin1String(entry.Name);
            break;
        }
    }
    return text;
}

QString ACapModeToString(const TACapMode& mode) {
    if (mode.MediaSubType == MEDIASUBTYPE_PCM)
        return QString::asprintf("%dHzx%dbx%d", mode.SampleRate, mode.SampleSize, mode.Channels);
    const auto kbits = static_cast<std::int32_t>(static_cast<std::int64_t>(mode.AvgSampleRate) * 8 / 1000);
    return QString::asprintf("%dkBits/s, %dHz, %d", kbits, mode.SampleRate, mode.Channels);
}

bool SameVCapMode(const TVCapMode& a, const TVCapMode& b) {
    return a.Width == b.Width && a.Height == b.Height && a.BitCount == b.BitCount;
}

bool SameACapMode(const TACapMode& a, const TACapMode& b) {
    if (a.MediaSubType != b.MediaSubType || a.Channels != b.Channels)
        return false;
    if (a.MediaSubType == MEDIASUBTYPE_PCM)
        return a.SampleRate == b.SampleRate && a.SampleSize == b.SampleSize;
    return a.AvgSampleRate == b.AvgSampleRate && a.SampleRate == b.SampleRate;
}

namespace {

TGuid VideoSubType(const char* format) {
    const GstVideoFormat f = gst_video_format_from_string(format);
    switch (f) {
    case GST_VIDEO_FORMAT_BGR:
        return MEDIASUBTYPE_RGB24;
    case GST_VIDEO_FORMAT_BGRx:
        return MEDIASUBTYPE_RGB32;
    case GST_VIDEO_FORMAT_BGRA:
        return MEDIASUBTYPE_ARGB32;
    case GST_VIDEO_FORMAT_RGB16:
        return MEDIASUBTYPE_RGB565;
    case GST_VIDEO_FORMAT_RGB15:
        return MEDIASUBTYPE_RGB555;
    default:
        break;
    }
    const guint32 fourcc = gst_video_format_to_fourcc(f);
    if (fourcc == 0)
        return {};
    return TGuid{fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

int VideoBits(const char* format) {
    const GstVideoFormatInfo* info = gst_video_format_get_info(gst_video_format_from_string(format));
    if (!info || GST_VIDEO_FORMAT_INFO_FORMAT(info) == GST_VIDEO_FORMAT_UNKNOWN)
        return 0;
    if (GST_VIDEO_FORMAT_INFO_IS_RGB(info) && GST_VIDEO_FORMAT_INFO_N_PLANES(info) == 1)
        return GST_VIDEO_FORMAT_INFO_PSTRIDE(info, 0) * 8;
    int bits4 = 0; // in quarters of a bit per pixel
    for (guint c = 0; c < GST_VIDEO_FORMAT_INFO_N_COMPONENTS(info); ++c)
        bits4 += GST_VIDEO_FORMAT_INFO_DEPTH(info, c) * 4 >>
                 (GST_VIDEO_FORMAT_INFO_W_SUB(info, c) + GST_VIDEO_FORMAT_INFO_H_SUB(info, c));
    return bits4 / 4;
}

double FractionValue(const GValue* v) {
    const int d = gst_value_get_fraction_denominator(v);
    return d == 0 ? 0.0 : static_cast<double>(gst_value_get_fraction_numerator(v)) / d;
}

// Frame rate of the format, lowest and highest allowed.
void FrameRates(const GstStructure* s, TVCapMode& mode) {
    const GValue* v = gst_structure_get_value(s, "framerate");
    if (!v)
        return;
    if (GST_VALUE_HOLDS_FRACTION(v)) {
        mode.FrameRate = mode.MinFrameRate = mode.MaxFrameRate = FractionValue(v);
    } else if (GST_VALUE_HOLDS_FRACTION_RANGE(v)) {
        mode.MinFrameRate = FractionValue(gst_value_get_fraction_range_min(v));
        mode.MaxFrameRate = FractionValue(gst_value_get_fraction_range_max(v));
        mode.FrameRate = mode.MaxFrameRate;
    } else if (GST_VALUE_HOLDS_LIST(v)) {
        double lo = std::numeric_limits<double>::max(), hi = 0;
        for (guint i = 0; i < gst_value_list_get_size(v); ++i) {
            const GValue* item = gst_value_list_get_value(v, i);
            if (!GST_VALUE_HOLDS_FRACTION(item))
                continue;
            const double r = FractionValue(item);
            lo = std::min(lo, r);
            hi = std::max(hi, r);
        }
        if (hi > 0) {
            mode.MinFrameRate = lo;
            mode.MaxFrameRate = hi;
            mode.FrameRate = hi;
        }
    }
    if (mode.FrameRate < 0)
        mode.FrameRate = 0;
}

TVCapMode ModeOfStructure(const GstStructure* s) {
    TVCapMode mode;
    const char* name = gst_structure_get_name(s);
    int w = 0, h = 0;
    gst_structure_get_int(s, "width", &w);
    gst_structure_get_int(s, "height", &h);
    mode.Width = std::abs(w);
    mode.Height = std::abs(h);
    if (std::strcmp(name, "video/x-raw") == 0) {
        mode.MediaType = MEDIATYPE_Video;
        if (const char* format = gst_structure_get_string(s, "format")) {
            mode.MediaSubType = VideoSubType(format);
            mode.BitCount = VideoBits(format);
        }
    } else if (std::strcmp(name, "image/jpeg") == 0) {
        mode.MediaType = MEDIATYPE_Video;
        mode.MediaSubType = MEDIASUBTYPE_MJPG;
        mode.BitCount = 24;
    } else if (std::strcmp(name, "video/x-dv") == 0) {
        gboolean system = FALSE;
        gst_structure_get_boolean(s, "systemstream", &system);
        mode.MediaType = system ? MEDIATYPE_Interleaved : MEDIATYPE_Video;
        mode.MediaSubType = MEDIASUBTYPE_dvsd;
        mode.BitCount = 24;
    } else {
        return {};
    }
    FrameRates(s, mode);
    return mode;
}

// The structure with every field of a capability fixed the way a device's default would be: the size
// nearest 640 x 480 in a range, the highest frame rate.
GstCaps* FixCapability(GstStructure* s) {
    if (gst_structure_has_field(s, "width"))
        gst_structure_fixate_field_nearest_int(s, "width", 640);
    if (gst_structure_has_field(s, "height"))
        gst_structure_fixate_field_nearest_int(s, "height", 480);
    GstCaps* caps = gst_caps_new_empty();
    gst_caps_append_structure(caps, s);
    return caps;
}

template <typename Fn>
void ForEachFormat(GstCaps* caps, Fn fn) {
    if (!caps || gst_caps_is_any(caps) || gst_caps_is_empty(caps))
        return;
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure* s = gst_caps_get_structure(caps, i);
        const GValue* format = gst_structure_get_value(s, "format");
        if (format && GST_VALUE_HOLDS_LIST(format)) {
            for (guint j = 0; j < gst_value_list_get_size(format); ++j) {
                GstStructure* copy = gst_structure_copy(s);
                gst_structure_set_value(copy, "format", gst_value_list_get_value(format, j));
                fn(copy);
            }
        } else {
            fn(gst_structure_copy(s));
        }
    }
}

} // namespace

std::vector<TVideoCapability> VideoCapabilities(GstCaps* caps) {
    std::vector<TVideoCapability> result;
    ForEachFormat(caps, [&](GstStructure* s) {
        GstCaps* fixed = FixCapability(s);
        TVCapMode mode = ModeOfStructure(gst_caps_get_structure(fixed, 0));
        // The capability applies the frame rate nearest 30 per second it allows; that is the mode's rate.
        GstStructure* fs = gst_caps_get_structure(fixed, 0);
        int num = 0, den = 1;
        if (gst_structure_has_field(fs, "framerate") &&
            gst_structure_fixate_field_nearest_fraction(fs, "framerate", 30, 1) &&
            gst_structure_get_fraction(fs, "framerate", &num, &den) && den != 0)
            mode.FrameRate = static_cast<double>(num) / den;
        result.push_back({gst::Caps::Adopt(fixed), mode});
    });
    return result;
}

std::vector<TAudioCapability> AudioCapabilities(GstCaps* caps) {
    std::vector<TAudioCapability> result;
    ForEachFormat(caps, [&](GstStructure* s) {
        if (gst_structure_has_field(s, "rate"))
            gst_structure_fixate_field_nearest_int(s, "rate", 44100);
        if (gst_structure_has_field(s, "channels"))
            gst_structure_fixate_field_nearest_int(s, "channels", 2);
        GstCaps* fixed = gst_caps_new_empty();
        gst_caps_append_structure(fixed, s);
        result.push_back({gst::Caps::Adopt(fixed), AudioModeFromCaps(fixed)});
    });
    return result;
}

TVCapMode VideoModeFromCaps(GstCaps* caps) {
    if (!caps || gst_caps_is_any(caps) || gst_caps_is_empty(caps))
        return {};
    return ModeOfStructure(gst_caps_get_structure(caps, 0));
}

TACapMode AudioModeFromCaps(GstCaps* caps) {
    if (!caps || gst_caps_is_any(caps) || gst_caps_is_empty(caps))
        return {};
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    if (std::strcmp(gst_structure_get_name(s), "audio/x-raw") != 0)
        return {};
    const char* format = gst_structure_get_string(s, "format");
    const GstAudioFormatInfo* info =
        format ? gst_audio_format_get_info(gst_audio_format_from_string(format)) : nullptr;
    if (!info || info->format == GST_AUDIO_FORMAT_UNKNOWN)
        return {};
    TACapMode mode;
    mode.MediaType = MEDIATYPE_Audio;
    mode.MediaSubType = GST_AUDIO_FORMAT_INFO_IS_FLOAT(info) ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM;
    gst_structure_get_int(s, "rate", &mode.SampleRate);
    gst_structure_get_int(s, "channels", &mode.Channels);
    mode.SampleSize = GST_AUDIO_FORMAT_INFO_WIDTH(info);
    mode.AvgSampleRate = mode.SampleRate * mode.Channels * (mode.SampleSize / 8);
    return mode;
}

bool IsDVCaps(GstCaps* caps) {
    if (!caps || gst_caps_is_any(caps) || gst_caps_is_empty(caps))
        return false;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    gboolean system = FALSE;
    return gst_structure_has_name(s, "video/x-dv") && gst_structure_get_boolean(s, "systemstream", &system) &&
           system;
}

// --- the component's mode operations

bool TVideoCapture::IsDVSource() const {
    return FGraph && FGraph->HasVStreamConf && IsDVCaps(FGraph->VFormat.get());
}

std::int32_t TVideoCapture::VCapModeCount() const {
    if (IsDVSource())
        return 4;
    if (!FGraph || !FGraph->HasVStreamConf)
        return 0;
    return static_cast<std::int32_t>(FGraph->VCaps.size());
}

std::int32_t TVideoCapture::ACapModeCount() const {
    if (!FGraph || !FGraph->HasAStreamConf)
        return 0;
    return static_cast<std::int32_t>(FGraph->ACaps.size());
}

TVCapMode TVideoCapture::VCapMode() const {
    if (IsDVSource()) {
        TVCapMode mode;
        if (FGraph->DVDec && FGraph->DVDisplay >= 1000 && FGraph->DVDisplay <= 1003) {
            const auto& size = DVModeSizes[static_cast<std::size_t>(FGraph->DVDisplay - 1000)];
            mode.Width = size.Width;
            mode.Height = size.Height;
            mode.BitCount = size.BitCount;
        }
        return mode;
    }
    if (!FGraph || !FGraph->HasVStreamConf)
        return {};
    TVCapMode mode = VideoModeFromCaps(FGraph->VFormat.get());
    mode.FrameRate = mode.MinFrameRate = mode.MaxFrameRate = 0; // the current format carries no rates
    return mode;
}

TACapMode TVideoCapture::ACapMode() const {
    if (!FGraph || !FGraph->HasAStreamConf)
        return {};
    return AudioModeFromCaps(FGraph->AFormat.get());
}

TVCapMode TVideoCapture::GetVCapModeByIndex(std::int32_t Index) const {
    if (IsDVSource())
        return Index >= 0 && Index < 4 ? DVModeSizes[static_cast<std::size_t>(Index)] : TVCapMode{};
    if (Index < 0 || Index >= VCapModeCount())
        return {};
    return FGraph->VCaps[static_cast<std::size_t>(Index)].Mode;
}

TACapMode TVideoCapture::GetACapModeByIndex(std::int32_t Index) const {
    if (Index < 0 || Index >= ACapModeCount())
        return {};
    return FGraph->ACaps[static_cast<std::size_t>(Index)].Mode;
}

std::int32_t TVideoCapture::VCapModeIdx() const {
    const TVCapMode current = VCapMode();
    for (std::int32_t i = 0; i < VCapModeCount(); ++i)
        if (SameVCapMode(GetVCapModeByIndex(i), current))
            return i;
    return -1;
}

std::int32_t TVideoCapture::ACapModeIdx() const {
    const TACapMode current = ACapMode();
    for (std::int32_t i = 0; i < ACapModeCount(); ++i)
        if (SameACapMode(GetACapModeByIndex(i), current))
            return i;
    return -1;
}

bool TVideoCapture::SetVCapMode(std::int32_t Index) {
    if (FCapturing)
        return false;
    TearDownGraph();
    if (IsDVSource()) {
        if (Index >= 0 && Index < 4)
            FDVResolution = static_cast<TDVResolution>(Index + 1);
        return false;
    }
    if (Index < 0 || Index >= VCapModeCount())
        return false;
    FGraph->VFormat = FGraph->VCaps[static_cast<std::size_t>(Index)].Caps;
    if (OnChangeVCapMode)
        OnChangeVCapMode(this);
    return true;
}

bool TVideoCapture::SetVCapMode(const TVCapMode& Mode) {
    if (SameVCapMode(VCapMode(), Mode))
        return true;
    for (std::int32_t i = 0; i < VCapModeCount(); ++i)
        if (SameVCapMode(GetVCapModeByIndex(i), Mode))
            return SetVCapMode(i);
    return false;
}

bool TVideoCapture::SetACapMode(std::int32_t Index) {
    if (FCapturing)
        return false;
    const bool wasPreviewing = FPreviewing;
    bool result = false;
    if (Index >= 0 && Index < ACapModeCount()) {
        StopPreview();
        FGraph->AFormat = FGraph->ACaps[static_cast<std::size_t>(Index)].Caps;
        if (FGraph->AFormatFilter)
            g_object_set(FGraph->AFormatFilter.get(), "caps", FGraph->AFormat.get(), nullptr);
        result = true;
    }
    if (wasPreviewing)
        StartPreview();
    if (result && OnChangeACapMode)
        OnChangeACapMode(this);
    return result;
}

bool TVideoCapture::SetACapMode(const TACapMode& Mode) {
    if (SameACapMode(ACapMode(), Mode))
        return true;
    for (std::int32_t i = 0; i < ACapModeCount(); ++i)
        if (SameACapMode(GetACapModeByIndex(i), Mode))
            return SetACapMode(i);
    return false;
}

void TVideoCapture::SetDVResolution(TDVResolution value) {
    if (FCapturing)
        return;
    FDVResolution = value;
    if (FGraph && IsDVSource() && value != TDVResolution::dvrDontWorry) {
        TearDownGraph();
        if (FGraph->DVDec)
            FGraph->DVDisplay = 999 + static_cast<int>(value);
    }
}

} // namespace quelm
