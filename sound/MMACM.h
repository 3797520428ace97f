// Conversion of compressed wave formats to PCM through the audio compression manager, which is
// bound at run time so that the program runs without it (or with an old one).
#pragma once
#include "Handles.h"
#include "MMUtils.h"
#include <cstdint>
#include <string>
#include <vector>

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

// An open conversion stream, closed at the end.
struct TACMStreamTraits {
  using THandle = HACMSTREAM;
  static HACMSTREAM Empty() noexcept { return nullptr; }
  static bool Valid(HACMSTREAM h) noexcept { return h != nullptr; }
  static void Close(HACMSTREAM h) noexcept;
};
using TACMStream = TUniqueHandle<TACMStreamTraits>;

// A stream header prepared on its stream, unprepared at the end with the lengths it was
// prepared with (kept in its user words): the manager checks them.
class TACMPreparedHeader {
public:
  TACMPreparedHeader() = default;
  ~TACMPreparedHeader() { Unprepare(); }
  TACMPreparedHeader(const TACMPreparedHeader&) = delete;
  TACMPreparedHeader& operator=(const TACMPreparedHeader&) = delete;
  bool Prepare(HACMSTREAM stream, ACMSTREAMHEADER& header);
  void Unprepare() noexcept;

private:
  HACMSTREAM FStream = nullptr;
  ACMSTREAMHEADER* FHeader = nullptr;
};

// One stage of a conversion: its stream, output and header, given back in that order's reverse.
struct TACMStage {
  TACMStream Stream;
  std::vector<uint8_t> Output;
  ACMSTREAMHEADER Header{};
  TACMPreparedHeader Prepared;
};

struct TACMConvert {
  uint8_t* SrcBuffer = nullptr;
  int32_t SrcBlock = 0;         // bytes taken per conversion
  uint8_t* DstBuffer = nullptr; // the last stage's output
  int32_t DstLength = 0;
  int32_t Converted = 0; // the length converted last
  int32_t Reserved = 0;
  int Stages = 0;
  TGlobalMem<WAVEFORMATEX> PCMFormat;
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
