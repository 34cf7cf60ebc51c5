#pragma once
// The FAT32 boot sector from which Wine takes the simulated radio's volume
// serial number, file-system name and label.

#include <cstdint>
#include <string>

namespace simulator {

// Wine reads this many bytes of a drive's device file to recognise its file system.
constexpr std::size_t BOOT_SECTOR_FILE_SIZE = 2048;

// Writes the first BOOT_SECTOR_FILE_SIZE bytes of a FAT32 volume with the
// given serial number and label (at most 11 characters) to path.
bool writeFat32BootSector(const std::string& path, std::uint32_t serial, const char* label);

}  // namespace simulator
