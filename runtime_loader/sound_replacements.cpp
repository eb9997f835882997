// Wave output under one lock; the volume and mute settings never change at run time, so the
// runtime's sound reaches the device as it wrote it.
#include "runtime_loader/sound_replacements.h"

#include <cstring>
#include <mutex>
#include <type_traits>
#include <utility>
#include <vector>

namespace leafmark::replacements {
namespace {

static_assert(std::is_same_v<decltype(&GuardedWaveOutOpen), decltype(&::waveOutOpen)>);
static_assert(std::is_same_v<decltype(&ScaledWaveOutWrite), decltype(&::waveOutWrite)>);
static_assert(std::is_same_v<decltype(&GuardedWaveOutClose), decltype(&::waveOutClose)>);

constexpr bool kSoundEnabled = true;
constexpr int kSoundVolume = 100;

// Made on first use, so it exists whenever the runtime first opens a device. Device handles
// are pointer-wide on 64-bit systems; a device's first recorded size is the one used.
struct TSound {
  std::mutex Lock;
  std::vector<std::pair<HWAVEOUT, unsigned>> SampleSizes;
};
TSound& Sound() {
  static TSound sound;
  return sound;
}

}  // namespace

void ScaleSamples(std::uint8_t* data, std::uint32_t length, unsigned bytesPerSample,
                  int volume) noexcept {
  if (data == nullptr || volume == 100) return;
  if (bytesPerSample == 1) {
    for (std::uint32_t i = 0; i < length; ++i) {
      data[i] = static_cast<std::uint8_t>(128 + (data[i] - 128) * volume / 100);
    }
  } else if (bytesPerSample == 2) {
    for (std::uint32_t i = 0; i + 1 < length; i += 2) {
      std::int16_t sample;
      std::memcpy(&sample, data + i, 2);
      sample = static_cast<std::int16_t>(sample * volume / 100);
      std::memcpy(data + i, &sample, 2);
    }
  }
}

MMRESULT WINAPI GuardedWaveOutOpen(LPHWAVEOUT device, UINT deviceId, LPCWAVEFORMATEX format,
                                   DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
  TSound& sound = Sound();
  std::lock_guard guard(sound.Lock);
  const MMRESULT result = ::waveOutOpen(device, deviceId, format, callback, instance, flags);
  if (result == MMSYSERR_NOERROR && device != nullptr && *device != nullptr && format != nullptr) {
    try {
      sound.SampleSizes.emplace_back(*device, format->wBitsPerSample / 8u);
    } catch (...) {
      // Unrecorded, the device's buffers pass unscaled.
    }
  }
  return result;
}

MMRESULT WINAPI ScaledWaveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT headerSize) {
  TSound& sound = Sound();
  std::lock_guard guard(sound.Lock);
  if (header != nullptr && header->lpData != nullptr) {
    auto* data = reinterpret_cast<std::uint8_t*>(header->lpData);
    if (!kSoundEnabled) {
      std::memset(data, 0, header->dwBufferLength);
    } else {
      for (const auto& [recorded, size] : sound.SampleSizes) {
        if (recorded != device) continue;
        ScaleSamples(data, header->dwBufferLength, size, kSoundVolume);
        break;
      }
    }
  }
  return ::waveOutWrite(device, header, headerSize);
}

MMRESULT WINAPI GuardedWaveOutClose(HWAVEOUT device) {
  TSound& sound = Sound();
  std::lock_guard guard(sound.Lock);
  return ::waveOutClose(device);
}

}  // namespace leafmark::replacements
