// CameraDevice: the per-device object, at the same time the device context
// the streaming class keeps for the device. Everything the driver knows
// about one camera lives here: the USB transport, the settings, the command
// buffers, the stream links, the region of interest, the raw frame geometry
// and the shadow of every camera register.
//
// Threads: the register and parameter operations wait for USB transfers,
// so they run at passive level only, on the device start path, in property
// handlers and on the capture start path. Each takes the command lock for
// its whole length, so operations that share commandBuffer or read-modify-
// write the register shadow never interleave. The frame slots (ReadFrame,
// CancelReads, AbortPipes) run on the capture thread and the stop path and
// use only the frame reader's buffers.
//
// Lifetime: Create allocates it zero-filled from non-paged pool (tag KCNw)
// at device add; Destroy runs the destructor and frees it. The fields are
// in the device context's order; the settings block holds every setting,
// the operations that change most of them arrive with the settings store.
#pragma once

#include "../platform/kernel.h"
#include "../usb/command_buffers.h"
#include "../usb/usb_transport.h"
#include "stream_owner.h"

class ConversionContext;
struct CaptureWorker;

constexpr ULONG kRegisterCount = 1024;

class CameraDevice final {
  public:
    // Allocates and constructs the object for a device whose USB lower
    // device is `lowerDevice`; the region of interest is the full frame.
    // Passive level.
    static NTSTATUS Create(PVOID deviceRecord, PDEVICE_OBJECT physicalDevice,
                           PDEVICE_OBJECT lowerDevice, PDEVICE_OBJECT functionalDevice,
                           CameraDevice** created);
    static void Destroy(CameraDevice* camera);

    // ---- The ten slots, in order --------------------------------------
    virtual void SignalFrameReady();
    virtual void PrepareCapture();
    // Sets *ok to 1, reads one raw frame into `buffer`, then sets *ok to the
    // result (1 read, 0 not) and returns it.
    virtual UCHAR ReadFrame(PUCHAR buffer, PUCHAR ok);
    virtual void GetRawFrameSize(PULONG size);
    virtual void GetFrameDataOffset(PULONG offset);
    virtual void GetRawRowPitch(PULONG pitch);
    virtual NTSTATUS AbortPipes();
    virtual void CancelReads();
    virtual LONG GetRoiX();
    virtual LONG GetRoiY();

    // ---- Registers and parameters --------------------------------------
    // Stores `value` unmasked in the shadow, then sends it (masked to the
    // register's width). False, with nothing sent or stored, for an address
    // above 1023; otherwise whether the packet went out whole.
    bool WriteCameraRegister(ULONG address, ULONG value);
    bool readShadowRegister(ULONG address, PULONG value);
    bool SetCameraParameter(UCHAR parameter, UCHAR value);
    bool GetCameraParameter(UCHAR parameter, PULONG value);

    // ---- Settings that reach the camera --------------------------------
    void setExposure(ULONG value);    // clamped to 3 .. 1003
    bool setGlobalGain(ULONG value);  // clamped to 1023
    bool setExTrigger(bool on);
    ULONG readClockMode();  // 3 is stored as 2

    // ---- Capture preparation and service access -------------------------
    bool SendStreamSetup();
    bool SendRawCommand(LONG length, const UCHAR* payload);
    // Reads the byte at registerAddress; *value untouched on failure.
    void ReadByteAt(PUCHAR value);
    void setRegisterAddress(ULONG address) { registerAddress = address; }
    void deriveBayerPhase() { bayerPhase = sensorPhase; }

    // ---- Start-up --------------------------------------------------------
    // Initialize packet, the start-up register sequence, then the stored
    // settings. Always true.
    bool InitializeCamera();
    bool RunStartupSequence();

    // ---- Fields, in the device context's order ---------------------------
    PVOID device;  // the streaming class's device record (not owned)
    UsbTransport transport;

    ULONG exTrigger;
    ULONG timeoutMs;
    ULONG exposure;
    ULONG globalGain;
    ULONG flipH;
    ULONG flipV;
    LONG colorEnable;
    LONG whiteBalance;
    LONG redGain;
    LONG greenGain;
    LONG blueGain;
    LONG colorCorrection;
    LONG brightness;
    LONG contrast;
    LONG saturation;
    LONG hue;
    ULONG subSample;
    LONG windowX;
    LONG windowY;
    LONG windowWidth;
    LONG windowHeight;
    LONG bayerPhase;
    ULONG clockMode;
    ULONG agc;
    ULONG aec;

    CommandBuffers commands;  // commandBuffer, frameRequestBuffer, readControlBuffer

    volatile LONG streamClaimed;
    CaptureWorker* worker;
    ConversionContext* conversion;
    StreamOwner* streamOwner;
    PVOID streamFormat;  // the stream owner's video info header (not owned)

    LONG roiHeight;
    LONG roiWidth;
    LONG roiX;
    LONG roiY;
    ULONG frameDataOffset;
    ULONG rawRowPitch;
    ULONG rawFrameBytes;
    LONG outputWidth;
    LONG outputHeight;
    LONG sensorPhase;
    volatile LONG pinOpen;
    ULONG registerAddress;
    ULONG registerShadow[kRegisterCount];

  private:
    CameraDevice() = default;
    ~CameraDevice() = default;

    // The operations' bodies, called with the command lock held.
    bool writeRegisterLocked(ULONG address, ULONG value);
    bool setParameterLocked(UCHAR parameter, UCHAR value);
    bool getParameterLocked(UCHAR parameter, PULONG value);
    bool sendCommandLocked();
    bool sendStreamSetupLocked();
    void applyStoredSettings();
};
