#pragma once
// Virtual cameras and microphones for tests and demonstrations: QUELM_VIRTUAL_CAMERAS and
// QUELM_VIRTUAL_MICROPHONES hold "Name=<gst-launch description of a source>" entries separated by ";".
// An in-process GStreamer device provider lists them, so the device monitor shows them like hardware; a
// device's element is built from its description.
#include <gst/gst.h>

namespace quelm::gst {

// Registers the provider (once; EnsureInit calls it).
void RegisterVirtualDeviceProvider();
// Whether device is one of the virtual devices.
bool IsVirtualDevice(GstDevice* device);

} // namespace quelm::gst
