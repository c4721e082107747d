#pragma once
// One family of owning handles for GStreamer references. Adopt() takes over a reference the caller
// already owns (transfer full), Ref() takes a new one, Sink() takes over a freshly created (floating)
// object. Copying a handle takes another reference; destruction drops it.
#include <gst/gst.h>
#include <utility>

namespace quelm::gst {

struct ObjectTraits {
    static void Ref(gpointer p) { gst_object_ref(p); }
    static void Unref(gpointer p) { gst_object_unref(p); }
};
struct MiniObjectTraits {
    static void Ref(gpointer p) { gst_mini_object_ref(GST_MINI_OBJECT_CAST(p)); }
    static void Unref(gpointer p) { gst_mini_object_unref(GST_MINI_OBJECT_CAST(p)); }
};

template <typename T, typename Traits>
class Handle {
public:
    Handle() = default;
    static Handle Adopt(T* p) {
        Handle h;
        h.p_ = p;
        return h;
    }
    static Handle Ref(T* p) {
        if (p)
            Traits::Ref(p);
        return Adopt(p);
    }
    static Handle Sink(T* p) requires std::is_same_v<Traits, ObjectTraits> {
        if (p)
            gst_object_ref_sink(p);
        return Adopt(p);
    }
    Handle(const Handle& o)
        : p_(o.p_) {
        if (p_)
            Traits::Ref(p_);
    }
    Handle(Handle&& o) noexcept
        : p_(std::exchange(o.p_, nullptr)) {}
    Handle& operator=(Handle o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~Handle() { reset(); }

    void reset() {
        if (p_)
            Traits::Unref(std::exchange(p_, nullptr));
    }
    T* release() { return std::exchange(p_, nullptr); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

using Element = Handle<GstElement, ObjectTraits>;
using Pad = Handle<GstPad, ObjectTraits>;
using Bus = Handle<GstBus, ObjectTraits>;
using Device = Handle<GstDevice, ObjectTraits>;
using Caps = Handle<GstCaps, MiniObjectTraits>;
using Sample = Handle<GstSample, MiniObjectTraits>;
using Message = Handle<GstMessage, MiniObjectTraits>;

// A GError or a g_malloc'ed string freed on scope exit.
struct ErrorHolder {
    GError* error = nullptr;
    ~ErrorHolder() { g_clear_error(&error); }
};
struct GStr {
    gchar* s = nullptr;
    ~GStr() { g_free(s); }
    const char* c_str() const { return s ? s : ""; }
};

// Initialises GStreamer once and registers the in-process provider of virtual devices.
void EnsureInit();

} // namespace quelm::gst
