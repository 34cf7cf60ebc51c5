// The status file reader over a real file of any content: the shown text and
// the software version stay terminated within their buffers, and the version
// is never longer than 9 characters.

#include <cstring>

#include "device/status_file.h"
#include "fuzz/fuzz_drive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fuzzing;
    writeDriveFile("doc/status.st", data, size);

    device::resetStatusRecords();
    FUZZ_CHECK(device::readStatusFiles() == 1);

    FUZZ_CHECK(terminatedWithin(device::statusText));
    FUZZ_CHECK(terminatedWithin(device::deviceSoftwareVersion));
    FUZZ_CHECK(std::strlen(device::deviceSoftwareVersion) <= device::SOFTWARE_VERSION_CAPACITY - 1);
    FUZZ_CHECK(device::updateSupported == 0);  // the drive has no update slot
    return 0;
}
