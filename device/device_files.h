#pragma once
// The device's files, named relative to its root, and how their paths are formed.

#include <cstdint>

namespace device {

constexpr char CONFIG_FILE_PATH[] = "doc\\global-config.cfg";
constexpr char STATUS_FILE_PATH[] = "doc\\status.st";
constexpr char UPDATE_SLOT_PATH[] = "doc\\update.bin";
constexpr char UPDATE_CHECKSUM_PATH[] = "doc\\update.md5";

constexpr std::uint32_t DEVICE_PATH_CAPACITY = 1024;
// Device files are read in chunks of this size.
constexpr std::uint32_t DEVICE_CHUNK_SIZE = 1024;

// Joins deviceRoot and a relative path into path (DEVICE_PATH_CAPACITY bytes).
// False, with an empty path, when the result would not fit.
bool formatDevicePath(char* path, const char* relativePath);

}  // namespace device
