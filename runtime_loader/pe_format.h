// Numbers of the PE/COFF format that the image core and its users need.
#pragma once

#include <cstdint>

namespace leafmark::pe {

inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;

inline constexpr std::uint16_t kMagicPe32 = 0x010B;
inline constexpr std::uint16_t kMagicPe32Plus = 0x020B;

inline constexpr std::uint16_t kFileRelocsStripped = 0x0001;
inline constexpr std::uint16_t kFileDll = 0x2000;

// Data directory indices.
inline constexpr int kDirExport = 0;
inline constexpr int kDirImport = 1;
inline constexpr int kDirResource = 2;
inline constexpr int kDirException = 3;
inline constexpr int kDirBaseReloc = 5;
inline constexpr int kDirectoryCount = 16;

inline constexpr std::uint16_t kRelBasedAbsolute = 0;
inline constexpr std::uint16_t kRelBasedDir64 = 10;

inline constexpr std::uint16_t kResourceTypeVersion = 16;

// Entry-point reasons.
inline constexpr std::uint32_t kDllProcessDetach = 0;
inline constexpr std::uint32_t kDllProcessAttach = 1;
inline constexpr std::uint32_t kDllThreadAttach = 2;

}  // namespace leafmark::pe
