// Run-time binding of the audio compression manager and conversion to PCM.
#include "MMACM.h"
#include "MMUtils.h"
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace {

const char* const EntryNames[] = {"acmGetVersion",           "acmMetrics",
                                  "acmDriverEnum",           "acmDriverDetailsA",
                                  "acmDriverAddA",           "acmDriverRemove",
                                  "acmDriverOpen",           "acmDriverClose",
                                  "acmDriverMessage",        "acmDriverID",
                                  "acmDriverPriority",       "acmFormatTagDetailsA",
                                  "acmFormatTagEnumA",       "acmFormatChooseA",
                                  "acmFormatDetailsA",       "acmFormatEnumA",
                                  "acmFormatSuggest",        "acmFilterTagDetailsA",
                                  "acmFilterTagEnumA",       "acmFilterChooseA",
                                  "acmFilterDetailsA",       "acmFilterEnumA",
                                  "acmStreamOpen",           "acmStreamClose",
                                  "acmStreamSize",           "acmStreamConvert",
                                  "acmStreamReset",          "acmStreamPrepareHeader",
                                  "acmStreamUnprepareHeader"};

struct TBinding {
  TModule Library;
  bool Present = false;
  uint32_t Version = 0;
  std::map<std::string, FARPROC> Entries;
  decltype(&acmMetrics) Metrics = nullptr;
  decltype(&acmFormatSuggest) FormatSuggest = nullptr;
  decltype(&acmStreamOpen) StreamOpen = nullptr;
  decltype(&acmStreamClose) StreamClose = nullptr;
  decltype(&acmStreamSize) StreamSize = nullptr;
  decltype(&acmStreamConvert) StreamConvert = nullptr;
  decltype(&acmStreamPrepareHeader) PrepareHeader = nullptr;
  decltype(&acmStreamUnprepareHeader) UnprepareHeader = nullptr;
};

TBinding& ACM() {
  static TBinding b;
  return b;
}

// The manager is usable only from version 2.00 on, with every helper's entry point found.
bool Usable() {
  const TBinding& b = ACM();
  return b.Present && (b.Version >> 16) >= 0x0200 && b.Metrics && b.FormatSuggest && b.StreamOpen &&
         b.StreamClose && b.StreamSize && b.StreamConvert && b.PrepareHeader && b.UnprepareHeader;
}

template <class F> void Look(F& target, const char* name) {
  target = reinterpret_cast<F>(reinterpret_cast<void*>(ACMEntry(name)));
}

bool IsPCM(const WAVEFORMATEX* f) {
  return f->wFormatTag == WAVE_FORMAT_PCM;
}

void CopyFormat(const WAVEFORMATEX* source, WAVEFORMATEX& target) {
  std::memset(&target, 0, sizeof target);
  std::memcpy(&target, source, Min(WaveFormatSize(source), int(sizeof target)));
  if (IsPCM(&target)) target.cbSize = 0;
}

bool SuggestInto(const WAVEFORMATEX* source, WAVEFORMATEX* pcm, DWORD size) {
  std::memset(pcm, 0, size);
  pcm->wFormatTag = WAVE_FORMAT_PCM;
  return ACM().FormatSuggest(nullptr, const_cast<WAVEFORMATEX*>(source), pcm, size,
                             ACM_FORMATSUGGESTF_WFORMATTAG) == 0;
}

// Opens a stage from source to target, reading srcLength bytes at src.
// An open that fails may leave anything in the handle: the holder must not close it.
bool OpenStream(TACMStream& stream, const WAVEFORMATEX* from, const WAVEFORMATEX* to) {
  if (ACM().StreamOpen(stream.Put(), nullptr, const_cast<WAVEFORMATEX*>(from),
                       const_cast<WAVEFORMATEX*>(to), nullptr, 0, 0, 0) == 0)
    return true;
  stream.Release();
  return false;
}

bool OpenStage(TACMStage& stage, const WAVEFORMATEX* source, const WAVEFORMATEX* target,
               uint8_t* src, DWORD srcLength) {
  TBinding& b = ACM();
  if (!OpenStream(stage.Stream, source, target)) return false;
  DWORD outSize = 0;
  if (b.StreamSize(stage.Stream.Get(), srcLength, &outSize, ACM_STREAMSIZEF_SOURCE) != 0 ||
      outSize == 0)
    return false;
  stage.Output.assign(outSize, 0);
  ACMSTREAMHEADER& h = stage.Header;
  std::memset(&h, 0, sizeof h);
  h.cbStruct = sizeof h;
  h.pbSrc = src;
  h.cbSrcLength = srcLength;
  h.dwSrcUser = srcLength;
  h.pbDst = stage.Output.data();
  h.cbDstLength = outSize;
  h.dwDstUser = outSize;
  return stage.Prepared.Prepare(stage.Stream.Get(), h);
}

} // namespace

