#include "simulator/radio_sim/boot_sector.h"

#include <cstdio>
#include <cstring>

namespace simulator {

namespace {

void put16(unsigned char* at, std::uint16_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
}

void put32(unsigned char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

}  // namespace

bool writeFat32BootSector(const std::string& path, std::uint32_t serial, const char* label) {
    // The geometry of a 40 MiB stick formatted FAT32 with one sector per
    // cluster; Wine checks that it is plausible before it believes the rest.
    constexpr std::uint32_t TOTAL_SECTORS = 81920;
    constexpr std::uint16_t RESERVED_SECTORS = 32;
    constexpr std::uint32_t SECTORS_PER_FAT = 630;

    unsigned char sector[BOOT_SECTOR_FILE_SIZE] = {};
    sector[0] = 0xEB;  // jump over the parameter block
    sector[1] = 0x58;
    sector[2] = 0x90;
    std::memcpy(sector + 0x03, "MSWIN4.1", 8);
    put16(sector + 0x0B, 512);  // bytes per sector
    sector[0x0D] = 1;           // sectors per cluster
    put16(sector + 0x0E, RESERVED_SECTORS);
    sector[0x10] = 2;     // file allocation tables
    sector[0x15] = 0xF8;  // media descriptor: fixed medium, as USB sticks report
    put16(sector + 0x18, 32);
    put16(sector + 0x1A, 64);
    put32(sector + 0x20, TOTAL_SECTORS);
    put32(sector + 0x24, SECTORS_PER_FAT);
    put32(sector + 0x2C, 2);  // root directory cluster
    put16(sector + 0x30, 1);  // FSInfo sector
    put16(sector + 0x32, 6);  // backup boot sector
    sector[0x40] = 0x80;      // drive number
    sector[0x42] = 0x29;      // extended boot signature: serial and label follow
    put32(sector + 0x43, serial);
    char paddedLabel[12];
    std::snprintf(paddedLabel, sizeof paddedLabel, "%-11.11s", label);
    std::memcpy(sector + 0x47, paddedLabel, 11);
    std::memcpy(sector + 0x52, "FAT32   ", 8);
    sector[0x1FE] = 0x55;
    sector[0x1FF] = 0xAA;

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(sector, 1, sizeof sector, file) == sizeof sector;
    return std::fclose(file) == 0 && written;
}

}  // namespace simulator
