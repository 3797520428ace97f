// Conversion of compressed wave formats to PCM through the audio compression manager, which is
// bound at run time so that the program runs without it (or with an old one).
#pragma once
#include <cstdint>
#include <string>

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

// Binds "MSACM32.DLL" (done at start-up). Tests bind another name to stand for a missing one;
// rebinding releases the library bound before.
void BindACM(const std::string& libraryName = "MSACM32.DLL");
void ReleaseACM();
// Whether "acmGetVersion" was found, and the version it gave (0 when none).
bool ACMPresent();
uint32_t ACMVersion();
// The entry point looked up under that name, or nullptr.
FARPROC ACMEntry(const std::string& name);

// One stage of a conversion: its stream and header (whose user words keep the prepared lengths).
struct TACMStage {
  HACMSTREAM Stream = nullptr;
  ACMSTREAMHEADER Header{};
  uint8_t* Output = nullptr;
};

struct TACMConvert {
  uint8_t* SrcBuffer = nullptr;
  int32_t SrcBlock = 0;         // bytes taken per conversion
  uint8_t* DstBuffer = nullptr; // the last stage's output
  int32_t DstLength = 0;
  int32_t Converted = 0; // the length converted last
  int32_t Reserved = 0;
  int Stages = 0;
  WAVEFORMATEX* PCMFormat = nullptr;
  TACMStage Stage[2];
};

bool NeedsConversion(const WAVEFORMATEX* source, const WAVEFORMATEX* target, bool sameRate);
// The PCM format the manager suggests for source (a copy when source is PCM); false when none.
bool SuggestPCMFormat(const WAVEFORMATEX* source, WAVEFORMATEX& pcm);
bool CanConvert(const WAVEFORMATEX* source, const WAVEFORMATEX* target, bool sameRate);
// Converts from the caller's buffer of bufferSize bytes; nullptr when no conversion can be made.
TACMConvert* OpenConversion(const WAVEFORMATEX* source, const WAVEFORMATEX* target, void* srcBuffer,
                            int32_t bufferSize, bool sameRate);
// Converts length bytes of the source buffer; the output length, or -1 on failure.
int32_t Convert(TACMConvert* record, int32_t length);
void CloseConversion(TACMConvert*& record);
