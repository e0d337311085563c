// The sizes and offsets of the streaming structures as the Windows x64
// compiler lays them out (computed from ks.h and ksmedia.h), so that the
// host build of the driver sees the same structures as the kernel build.
#include "ks_api.h"

#include <cstddef>

static_assert(sizeof(GUID) == 16);
static_assert(sizeof(KSIDENTIFIER) == 24);
static_assert(sizeof(KSP_PIN) == 32);
static_assert(sizeof(KSMULTIPLE_ITEM) == 8);
static_assert(sizeof(KSPROPERTY_DESCRIPTION) == 40);
static_assert(sizeof(KSPROPERTY_ITEM) == 72);
static_assert(offsetof(KSPROPERTY_ITEM, MinProperty) == 16);
static_assert(offsetof(KSPROPERTY_ITEM, SetPropertyHandler) == 24);
static_assert(sizeof(KSPROPERTY_SET) == 40);
static_assert(sizeof(KSMETHOD_ITEM) == 40);
static_assert(sizeof(KSEVENT_ITEM) == 40);
static_assert(sizeof(KSAUTOMATION_TABLE) == 48);

static_assert(sizeof(KSDATAFORMAT) == 64);
static_assert(offsetof(KSDATAFORMAT, MajorFormat) == 16);
static_assert(sizeof(KSPIN_CONNECT) == 72);
static_assert(offsetof(KSPIN_CONNECT, PinToHandle) == 56);
static_assert(sizeof(KSPIN_DESCRIPTOR) == 88);
static_assert(offsetof(KSPIN_DESCRIPTOR, DataFlow) == 48);
static_assert(sizeof(KSPIN_DESCRIPTOR_EX) == 136);
static_assert(offsetof(KSPIN_DESCRIPTOR_EX, Flags) == 104);
static_assert(offsetof(KSPIN_DESCRIPTOR_EX, IntersectHandler) == 128);
static_assert(sizeof(KS_FRAMING_ITEM) == 88);
static_assert(sizeof(KSALLOCATOR_FRAMING_EX) == 112);
static_assert(sizeof(KSALLOCATOR_FRAMING) == 24);

static_assert(sizeof(KSDEVICE_DISPATCH) == 112);
static_assert(sizeof(KSFILTER_DISPATCH) == 32);
static_assert(sizeof(KSPIN_DISPATCH) == 80);
static_assert(sizeof(KSDEVICE_DESCRIPTOR) == 32);
static_assert(sizeof(KSFILTER_DESCRIPTOR) == 104);
static_assert(offsetof(KSFILTER_DESCRIPTOR, PinDescriptors) == 40);
static_assert(offsetof(KSFILTER_DESCRIPTOR, ComponentId) == 96);
static_assert(sizeof(KSNODE_DESCRIPTOR) == 24);
static_assert(sizeof(KSDEVICE) == 64);
static_assert(offsetof(KSDEVICE, Started) == 48);
static_assert(sizeof(KSFILTER) == 24);
static_assert(sizeof(KSPIN) == 136);
static_assert(offsetof(KSPIN, ConnectionInterface) == 40);
static_assert(offsetof(KSPIN, ConnectionFormat) == 96);
static_assert(offsetof(KSPIN, DeviceState) == 120);

static_assert(sizeof(KSSTREAM_HEADER) == 56);
static_assert(sizeof(KSSTREAM_POINTER_OFFSET) == 16);
static_assert(sizeof(KSSTREAM_POINTER) == 64);

static_assert(sizeof(RECT) == 16);
static_assert(sizeof(KS_BITMAPINFOHEADER) == 40);
static_assert(sizeof(KS_VIDEOINFOHEADER) == 88);
static_assert(offsetof(KS_VIDEOINFOHEADER, AvgTimePerFrame) == 40);
static_assert(sizeof(KS_VIDEO_STREAM_CONFIG_CAPS) == 128);
static_assert(offsetof(KS_VIDEO_STREAM_CONFIG_CAPS, MinFrameInterval) == 104);
static_assert(sizeof(KS_DATARANGE_VIDEO) == 296);
static_assert(offsetof(KS_DATARANGE_VIDEO, ConfigCaps) == 80);
static_assert(offsetof(KS_DATARANGE_VIDEO, VideoInfoHeader) == 208);
static_assert(sizeof(KS_DATAFORMAT_VIDEOINFOHEADER) == 152);
