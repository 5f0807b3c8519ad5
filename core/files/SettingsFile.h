#pragma once

#include "model/ECU.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {

// The ECU settings file: four raw image regions, 163840 bytes, no header.
namespace SettingsFile {

inline constexpr int kFileSize = 163840;

struct Region {
    int fileOffset;
    int imageOffset;
    int length;
};
inline constexpr Region kRegions[4] = {
    {0x00000, 0x08000, 0xB000}, // logic area
    {0x0B000, 0x13000, 0xB000}, // names of elements 1577..3453
    {0x16000, 0x00000, 0x8000}, // usage words, settings, pin table, properties, constants
    {0x1E000, 0x20000, 0xA000}, // page names and names of elements 0..1576
};

// The file's bytes as the image holds them now.
std::vector<uint8_t> fromImage(const tECU& ecu);
// Copies file bytes into the four image regions; needs at least kFileSize bytes.
// Touches neither the sync marks nor the flags.
void toImage(tECU& ecu, const std::vector<uint8_t>& bytes);

// Reads a settings file. A file too short to hold all four regions is refused:
// loading part of it over the current configuration would mix two configurations.
// Bytes after the four regions are ignored.
bool read(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Reads a settings file into the image and rebuilds the index (with depths and link
// flags). On failure the image is left exactly as it was.
bool load(tECU& ecu, const std::string& path, std::string& error);

// Writes the four regions atomically.
bool save(const tECU& ecu, const std::string& path, std::string& error);

} // namespace SettingsFile
} // namespace zolmar
