// The runtime's wave output, replaced: calls serialised under one lock, each open device's
// sample size recorded, and written buffers passed through a volume and mute stage.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

namespace leafmark::replacements {

MMRESULT WINAPI GuardedWaveOutOpen(LPHWAVEOUT device, UINT deviceId, LPCWAVEFORMATEX format,
                                   DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
MMRESULT WINAPI ScaledWaveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT headerSize);
MMRESULT WINAPI GuardedWaveOutClose(HWAVEOUT device);

// Scales PCM samples in place to volume percent: unsigned 8-bit around 128, signed 16-bit
// around 0 (an odd last byte is left alone); other sizes are left alone. Truncates toward
// zero; at 100 every sample keeps its value.
void ScaleSamples(std::uint8_t* data, std::uint32_t length, unsigned bytesPerSample,
                  int volume) noexcept;

}  // namespace leafmark::replacements
