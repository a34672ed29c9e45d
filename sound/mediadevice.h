#pragma once
// The playback device of the audio player: one per player window, bound to one sound
// file at a time. Times are in milliseconds. Failures are thrown as zorkan errors and
// reach the general error handler.
#include <cstdint>
#include <string>

namespace zorkan {

class MediaDevice {
  public:
    virtual ~MediaDevice() = default;

    // Binds the device to the file (UTF-8 path); an open device is closed first.
    virtual void open(const std::string& path) = 0;
    virtual bool isOpen() const = 0;
    // Plays from the current position, or from the start when at the end.
    virtual void play() = 0;
    // Stops; the position stays.
    virtual void stop() = 0;
    // Releases the device; nothing when none is open.
    virtual void close() = 0;
    // Length of the open file and current position; "No MCI device open" without one.
    virtual std::int64_t length() = 0;
    virtual std::int64_t position() = 0;
};

// The service's text for an operation on a device that is not open.
inline constexpr const char* noDeviceOpenText = "No MCI device open";

} // namespace zorkan
