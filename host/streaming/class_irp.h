// The IRPs the stand-in class hands the driver's callbacks: PnP requests,
// creates and closes, property requests. Each is a real stand-in IRP (so
// the I/O rules apply) whose current stack location describes the request,
// and which the class frees after the callback returns. While it lives,
// KsGetFilterFromIrp and KsGetPinFromIrp find its filter and pin.
//
// Built and destroyed on the thread that runs the class operation, at
// PASSIVE_LEVEL. The driver must not complete or free it: doing so is
// reported when the class takes it back.
#pragma once

#include "class_objects.h"

namespace host::streaming::detail {

class ClassIrp {
  public:
    // Null irp() when the pool fails.
    ClassIrp(PDEVICE_OBJECT device, UCHAR major, UCHAR minor, FilterInstance* filter = nullptr,
             PinInstance* pin = nullptr);
    ~ClassIrp();
    ClassIrp(const ClassIrp&) = delete;
    ClassIrp& operator=(const ClassIrp&) = delete;

    PIRP irp() const { return irp_; }
    PIO_STACK_LOCATION stack() const { return IoGetCurrentIrpStackLocation(irp_); }

  private:
    PIRP irp_ = nullptr;
};

}  // namespace host::streaming::detail
