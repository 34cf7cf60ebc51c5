#pragma once
// Writes to the device as sections that the program's end waits for. A file
// on the device that is being written (its write, flush and close, and
// putting old bytes back after a failure) must not be cut off by the process
// ending: the program's end waits for the section under way, and once it has
// begun no new section is admitted.

namespace device {

// Holds the device for writing for its lifetime. Sections nest on one thread
// (an install writes the image, then rewrites the checksum file).
class DeviceWriteSection {
public:
    DeviceWriteSection();
    ~DeviceWriteSection();
    DeviceWriteSection(const DeviceWriteSection&) = delete;
    DeviceWriteSection& operator=(const DeviceWriteSection&) = delete;

    // False once the program is ending: the caller must not touch the device.
    bool admitted() const { return admitted_; }

private:
    bool admitted_;
};

// The program is ending: waits until the section under way (if any) is over;
// from then on no section is admitted. Any thread, any number of times.
void endDeviceWrites();

// The same without waiting, for a thread that must go on serving the writer
// meanwhile: true once no section is under way (none is admitted from then
// on), false while one is.
bool tryEndDeviceWrites();

// Admits sections again (program start; for tests).
void resetDeviceWriteGuard();

}  // namespace device
