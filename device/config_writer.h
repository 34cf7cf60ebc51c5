#pragma once
// Rewriting the device's configuration file from the main dialog's form.

#include <cstdint>

#include "platform/dialog.h"

namespace device {

// The writer formats into this buffer; a file longer than it cannot be saved.
constexpr std::uint32_t CONFIG_OUTPUT_CAPACITY = 1024;

// Takes the form's values into deviceSettings and rewrites the configuration
// file in place in the skeleton of its family and version, keeping its length
// (the text, then NUL bytes). Returns 1 when the file was rewritten and the
// bytes have reached the device (flushed and closed without error), else 0.
// A write, flush or close that fails puts the file's old bytes, kept by
// readDeviceFiles, back in place.
//
// Nothing is written when the family and version have no skeleton, when the
// new text is longer than the file (a cut text would lose the settings after
// the cut) or when the file is longer than the output buffer.
std::int32_t writeDeviceConfig(platform::DialogHandle form);

}  // namespace device