void TACMStreamTraits::Close(HACMSTREAM h) noexcept {
  if (ACM().StreamClose) ACM().StreamClose(h, 0);
}

bool TACMPreparedHeader::Prepare(HACMSTREAM stream, ACMSTREAMHEADER& header) {
  Unprepare();
  if (ACM().PrepareHeader(stream, &header, 0) != 0) return false;
  FStream = stream;
  FHeader = &header;
  return true;
}

void TACMPreparedHeader::Unprepare() noexcept {
  ACMSTREAMHEADER* h = std::exchange(FHeader, nullptr);
  if (!h || !(h->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) || !ACM().UnprepareHeader) return;
  h->cbSrcLength = static_cast<DWORD>(h->dwSrcUser);
  h->cbDstLength = static_cast<DWORD>(h->dwDstUser);
  ACM().UnprepareHeader(FStream, h, 0);
}

void ReleaseACM() {
  ACM() = TBinding{};
}

void BindACM(const std::string& libraryName) {
  ReleaseACM();
  TBinding& b = ACM();
  const UINT mode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  TModule library(LoadLibraryA(libraryName.c_str()));
  SetErrorMode(mode);
  if (reinterpret_cast<uintptr_t>(library.Get()) < 32) {
    library.Release(); // no library: nothing to free
    return;
  }
  FARPROC version = GetProcAddress(library.Get(), "acmGetVersion");
  if (version) {
    b.Present = true;
    b.Version = reinterpret_cast<DWORD(WINAPI*)()>(reinterpret_cast<void*>(version))();
  }
  if (!version || (b.Version >> 16) < 0x0200) return; // too old: freed with its holder
  b.Library = std::move(library);
  for (const char* name : EntryNames)
    b.Entries[name] = GetProcAddress(b.Library.Get(), name);
  Look(b.Metrics, "acmMetrics");
  Look(b.FormatSuggest, "acmFormatSuggest");
  Look(b.StreamOpen, "acmStreamOpen");
  Look(b.StreamClose, "acmStreamClose");
  Look(b.StreamSize, "acmStreamSize");
  Look(b.StreamConvert, "acmStreamConvert");
  Look(b.PrepareHeader, "acmStreamPrepareHeader");
  Look(b.UnprepareHeader, "acmStreamUnprepareHeader");
}

bool ACMPresent() {
  return ACM().Present;
}

uint32_t ACMVersion() {
  return ACM().Version;
}

FARPROC ACMEntry(const std::string& name) {
  auto it = ACM().Entries.find(name);
  return it == ACM().Entries.end() ? nullptr : it->second;
}

bool NeedsConversion(const WAVEFORMATEX* source, const WAVEFORMATEX* target, bool sameRate) {
  if (!source || !target) return false;
  if (!IsPCM(source)) return true;
  if (sameRate) return false;
  return source->wBitsPerSample != target->wBitsPerSample ||
         source->nChannels != target->nChannels || source->nSamplesPerSec != target->nSamplesPerSec;
}

bool SuggestPCMFormat(const WAVEFORMATEX* source, WAVEFORMATEX& pcm) {
  if (!source) return false;
  if (IsPCM(source)) {
    CopyFormat(source, pcm);
    return true;
  }
  if (!Usable()) return false;
  return SuggestInto(source, &pcm, sizeof pcm);
}

