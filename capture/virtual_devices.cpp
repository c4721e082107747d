#include "capture/virtual_devices.h"
#include "capture/gst_handle.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace {

// Modes a virtual device offers when its description leaves the format open (a bare test source).
constexpr const char* DefaultVideoCaps = "video/x-raw,format=YUY2,width=640,height=480,framerate=30/1;"
                                         "video/x-raw,format=BGR,width=640,height=480,framerate=30/1;"
                                         "video/x-raw,format=I420,width=640,height=480,framerate=30/1;"
                                         "video/x-raw,format=YUY2,width=320,height=240,framerate=30/1;"
                                         "video/x-raw,format=YUY2,width=160,height=120,framerate=15/1";
constexpr const char* DefaultAudioCaps = "audio/x-raw,format=S16LE,layout=interleaved,rate=44100,channels=2;"
                                         "audio/x-raw,format=S16LE,layout=interleaved,rate=22050,channels=1;"
                                         "audio/x-raw,format=S16LE,layout=interleaved,rate=8000,channels=1";

struct QuelmVirtualDevice {
    GstDevice parent;
    gchar* description;
};
struct QuelmVirtualDeviceClass {
    GstDeviceClass parent_class;
};

struct QuelmVirtualProvider {
    GstDeviceProvider parent;
};
struct QuelmVirtualProviderClass {
    GstDeviceProviderClass parent_class;
};

GType quelm_virtual_device_get_type();
GType quelm_virtual_provider_get_type();

G_DEFINE_TYPE(QuelmVirtualDevice, quelm_virtual_device, GST_TYPE_DEVICE)
G_DEFINE_TYPE(QuelmVirtualProvider, quelm_virtual_provider, GST_TYPE_DEVICE_PROVIDER)

// Builds a virtual device's source bin. A description that ends in a caps filter
// ("videotestsrc ! video/x-raw,width=320") is not a complete launch line on its own: the filter needs an
// element after it, so such a description is tried again with a pass-through element appended.
GstElement* ParseSourceBin(const char* description, GError** error) {
    GstElement* bin =
        gst_parse_bin_from_description_full(description, TRUE, nullptr, GST_PARSE_FLAG_NONE, error);
    if (*error && g_error_matches(*error, GST_PARSE_ERROR, GST_PARSE_ERROR_NO_SUCH_ELEMENT)) {
        if (bin)
            gst_object_unref(gst_object_ref_sink(bin));
        GError* retryError = nullptr;
        const QByteArray completed = QByteArray(description) + " ! identity silent=true";
        GstElement* retry = gst_parse_bin_from_description_full(completed.constData(), TRUE, nullptr,
                                                                GST_PARSE_FLAG_NONE, &retryError);
        if (!retryError) {
            g_clear_error(error);
            return retry;
        }
        if (retry)
            gst_object_unref(gst_object_ref_sink(retry));
        g_clear_error(&retryError);
        return nullptr;
    }
    return bin;
}

