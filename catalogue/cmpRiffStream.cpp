// RIFF access through mmio, and the choice between a RIFF MIDI file and a plain one.
#include "cmpRiffStream.h"
#include <windows.h>
#include <mmsystem.h>
#include <cstring>
#include <vector>

namespace {
const UINT gMidiTrackFormat = RegisterClipboardFormatA("OrvendaleMidiTrackData");
} // namespace

unsigned MidiTrackClipboardFormat() {
  return gMidiTrackFormat;
}

struct TRiffStream::TChunks {
  std::vector<MMCKINFO> List;
};

TRiffStream::TRiffStream(const std::string& fileName, uint32_t mode)
    : FChunks(std::make_unique<TChunks>()) {
  DWORD flags = MMIO_ALLOCBUF;
  if (mode == fmCreate) {
    flags |= MMIO_CREATE | MMIO_READWRITE | MMIO_EXCLUSIVE;
  } else {
    uint32_t access = mode & 0x0F;
    flags |= access == fmOpenWrite       ? MMIO_WRITE
             : access == fmOpenReadWrite ? MMIO_READWRITE
                                         : MMIO_READ;
    switch (mode & 0xF0) {
    case fmShareExclusive:
      flags |= MMIO_EXCLUSIVE;
      break;
    case fmShareDenyWrite:
      flags |= MMIO_DENYWRITE;
      break;
    case fmShareDenyRead:
      flags |= MMIO_DENYREAD;
      break;
    case fmShareDenyNone:
      flags |= MMIO_DENYNONE;
      break;
    default:
      break;
    }
  }
  std::vector<char> name(fileName.begin(), fileName.end());
  name.push_back('\0');
  FHandle = mmioOpenA(name.data(), nullptr, flags);
  if (!FHandle)
    throw ERiffStream((mode == fmCreate ? "Unable to create " : "Unable to open ") + fileName);
}

TRiffStream::~TRiffStream() {
  if (FHandle) mmioClose(static_cast<HMMIO>(FHandle), 0);
}

void TRiffStream::Descend(const std::string& name, bool riff) {
  MMCKINFO ck{};
  FOURCC code = mmioStringToFOURCCA(name.c_str(), 0);
  if (riff)
    ck.fccType = code;
  else
    ck.ckid = code;
  const MMCKINFO* parent = FChunks->List.empty() ? nullptr : &FChunks->List.back();
  if (mmioDescend(static_cast<HMMIO>(FHandle), &ck, parent,
                  riff ? MMIO_FINDRIFF : MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
    throw ERiffStream("Unable to descend into " + name);
  FChunks->List.push_back(ck);
}

void TRiffStream::DescendRiff(const std::string& formType) {
  Descend(formType, true);
}
void TRiffStream::DescendChunk(const std::string& chunkId) {
  Descend(chunkId, false);
}

void TRiffStream::Ascend() {
  if (FChunks->List.empty()) return;
  mmioAscend(static_cast<HMMIO>(FHandle), &FChunks->List.back(), 0);
  FChunks->List.pop_back();
}

int64_t TRiffStream::ChunkSize() const {
  return FChunks->List.empty() ? -1 : int64_t(FChunks->List.back().cksize);
}

int32_t TRiffStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  LONG n = mmioRead(static_cast<HMMIO>(FHandle), static_cast<HPSTR>(buffer), count);
  return n < 0 ? 0 : n;
}

int32_t TRiffStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  LONG n = mmioWrite(static_cast<HMMIO>(FHandle), static_cast<const char*>(buffer), count);
  return n < 0 ? 0 : n;
}

int64_t TRiffStream::Seek(int64_t offset, TSeekOrigin origin) {
  int how = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  return mmioSeek(static_cast<HMMIO>(FHandle), static_cast<LONG>(offset), how);
}

void TRiffStream::SetSize(int64_t) {
  throw EStreamError("RIFF streams cannot change size");
}

namespace {
class TStreamSource : public TMidiSource {
public:
  explicit TStreamSource(std::unique_ptr<TStream> stream) : FStream(std::move(stream)) {}
  int32_t Read(void* buffer, int32_t count) override { return FStream->Read(buffer, count); }

private:
  std::unique_ptr<TStream> FStream;
};
} // namespace

// The file's own first bytes decide whether it is read as RIFF, so that a RIFF MIDI file named
// ".mid" and a plain one named ".rmi" are both read.
std::unique_ptr<TMidiSource> OpenMidiSource(const std::string& fileName, bool& riff) {
  std::unique_ptr<TFileStream> file;
  try {
    file = std::make_unique<TFileStream>(fileName, fmOpenRead | fmShareDenyWrite);
  } catch (const EStreamError&) {
    throw EMidiData("Unable to open " + fileName);
  }
  char id[4] = {};
  riff = file->Read(id, 4) == 4 && std::memcmp(id, "RIFF", 4) == 0;
  if (!riff) {
    file->SetPosition(0);
    return std::make_unique<TStreamSource>(std::move(file));
  }
  file.reset();
  auto stream = std::make_unique<TRiffStream>(fileName, fmOpenRead | fmShareDenyWrite);
  stream->DescendRiff("RMID");
  stream->DescendChunk("data");
  return std::make_unique<TStreamSource>(std::move(stream));
}
