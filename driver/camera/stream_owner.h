// The stream side that owns the device's one stream: the pin's context.
// The camera device only asks it to process a ready frame.
#pragma once

class StreamOwner {
  public:
    // Queues the stream's processing (never runs it on the caller's
    // thread). Capture thread, passive level.
    virtual void AttemptProcessing() = 0;

  protected:
    ~StreamOwner() = default;
};