GstElement* VirtualCreateElement(GstDevice* device, const gchar* name) {
    auto* self = reinterpret_cast<QuelmVirtualDevice*>(device);
    GError* error = nullptr;
    GstElement* bin = ParseSourceBin(self->description, &error);
    if (error) {
        GST_WARNING("virtual device \"%s\": %s", self->description, error->message);
        g_printerr("virtual device \"%s\": %s\n", self->description, error->message);
        g_clear_error(&error);
        if (bin)
            gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    if (bin && name)
        gst_object_set_name(GST_OBJECT(bin), name);
    return bin;
}

void VirtualDeviceFinalize(GObject* object) {
    g_free(reinterpret_cast<QuelmVirtualDevice*>(object)->description);
    G_OBJECT_CLASS(quelm_virtual_device_parent_class)->finalize(object);
}

void quelm_virtual_device_class_init(QuelmVirtualDeviceClass* klass) {
    GST_DEVICE_CLASS(klass)->create_element = VirtualCreateElement;
    G_OBJECT_CLASS(klass)->finalize = VirtualDeviceFinalize;
}
void quelm_virtual_device_init(QuelmVirtualDevice* self) {
    self->description = nullptr;
}

// The caps a description's source really offers, narrowed to the default modes when it leaves the
// format open.
GstCaps* ProbeCaps(const QByteArray& description, bool video) {
    GError* error = nullptr;
    GstElement* bin = ParseSourceBin(description.constData(), &error);
    GstCaps* defaults = gst_caps_from_string(video ? DefaultVideoCaps : DefaultAudioCaps);
    if (error || !bin) {
        g_clear_error(&error);
        if (bin)
            gst_object_unref(gst_object_ref_sink(bin));
        return defaults;
    }
    gst_object_ref_sink(bin);
    GstCaps* result = defaults;
    if (GstPad* pad = gst_element_get_static_pad(bin, "src")) {
        GstCaps* offered = gst_pad_query_caps(pad, nullptr);
        // A source whose format is a property (appsrc) answers the query with anything before it runs.
        if (gst_caps_is_any(offered)) {
            GstIterator* it = gst_bin_iterate_sources(GST_BIN(bin));
            GValue item = G_VALUE_INIT;
            if (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
                GObject* source = G_OBJECT(g_value_get_object(&item));
                GParamSpec* pspec = g_object_class_find_property(G_OBJECT_GET_CLASS(source), "caps");
                GstCaps* own = nullptr;
                if (pspec && pspec->value_type == GST_TYPE_CAPS)
                    g_object_get(source, "caps", &own, nullptr);
                if (own && !gst_caps_is_any(own)) {
                    gst_caps_unref(offered);
                    offered = own;
                } else if (own) {
                    gst_caps_unref(own);
                }
            }
            g_value_unset(&item);
            gst_iterator_free(it);
        }
        GstCaps* both = gst_caps_intersect_full(defaults, offered, GST_CAPS_INTERSECT_FIRST);
        if (gst_caps_is_empty(both)) {
            gst_caps_unref(both);
            gst_caps_unref(defaults);
            result = offered;
        } else {
            gst_caps_unref(offered);
            gst_caps_unref(defaults);
            result = both;
        }
        gst_object_unref(pad);
    }
    gst_object_unref(bin);
    return result;
}

void AddVirtualDevices(GList** devices, const char* variable, bool video) {
    const QString value = qEnvironmentVariable(variable);
    const QStringList entries = value.split(';', Qt::SkipEmptyParts);
    for (const QString& entry : entries) {
        const int eq = entry.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray name = entry.left(eq).toUtf8();
        const QByteArray description = entry.mid(eq + 1).trimmed().toUtf8();
        if (description.isEmpty())
            continue;
        GstCaps* caps = ProbeCaps(description, video);
        GstStructure* props = gst_structure_new("quelm-virtual-device", "description", G_TYPE_STRING,
                                                description.constData(), nullptr);
        auto* device = static_cast<QuelmVirtualDevice*>(g_object_new(
            quelm_virtual_device_get_type(), "display-name", name.constData(), "device-class",
            video ? "Video/Source" : "Audio/Source", "caps", caps, "properties", props, nullptr));
        device->description = g_strdup(description.constData());
        gst_caps_unref(caps);
        gst_structure_free(props);
        *devices = g_list_append(*devices, gst_object_ref_sink(device));
    }
}

GList* VirtualProbe(GstDeviceProvider*) {
    GList* devices = nullptr;
    AddVirtualDevices(&devices, "QUELM_VIRTUAL_CAMERAS", true);
    AddVirtualDevices(&devices, "QUELM_VIRTUAL_MICROPHONES", false);
    return devices;
}

void quelm_virtual_provider_class_init(QuelmVirtualProviderClass* klass) {
    GstDeviceProviderClass* provider = GST_DEVICE_PROVIDER_CLASS(klass);
    provider->probe = VirtualProbe;
    gst_device_provider_class_set_static_metadata(provider, "Quelm virtual devices", "Source/Video/Audio",
                                                  "Cameras and microphones built from source descriptions",
                                                  "Quelm");
}
void quelm_virtual_provider_init(QuelmVirtualProvider*) {}

gboolean PluginInit(GstPlugin* plugin) {
    return gst_device_provider_register(plugin, "quelmvirtualdeviceprovider", GST_RANK_PRIMARY,
                                        quelm_virtual_provider_get_type());
}

} // namespace

namespace quelm::gst {

void RegisterVirtualDeviceProvider() {
    static const bool registered = gst_plugin_register_static(
        GST_VERSION_MAJOR, GST_VERSION_MINOR, "quelmvirtual", "Virtual capture devices of Quelm", PluginInit,
        "0.1", "LGPL", "quelm", "quelm", "https://quelm.invalid/");
    (void)registered;
}

bool IsVirtualDevice(GstDevice* device) {
    return device && G_TYPE_CHECK_INSTANCE_TYPE(device, quelm_virtual_device_get_type());
}

void EnsureInit() {
    static const bool done = [] {
        if (!gst_is_initialized())
            gst_init(nullptr, nullptr);
        RegisterVirtualDeviceProvider();
        return true;
    }();
    (void)done;
}

} // namespace quelm::gst
