// Wave format records and searches over PCM sample buffers.
#include "MMUtils.h"
#include <cstring>
#include <utility>

namespace {

// Sample size in bytes and channel count of a searchable PCM format; false for anything else.
bool PcmShape(const WAVEFORMATEX* format, int& sampleBytes, int& channels) {
  if (!format || format->wFormatTag != WAVE_FORMAT_PCM) return false;
  if (format->wBitsPerSample != 8 && format->wBitsPerSample != 16) return false;
  if (format->nChannels != 1 && format->nChannels != 2) return false;
  sampleBytes = format->wBitsPerSample / 8;
  channels = format->nChannels;
  return true;
}

// Sample at a byte offset: 8-bit unsigned as it is, 16-bit signed.
int SampleAt(const uint8_t* p, int offset, int sampleBytes) {
  if (sampleBytes == 1) return p[offset];
  int16_t v;
  std::memcpy(&v, p + offset, 2);
  return v;
}

bool Crosses(int a, int b, int threshold, bool rising) {
  return rising ? (threshold > a && threshold <= b) : (threshold < a && threshold >= b);
}

} // namespace

int WaveFormatSize(const WAVEFORMATEX* format) {
  if (!format) return 0;
  if (format->wFormatTag == WAVE_FORMAT_PCM) return 16;
  return static_cast<int>(sizeof(WAVEFORMATEX)) + format->cbSize;
}

TGlobalMem<WAVEFORMATEX> DuplicateWaveFormat(const WAVEFORMATEX* format) {
  int size = WaveFormatSize(format);
  if (size < 1) return nullptr;
  size_t room = size < static_cast<int>(sizeof(WAVEFORMATEX)) ? sizeof(WAVEFORMATEX) : size;
  auto copy = GlobalAllocHeld<WAVEFORMATEX>(room);
  std::memcpy(copy.get(), format, size);
  return copy;
}

int BytesToMilliseconds(const WAVEFORMATEX* format, int32_t bytes) {
  if (!format || format->nAvgBytesPerSec == 0) return 0;
  return MulDivRound(bytes, 1000, static_cast<int32_t>(format->nAvgBytesPerSec));
}

bool PcmFormatValid(const WAVEFORMATEX* format) {
  return format && format->wFormatTag == WAVE_FORMAT_PCM &&
         (format->wBitsPerSample == 8 || format->wBitsPerSample == 16) &&
         (format->nChannels == 1 || format->nChannels == 2) && format->nSamplesPerSec >= 4000 &&
         format->nSamplesPerSec <= 100000;
}

void BuildPcmFormat(WAVEFORMATEX& record, int bits, int channels, int rate) {
  record.wFormatTag = WAVE_FORMAT_PCM;
  record.nChannels = static_cast<WORD>(channels);
  record.nSamplesPerSec = static_cast<DWORD>(rate);
  record.wBitsPerSample = static_cast<WORD>(bits);
  record.nBlockAlign = static_cast<WORD>(bits * channels / 8);
  record.nAvgBytesPerSec = record.nBlockAlign * record.nSamplesPerSec;
  record.cbSize = 0;
}

int FindTriggerPoint(const WAVEFORMATEX* format, const void* data, int bytes, int level, int mode,
                     int channel) {
  int sampleBytes, channels;
  if (mode != 1 && mode != 2) return -1;
  if (bytes <= 0 || !data || !PcmShape(format, sampleBytes, channels)) return -1;
  const bool rising = mode == 1;
  if (!rising) level = -level;
  // Rounded in double precision, as the x87 unit would otherwise keep extra bits.
  volatile double scaled = level * 1.27;
  const int threshold = sampleBytes == 1 ? 128 + Round(scaled) : level * 327;
  const int frame = sampleBytes * channels;
  const int frames = bytes / frame;
  const auto* p = static_cast<const uint8_t*>(data);
  const bool left = channels == 1 || channel != 2;
  const bool right = channels == 2 && channel != 1;
  // The last sample never ends a crossing: one more must follow b.
  for (int i = 0; i + 2 < frames; ++i) {
    int a = i * frame, b = (i + 1) * frame;
    if (left &&
        Crosses(SampleAt(p, a, sampleBytes), SampleAt(p, b, sampleBytes), threshold, rising))
      return b;
    if (right && Crosses(SampleAt(p, a + sampleBytes, sampleBytes),
                         SampleAt(p, b + sampleBytes, sampleBytes), threshold, rising))
      return b + sampleBytes;
  }
  return -1;
}

void FindMinMax(int bytes, const void* data, const WAVEFORMATEX* format, int& left1, int& left2,
                int& right1, int& right2) {
  left1 = left2 = right1 = right2 = 0;
  int sampleBytes, channels;
  if (!PcmShape(format, sampleBytes, channels)) return;
  const int frame = sampleBytes * channels;
  const int frames = bytes > 0 && data ? bytes / frame : 0;
  const int bias = sampleBytes == 1 ? 128 : 0;
  const int start = sampleBytes == 1 ? 127 : 32767;
  const auto* p = static_cast<const uint8_t*>(data);
  int results[2][2];
  for (int c = 0; c < channels; ++c) {
    int mn = start, mx = -start, mnAt = 0, mxAt = 0;
    for (int i = 0; i < frames; ++i) {
      int s = SampleAt(p, i * frame + c * sampleBytes, sampleBytes) - bias;
      if (s < mn) mn = s, mnAt = i;
      if (s > mx) mx = s, mxAt = i;
    }
    if (mxAt < mnAt) std::swap(mn, mx);
    results[c][0] = mn + bias;
    results[c][1] = mx + bias;
  }
  if (channels == 1) results[1][0] = results[0][0], results[1][1] = results[0][1];
  left1 = results[0][0];
  left2 = results[0][1];
  right1 = results[1][0];
  right2 = results[1][1];
}
