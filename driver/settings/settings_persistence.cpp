#include "settings_persistence.h"

#include "../camera/sensor_geometry.h"
#include "../platform/wide_text.h"
#include "frame_timeout.h"
#include "registry_access.h"
#include "settings_limits.h"
#include "settings_lock.h"

namespace {

// The values in the order both operations visit them.
enum StoredValue : ULONG {
    kTimeout,
    kExposure,
    kGlobalGain,
    kFlipH,
    kFlipV,
    kColorEnable,
    kWhiteBalance,
    kColorCorrection,
    kBrightness,
    kContrast,
    kSaturation,
    kHue,
    kRedGain,
    kGreenGain,
    kBlueGain,
    kAgc,
    kAec,
    kClock,
    kExTrigger,
    kSubSample,
    kRoiX,
    kRoiY,
    kRoiWidth,
    kRoiHeight,
    kStoredValueCount
};

const PCWSTR kValueNames[kStoredValueCount] = {
    WIDE_TEXT("Timeout"),      WIDE_TEXT("Exposure"),
    WIDE_TEXT("GlobalGain"),   WIDE_TEXT("FlipH"),
    WIDE_TEXT("FlipV"),        WIDE_TEXT("ColorEnable"),
    WIDE_TEXT("WhiteBalance"), WIDE_TEXT("ColorCorrection"),
    WIDE_TEXT("Brightness"),   WIDE_TEXT("Contrast"),
    WIDE_TEXT("Saturation"),   WIDE_TEXT("Hue"),
    WIDE_TEXT("RedGain"),      WIDE_TEXT("GreenGain"),
    WIDE_TEXT("BlueGain"),     WIDE_TEXT("AGC"),
    WIDE_TEXT("AEC"),          WIDE_TEXT("Clock"),
    WIDE_TEXT("ExTrigger"),    WIDE_TEXT("SubSample"),
    WIDE_TEXT("RoiX"),         WIDE_TEXT("RoiY"),
    WIDE_TEXT("RoiW"),         WIDE_TEXT("RoiH"),
};

constexpr ACCESS_MASK kDriverKeyAccess = STANDARD_RIGHTS_READ;
constexpr ACCESS_MASK kSettingsKeyAccess = KEY_ALL_ACCESS;
const PCWSTR kSettingsKeyName = WIDE_TEXT("Settings");

// The driver key and its "Settings" subkey, open together; closed by the
// destructor in reverse order.
class SettingsKey {
  public:
    explicit SettingsKey(CameraDevice* camera) {
        HANDLE driverKey = nullptr;
        const NTSTATUS status = IoOpenDeviceRegistryKey(
            camera->transport.physicalDevice, PLUGPLAY_REGKEY_DRIVER, kDriverKeyAccess, &driverKey);
        if (status != STATUS_SUCCESS || driverKey == nullptr) {
            return;
        }
        driverKey_ = driverKey;
        HANDLE settings = nullptr;
        if (NT_SUCCESS(
                createKeyPath(driverKey_, kSettingsKeyAccess, kSettingsKeyName, &settings))) {
            settings_ = settings;
        }
    }
    ~SettingsKey() {
        if (settings_ != nullptr) {
            ZwClose(settings_);
        }
        if (driverKey_ != nullptr) {
            ZwClose(driverKey_);
        }
    }
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;

    bool isOpen() const { return settings_ != nullptr; }
    HANDLE handle() const { return settings_; }

