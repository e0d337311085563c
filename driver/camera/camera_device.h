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
// Settings: every settings operation (the setters and getters, the region
// of interest, the registry save, attaching and detaching the stream's
// ConversionContext) holds the settings lock, so concurrent property
// requests, a save and a stream start or stop never interleave on the
// settings block or see a ConversionContext being freed. Towards the
// capture worker the ConversionContext's mirrors stay interlocked; the
// worker never takes the settings lock. Lock order: settings lock, then
// command lock; nothing holding the command lock takes the settings lock.
//
// Lifetime: Create allocates it zero-filled from non-paged pool (tag KCNw)
// at device add; Destroy runs the destructor and frees it. The fields are
// in the device context's order, with the settings lock after them.
#pragma once

#include "../platform/interlocked.h"
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
    // Each stores its field only when the camera took the value.
    void setExposure(ULONG value);    // clamped to 3 .. 1003
    bool setGlobalGain(ULONG value);  // clamped to 1023
    bool setExTrigger(bool on);
    ULONG readClockMode();  // 3 is stored as 2; the old value if no answer
    UCHAR getExTrigger();
    ULONG getExposure();
    ULONG getGlobalGain();

    // ---- Settings of the image, mirrored into the stream's conversion ----
    // Setters clamp, store, then mirror (the tone settings through the
    // conversion's updates, which recompute the colour matrix). Getters
    // refresh the field from the mirror first while a stream exists, so the
    // gains read back under automatic white balance are the current ones.
    void setColorEnable(LONG value);
    void setWhiteBalance(LONG value);  // 0 takes over the automatic gains
    void setRedGain(LONG value);       // above 512 -> 512, then <= 0 -> 1
    void setGreenGain(LONG value);
    void setBlueGain(LONG value);
    void setColorCorrection(LONG value);
    void setBrightness(LONG value);  // 0 .. 510
    void setContrast(LONG value);    // 0 .. 20
    void setSaturation(LONG value);  // 0 .. 20
    void setHue(LONG value);         // 0 .. 359
    LONG getColorEnable();
    LONG getWhiteBalance();
    LONG getRedGain();
    LONG getGreenGain();
    LONG getBlueGain();
    LONG getColorCorrection();
    LONG getBrightness();
    LONG getContrast();
    LONG getSaturation();
    LONG getHue();

    // ---- Stored and reported settings -------------------------------------
    void setTimeout(ULONG milliseconds);  // also the process-wide time-out
    ULONG getTimeout();
    ULONG getFlipH();
    ULONG getFlipV();
    ULONG getSubSample();
    ULONG getAgc();
    ULONG getAec();
    LONG getWindowX();
    LONG getWindowY();
    LONG getWindowWidth();
    LONG getWindowHeight();

    // ---- Region of interest and the pin ---------------------------------
    // Even origins inside the sensor, width and height clamped to it, the
    // output width rounded down to 8; refreshes the advertised video format.
    // Ignored while a pin is open. `subSampleIgnored` is accepted and unused.
    void setRegionOfInterest(LONG x, LONG y, LONG width, LONG height, ULONG subSampleIgnored);
    // Pin create calls setPinOpen(1), pin close setPinOpen(0); the device
    // counts its open pins, and isPinOpen is 1 while there is any.
    LONG isPinOpen();
    void setPinOpen(LONG open);

    // ---- The stream's conversion ------------------------------------------
    // attachConversion hands `context` the settings (white balance, phase,
    // colour, gains, then the tone settings through their updates) and makes
    // it the device's; detachConversion takes it back (null if none) for the
    // caller to destroy. Stream start and stop, passive level.
    void attachConversion(ConversionContext* context);
    ConversionContext* detachConversion();

    // ---- Capture preparation and service access -------------------------
    bool SendStreamSetup();
    bool SendRawCommand(LONG length, const UCHAR* payload);
    // Reads the byte at registerAddress; *value untouched on failure.
    void ReadByteAt(PUCHAR value);
    void setRegisterAddress(ULONG address) { registerAddress = address; }
    // The phase is the sensor's own: flips and window origin are always
    // clear. Lock-free, because capture preparation calls it.
    void deriveBayerPhase() { AtomicWrite(&bayerPhase, sensorPhase); }

    // ---- The stream (the pin's state changes, passive level) -------------
    // Claims the device's one stream for `owner` (STATUS_SHARING_VIOLATION
    // if another pin holds it), checks that `videoInfo` (the owner's
    // KS_VIDEOINFOHEADER, kept as streamFormat) is 32-bit BI_RGB and
    // creates the stream's ConversionContext with the current settings. On
    // failure nothing is kept and the claim is dropped.
    NTSTATUS StartConversion(StreamOwner* owner, PVOID videoInfo);
    // Frees the ConversionContext, forgets the owner and drops the claim.
    void StopConversion();
    // First run: the Bayer phase again, then the worker's StartCapture for
    // the region; STATUS_DEVICE_NOT_READY if the device has no worker.
    NTSTATUS StartStreaming();

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
    volatile LONG bayerPhase;
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
    volatile LONG pinOpen;  // open pins of the device
    ULONG registerAddress;
    ULONG registerShadow[kRegisterCount];

    KEVENT settingsLock;  // synchronization event, signalled = free

  private:
    CameraDevice() = default;
    ~CameraDevice() = default;

    // The settings operations' common steps, each under the settings lock.
    void setMirrored(LONG* field, LONG value, void (ConversionContext::*mirror)(LONG));
    LONG getMirrored(LONG* field, LONG (ConversionContext::*mirror)());
    template <typename Field>
    Field readSetting(const Field* field);

    // The operations' bodies, called with the command lock held.
    bool writeRegisterLocked(ULONG address, ULONG value);
    bool setParameterLocked(UCHAR parameter, UCHAR value);
    bool getParameterLocked(UCHAR parameter, PULONG value);
    bool sendCommandLocked();
    bool sendStreamSetupLocked();
};