// Whether a stream between the two formats opens (opened and closed: Wine answers a query
// with success where the open fails).
bool StreamOpens(const WAVEFORMATEX* from, const WAVEFORMATEX* to) {
  TACMStream stream;
  return OpenStream(stream, from, to);
}

bool CanConvert(const WAVEFORMATEX* source, const WAVEFORMATEX* target, bool sameRate) {
  if (!Usable() || !source || !target) return false;
  if (!NeedsConversion(source, target, sameRate)) return true;
  WAVEFORMATEX pcm;
  if (!SuggestPCMFormat(source, pcm)) return false;
  // The source's own stage must open too: the manager suggests PCM even for a tag that no
  // driver decodes.
  if (!IsPCM(source) && !StreamOpens(source, &pcm)) return false;
  if (!NeedsConversion(&pcm, target, sameRate)) return true;
  return StreamOpens(&pcm, target);
}

TACMConvert* OpenConversion(const WAVEFORMATEX* source, const WAVEFORMATEX* target, void* srcBuffer,
                            int32_t bufferSize, bool sameRate) {
  if (!Usable() || !source || source->nBlockAlign == 0) return nullptr;
  auto r = std::make_unique<TACMConvert>();
  bool ok = false;
  try {
    DWORD maxSize = 0;
    if (ACM().Metrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &maxSize) == 0) {
      maxSize = Max(int(maxSize), int(sizeof(WAVEFORMATEX)));
      r->PCMFormat = GlobalAllocHeld<WAVEFORMATEX>(maxSize);
      r->SrcBuffer = static_cast<uint8_t*>(srcBuffer);
      r->SrcBlock = bufferSize / source->nBlockAlign * source->nBlockAlign;
      uint8_t* feed = r->SrcBuffer;
      DWORD feedLength = r->SrcBlock;
      ok = r->SrcBlock > 0;
      if (ok && IsPCM(source)) {
        std::memcpy(r->PCMFormat.get(), source, Min(WaveFormatSize(source), int(maxSize)));
        r->PCMFormat->cbSize = 0;
      } else if (ok) {
        ok = SuggestInto(source, r->PCMFormat.get(), maxSize) &&
             OpenStage(r->Stage[0], source, r->PCMFormat.get(), feed, feedLength);
        if (ok) {
          r->Stages = 1;
          feed = r->Stage[0].Output.data();
          feedLength = r->Stage[0].Header.cbDstLength;
        }
      }
      if (ok && target && NeedsConversion(r->PCMFormat.get(), target, sameRate)) {
        ok = OpenStage(r->Stage[r->Stages], r->PCMFormat.get(), target, feed, feedLength);
        if (ok) ++r->Stages;
      }
      ok = ok && r->Stages > 0;
    }
  } catch (...) {
    ok = false;
  }
  if (!ok) return nullptr;
  r->DstBuffer = r->Stage[r->Stages - 1].Output.data();
  return r.release();
}

int32_t Convert(TACMConvert* r, int32_t length) {
  if (!r || r->Stages == 0) return -1;
  length = Min(Max(length, 0), r->SrcBlock);
  for (int i = 0; i < r->Stages; ++i) {
    TACMStage& s = r->Stage[i];
    s.Header.cbSrcLength = static_cast<DWORD>(length);
    if (ACM().StreamConvert(s.Stream.Get(), &s.Header, ACM_STREAMCONVERTF_BLOCKALIGN) != 0)
      return -1;
    // A synchronous stream is done on return; an asynchronous one would finish soon after.
    for (int wait = 0; !(s.Header.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE); ++wait) {
      if (wait > 5000) return -1;
      Sleep(0);
    }
    length = static_cast<int32_t>(s.Header.cbDstLengthUsed);
  }
  r->DstLength = length;
  r->Converted = length;
  return length;
}

void CloseConversion(TACMConvert*& r) {
  // Each stage gives back its header, output and stream.
  std::unique_ptr<TACMConvert> record(std::exchange(r, nullptr));
}