  private:
    HANDLE driverKey_ = nullptr;
    HANDLE settings_ = nullptr;
};

void PrepareDefaults(CameraDevice* camera, ULONG values[kStoredValueCount]) {
    values[kTimeout] = kDefaultFrameTimeoutMs;
    values[kExposure] = kExposureDefault;
    values[kGlobalGain] = 0;
    values[kFlipH] = 0;
    values[kFlipV] = 0;
    values[kColorEnable] = 1;
    values[kWhiteBalance] = 0;
    values[kColorCorrection] = 1;
    values[kBrightness] = static_cast<ULONG>(kBrightnessDefault);
    values[kContrast] = static_cast<ULONG>(kContrastDefault);
    values[kSaturation] = static_cast<ULONG>(kSaturationDefault);
    values[kHue] = static_cast<ULONG>(kHueDefault);
    values[kRedGain] = static_cast<ULONG>(kChannelGainDefault);
    values[kGreenGain] = static_cast<ULONG>(kChannelGainDefault);
    values[kBlueGain] = static_cast<ULONG>(kChannelGainDefault);
    values[kAgc] = 0;
    values[kAec] = 0;
    values[kClock] = camera->readClockMode();  // also refreshes clockMode
    values[kExTrigger] = 0;
    values[kSubSample] = 0;
    values[kRoiX] = 0;
    values[kRoiY] = 0;
    values[kRoiWidth] = kSensorWidth;
    values[kRoiHeight] = kSensorHeight;
}

LONG AsSigned(ULONG value) {
    return static_cast<LONG>(value);
}

// Through the settings operations, in their fixed order; flips, AGC, AEC
// and the clock mode are read but not applied.
void ApplyValues(CameraDevice* camera, ULONG values[kStoredValueCount]) {
    if (values[kTimeout] > kTimeoutFloorMs && values[kTimeout] < kStoredTimeoutLimit) {
        camera->setTimeout(values[kTimeout]);
    }
    camera->setExposure(values[kExposure]);
    camera->setGlobalGain(values[kGlobalGain]);
    camera->setColorEnable(AsSigned(values[kColorEnable]));
    camera->setWhiteBalance(AsSigned(values[kWhiteBalance]));
    camera->setColorCorrection(AsSigned(values[kColorCorrection]));
    camera->setBrightness(AsSigned(values[kBrightness]));
    camera->setContrast(AsSigned(values[kContrast]));
    camera->setSaturation(AsSigned(values[kSaturation]));
    camera->setHue(AsSigned(values[kHue]));
    camera->setRedGain(AsSigned(values[kRedGain]));
    camera->setGreenGain(AsSigned(values[kGreenGain]));
    camera->setBlueGain(AsSigned(values[kBlueGain]));

    // Out-of-sensor values fall back before the region's own clamps.
    if (values[kSubSample] > 0) {
        values[kSubSample] = 0;
    }
    if (values[kRoiX] >= kSensorWidth) {
        values[kRoiX] = 0;
    }
    if (values[kRoiY] >= kSensorHeight) {
        values[kRoiY] = 0;
    }
    if (values[kRoiWidth] > kSensorWidth) {
        values[kRoiWidth] = kSensorWidth;
    }
    if (values[kRoiHeight] > kSensorHeight) {
        values[kRoiHeight] = kSensorHeight;
    }
    camera->setRegionOfInterest(AsSigned(values[kRoiX]), AsSigned(values[kRoiY]),
                                AsSigned(values[kRoiWidth]), AsSigned(values[kRoiHeight]),
                                values[kSubSample]);
    camera->setExTrigger(values[kExTrigger] != 0);
}

// The store's fields as they are: no getter runs, so neither the camera is
// asked nor the conversion's mirrors read.
void CollectFields(const CameraDevice* camera, ULONG values[kStoredValueCount]) {
    values[kTimeout] = camera->timeoutMs;
    values[kExposure] = camera->exposure;
    values[kGlobalGain] = camera->globalGain;
    values[kFlipH] = camera->flipH;
    values[kFlipV] = camera->flipV;
    values[kColorEnable] = static_cast<ULONG>(camera->colorEnable);
    values[kWhiteBalance] = static_cast<ULONG>(camera->whiteBalance);
    values[kColorCorrection] = static_cast<ULONG>(camera->colorCorrection);
    values[kBrightness] = static_cast<ULONG>(camera->brightness);
    values[kContrast] = static_cast<ULONG>(camera->contrast);
    values[kSaturation] = static_cast<ULONG>(camera->saturation);
    values[kHue] = static_cast<ULONG>(camera->hue);
    values[kRedGain] = static_cast<ULONG>(camera->redGain);
    values[kGreenGain] = static_cast<ULONG>(camera->greenGain);
    values[kBlueGain] = static_cast<ULONG>(camera->blueGain);
    values[kAgc] = camera->agc;
    values[kAec] = camera->aec;
    values[kClock] = camera->clockMode;
    values[kExTrigger] = camera->exTrigger;
    values[kSubSample] = camera->subSample;
    values[kRoiX] = static_cast<ULONG>(camera->roiX);
    values[kRoiY] = static_cast<ULONG>(camera->roiY);
    values[kRoiWidth] = static_cast<ULONG>(camera->roiWidth);
    values[kRoiHeight] = static_cast<ULONG>(camera->roiHeight);
}

}  // namespace

bool loadSettings(CameraDevice* camera) {
    ULONG values[kStoredValueCount];
    {
        SettingsKey key(camera);
        if (!key.isOpen()) {
            return false;
        }
        PrepareDefaults(camera, values);
        for (ULONG i = 0; i < kStoredValueCount; ++i) {
            readDwordValue(key.handle(), kValueNames[i], &values[i]);
        }
    }
    // The keys are closed before the values reach the camera: applying
    // them takes a while and needs no registry.
    ApplyValues(camera, values);
    return true;
}

bool saveSettings(CameraDevice* camera) {
    SettingsLock lock(camera);
    SettingsKey key(camera);
    if (!key.isOpen()) {
        return false;
    }
    ULONG values[kStoredValueCount];
    CollectFields(camera, values);
    for (ULONG i = 0; i < kStoredValueCount; ++i) {
        writeDwordValue(key.handle(), kValueNames[i], values[i]);
    }
    return true;
}
