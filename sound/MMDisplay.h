// What the sound displays share: the channel choice and the reading of PCM sample frames as
// signed 16-bit values.
#pragma once
#include "MMObj.h"
#include "MMStrings.h"
#include "MMUtils.h"
#include "MMWavIn.h"
#include <cstdint>
#include <cstdlib>

enum TMMChannel { chBoth, chLeft, chRight };

// Sample frame i of a block as a signed 16-bit value (8-bit as (byte - 128) x 256); stereo data
// gives the chosen channel or, for chBoth, the mean (16-bit toward zero, 8-bit floored before the
// shift). Answered in 32 bits so that the level of -32768 stays 32768.
inline int32_t PcmFrameValue(const void* data, int i, TMMBits bits, TMMMode mode,
                             TMMChannel channel) {
  if (bits == b16Bit) {
    const int16_t* s = static_cast<const int16_t*>(data);
    if (mode == mMono) return s[i];
    const int32_t l = s[2 * i], r = s[2 * i + 1];
    if (channel == chLeft) return l;
    if (channel == chRight) return r;
    return (l + r) / 2;
  }
  const uint8_t* b = static_cast<const uint8_t*>(data);
  if (mode == mMono) return (int32_t(b[i]) - 128) * 256;
  const int32_t l = b[2 * i], r = b[2 * i + 1];
  if (channel == chLeft) return (l - 128) * 256;
  if (channel == chRight) return (r - 128) * 256;
  return ((l + r) / 2 - 128) * 256;
}

// Takes a PCM format into a display: its sample size, channels and (where the display has one) its
// rate. A format that is not plain PCM raises TError with the library's text and changes nothing.
template <class TError, class TDisplay>
void TakePcmFormat(TDisplay& display, const WAVEFORMATEX* format) {
  if (!PcmFormatValid(format)) throw TError(LoadLibraryString(MMS_INVALID_WAVEFORMAT));
  if constexpr (requires { display.SetSampleRate(0); })
    display.SetSampleRate(int(format->nSamplesPerSec));
  display.SetBitLength(static_cast<TMMBits>(format->wBitsPerSample / 8 - 1));
  display.SetMode(static_cast<TMMMode>(format->nChannels - 1));
}
