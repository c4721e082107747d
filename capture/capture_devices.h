#pragma once
// The process-wide device lists shared by every capture component: video and audio sources (GStreamer's
// device monitor plus the virtual devices of QUELM_VIRTUAL_CAMERAS / QUELM_VIRTUAL_MICROPHONES) and the
// video and audio compressors (encoders whose output the AVI multiplexer takes). Touched only on the GUI
// thread.
#include <QString>
#include <QStringList>
#include <vector>

typedef struct _GstObject GstObject;

namespace quelm {

// A device identity: a counted reference to the GstDevice of a source or the GstElementFactory of a
// compressor. Two identities denote the same device only if they hold the same object.
class TMoniker {
public:
    TMoniker() = default;
    // Takes a new reference to object (none for null).
    explicit TMoniker(GstObject* object);
    TMoniker(const TMoniker& other);
    TMoniker(TMoniker&& other) noexcept;
    TMoniker& operator=(TMoniker other) noexcept;
    ~TMoniker();

    GstObject* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    bool operator==(const TMoniker& other) const { return object_ == other.object_; }

private:
    GstObject* object_ = nullptr;
};

struct TCapDeviceInfo {
    QString DeviceName;       // the friendly name exactly as read
    QString DeviceNameInList; // trimmed name, " (n)" appended for the n-th device of that name
    TMoniker Moniker;
};

using TCapDeviceList = std::vector<TCapDeviceInfo>;

enum class TDeviceCategory { VideoInput, AudioInput, VideoCompressor, AudioCompressor };

extern TCapDeviceList VCapDeviceList;
extern TCapDeviceList ACapDeviceList;
extern TCapDeviceList VCompDeviceList;
extern TCapDeviceList ACompDeviceList;

TCapDeviceList& DeviceList(TDeviceCategory category);

// Appends one enumerated device under the naming rule: blanks (and control characters) trimmed at both
// ends, skipped when nothing is left, " (n)" for the n-th device whose name equals the trimmed name.
// Returns whether an entry was added.
bool AddDeviceEntry(TCapDeviceList& list, const QString& friendlyName, const TMoniker& moniker);

// Empties the list and fills it again from the platform.
void EnumerateDevices(TDeviceCategory category, TCapDeviceList& list);
// Video sources, audio sources, video compressors, audio compressors, in this order.
void RefreshDeviceLists();
void ClearDeviceLists();

// The first entry of that list name (exact, case-sensitive); none for an empty name or no match.
TMoniker FindDeviceByName(const TCapDeviceList& list, const QString& name);
// Position of the entry holding the identity; on a miss the list is enumerated once more and searched
// again; -1 when still missing or for no identity.
int DeviceIndexOf(TDeviceCategory category, const TMoniker& moniker);
QStringList DeviceNames(const TCapDeviceList& list);

} // namespace quelm
