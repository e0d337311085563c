// A pin's stream (pin_stream.h): making it with the pin, holding its
// processing around state steps, closing it, and the tables that find it.
#include "pin_stream.h"

#include <mutex>
#include <unordered_map>

#include "class_faults.h"
#include "class_objects.h"

namespace host::streaming::detail {
namespace {

struct StreamTables {
    std::mutex mutex;
    std::unordered_map<PKSPIN, std::shared_ptr<PinStream>> pins;
    std::unordered_map<const KSSTREAM_POINTER*, PKSPIN> pointers;
};

StreamTables& tables() {
    static auto* instance = new StreamTables;  // never destroyed: threads may outlive main
    return *instance;
}

}  // namespace

PinStream::PinStream(PKSPIN pin)
    : queue(pin, pin->DataFlow == KSPIN_DATAFLOW_OUT), processor(pin, queue) {}

PinStream::~PinStream() {
    processor.shutDown();
    queue.close();
    if (PinClock* held = clock.exchange(nullptr); held != nullptr) {
        held->closeForPin();
    }
}

NTSTATUS openStream(PinInstance& pin) {
    auto stream = std::make_shared<PinStream>(&pin.ks);
    const NTSTATUS status = stream->processor.start();
    if (!NT_SUCCESS(status)) {
        return status;
    }
    if (!classFaults().pinsGetNoClock()) {
        stream->clock = PinClock::create();
    }
    pin.stream = stream;
    std::lock_guard lock(tables().mutex);
    tables().pins[&pin.ks] = std::move(stream);
    return STATUS_SUCCESS;
}

void holdStream(PinInstance& pin) {
    pin.stream->processor.hold();
}

void releaseStream(PinInstance& pin) {
    if (PinClock* clock = pin.stream->clock.load(); clock != nullptr) {
        clock->noteState(pin.ks.DeviceState);
    }
    if (pin.ks.DeviceState == KSSTATE_STOP) {
        pin.stream->queue.flush(STATUS_CANCELLED);
    }
    pin.stream->processor.release(pin.ks.DeviceState);
}

// The tables forget the pin first, so that no new caller finds it; a
// caller that already holds the stream keeps the object alive, and a
// waiter for frames still collects what completed.
void closeStream(PinInstance& pin) {
    std::shared_ptr<PinStream> stream = std::move(pin.stream);
    if (stream == nullptr) {
        return;
    }
    {
        std::lock_guard lock(tables().mutex);
        tables().pins.erase(&pin.ks);
    }
    stream->processor.shutDown();
    stream->queue.close();
    if (PinClock* clock = stream->clock.exchange(nullptr); clock != nullptr) {
        clock->closeForPin();
    }
}

std::shared_ptr<PinStream> streamOf(PKSPIN pin) {
    std::lock_guard lock(tables().mutex);
    auto found = tables().pins.find(pin);
    return found != tables().pins.end() ? found->second : nullptr;
}

void notePointer(const KSSTREAM_POINTER* pointer, PKSPIN pin, bool live) {
    std::lock_guard lock(tables().mutex);
    if (live) {
        tables().pointers[pointer] = pin;
    } else {
        tables().pointers.erase(pointer);
    }
}

std::shared_ptr<PinStream> streamOfPointer(const KSSTREAM_POINTER* pointer) {
    std::lock_guard lock(tables().mutex);
    auto found = tables().pointers.find(pointer);
    if (found == tables().pointers.end()) {
        return nullptr;
    }
    auto stream = tables().pins.find(found->second);
    return stream != tables().pins.end() ? stream->second : nullptr;
}

}  // namespace host::streaming::detail
