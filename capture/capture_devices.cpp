#include "capture/capture_devices.h"
#include "capture/gst_handle.h"
#include "capture/virtual_devices.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace quelm {

TCapDeviceList VCapDeviceList;
TCapDeviceList ACapDeviceList;
TCapDeviceList VCompDeviceList;
TCapDeviceList ACompDeviceList;

TMoniker::TMoniker(GstObject* object)
    : object_(object ? GST_OBJECT(gst_object_ref(object)) : nullptr) {}
TMoniker::TMoniker(const TMoniker& other)
    : TMoniker(other.object_) {}
TMoniker::TMoniker(TMoniker&& other) noexcept
    : object_(std::exchange(other.object_, nullptr)) {}
TMoniker& TMoniker::operator=(TMoniker other) noexcept {
    std::swap(object_, other.object_);
    return *this;
}
TMoniker::~TMoniker() {
    if (object_)
        gst_object_unref(object_);
}

TCapDeviceList& DeviceList(TDeviceCategory category) {
    switch (category) {
    case TDeviceCategory::VideoInput:
        return VCapDeviceList;
    case TDeviceCategory::AudioInput:
        return ACapDeviceList;
    case TDeviceCategory::VideoCompressor:
        return VCompDeviceList;
    case TDeviceCategory::AudioCompressor:
        break;
    }
    return ACompDeviceList;
}

bool AddDeviceEntry(TCapDeviceList& list, const QString& friendlyName, const TMoniker& moniker) {
    int begin = 0;
    int end = friendlyName.size();
    while (begin < end && friendlyName.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && friendlyName.at(end - 1).unicode() <= 32)
        --end;
    QString name = friendlyName.mid(begin, end - begin);
    if (name.isEmpty())
        return false;
    const auto n = 1 + std::count_if(list.begin(), list.end(),
                                     [&](const TCapDeviceInfo& e) { return e.DeviceName == name; });
    if (n > 1)
        name += QString(" (%1)").arg(n);
    list.push_back({friendlyName, name, moniker});
    return true;
}

namespace {

// Encoders whose caps the AVI multiplexer takes but which fail when they run (fixed frame sizes, missing
// hardware, streams the multiplexer cannot finish).
constexpr std::array<const char*, 7> BrokenEncoders = {
    "avenc_h264_omx", "avenc_mpeg4_omx", "avenc_mpeg1video", "avenc_mpeg2video",
    "avenc_dvvideo",  "avenc_h263",      "openh264enc"};

void EnumerateSources(const char* deviceClass, TCapDeviceList& list) {
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, deviceClass, nullptr);
    GList* devices = gst_device_monitor_get_devices(monitor);
    // Real devices first, the virtual ones after them in their configured order.
    for (int pass = 0; pass < 2; ++pass) {
        for (GList* l = devices; l; l = l->next) {
            GstDevice* device = GST_DEVICE(l->data);
            if (gst::IsVirtualDevice(device) != (pass == 1))
                continue;
            gst::GStr name{gst_device_get_display_name(device)};
            AddDeviceEntry(list, QString::fromUtf8(name.c_str()), TMoniker(GST_OBJECT(device)));
        }
    }
    g_list_free_full(devices, gst_object_unref);
    gst_object_unref(monitor);
}

GstCaps* AviMuxCaps(const char* templateName) {
    GstElementFactory* mux = gst_element_factory_find("avimux");
    if (!mux)
        return nullptr;
    GstCaps* caps = nullptr;
    for (const GList* l = gst_element_factory_get_static_pad_templates(mux); l; l = l->next) {
        auto* templ = static_cast<GstStaticPadTemplate*>(l->data);
        if (std::strcmp(templ->name_template, templateName) == 0)
            caps = gst_static_caps_get(&templ->static_caps);
    }
    gst_object_unref(mux);
    return caps;
}

bool OutputFits(GstElementFactory* factory, GstCaps* accepted) {
    for (const GList* l = gst_element_factory_get_static_pad_templates(factory); l; l = l->next) {
        auto* templ = static_cast<GstStaticPadTemplate*>(l->data);
        if (templ->direction != GST_PAD_SRC)
            continue;
        GstCaps* caps = gst_static_caps_get(&templ->static_caps);
        const bool fits = gst_caps_can_intersect(caps, accepted);
        gst_caps_unref(caps);
        if (fits)
            return true;
    }
    return false;
}

void EnumerateEncoders(GstElementFactoryListType type, const char* muxTemplate, TCapDeviceList& list) {
    GstCaps* accepted = AviMuxCaps(muxTemplate);
    if (!accepted)
        return;
    GList* factories = gst_element_factory_list_get_elements(type, GST_RANK_NONE);
    factories = g_list_sort(factories, gst_plugin_feature_rank_compare_func);
    for (GList* l = factories; l; l = l->next) {
        auto* factory = GST_ELEMENT_FACTORY(l->data);
        const char* featureName = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
        if (std::any_of(BrokenEncoders.begin(), BrokenEncoders.end(),
                        [&](const char* n) { return std::strcmp(n, featureName) == 0; }))
            continue;
        if (!OutputFits(factory, accepted))
            continue;
        const char* longName = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME);
        AddDeviceEntry(list, QString::fromUtf8(longName ? longName : featureName),
                       TMoniker(GST_OBJECT(factory)));
    }
    gst_plugin_feature_list_free(factories);
    gst_caps_unref(accepted);
}

} // namespace

void EnumerateDevices(TDeviceCategory category, TCapDeviceList& list) {
    list.clear();
    gst::EnsureInit();
    switch (category) {
    case TDeviceCategory::VideoInput:
        EnumerateSources("Video/Source", list);
        break;
    case TDeviceCategory::AudioInput:
        EnumerateSources("Audio/Source", list);
        break;
    case TDeviceCategory::VideoCompressor:
        EnumerateEncoders(GST_ELEMENT_FACTORY_TYPE_VIDEO_ENCODER, "video_%u", list);
        break;
    case TDeviceCategory::AudioCompressor:
        EnumerateEncoders(GST_ELEMENT_FACTORY_TYPE_AUDIO_ENCODER, "audio_%u", list);
        break;
    }
}

void RefreshDeviceLists() {
    for (auto category : {TDeviceCategory::VideoInput, TDeviceCategory::AudioInput,
                          TDeviceCategory::VideoCompressor, TDeviceCategory::AudioCompressor})
        EnumerateDevices(category, DeviceList(category));
}

void ClearDeviceLists() {
    VCapDeviceList.clear();
    ACapDeviceList.clear();
    VCompDeviceList.clear();
    ACompDeviceList.clear();
}

TMoniker FindDeviceByName(const TCapDeviceList& list, const QString& name) {
    if (name.isEmpty())
        return {};
    for (const auto& entry : list)
        if (entry.DeviceNameInList == name)
            return entry.Moniker;
    return {};
}

int DeviceIndexOf(TDeviceCategory category, const TMoniker& moniker) {
    if (!moniker)
        return -1;
    auto find = [&] {
        const auto& list = DeviceList(category);
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].Moniker == moniker)
                return static_cast<int>(i);
        return -1;
    };
    int index = find();
    if (index < 0) {
        EnumerateDevices(category, DeviceList(category));
        index = find();
    }
    return index;
}

QStringList DeviceNames(const TCapDeviceList& list) {
    QStringList names;
    for (const auto& entry : list)
        names << entry.DeviceNameInList;
    return names;
}

} // namespace quelm
