// A stream over the platform's buffered RIFF file functions, and the reader's file opening.
#pragma once
#include "Classes.h"
#include "cmpMidiData.h"
#include <memory>
#include <string>

TB_DECLARE_EXCEPTION(ERiffStream, EMidiData);

class TRiffStream : public TStream {
public:
  // mode: fmCreate, or an open mode with a share mode (fmOpenRead | fmShareDenyWrite).
  // Raises "Unable to open %s" / "Unable to create %s".
  TRiffStream(const std::string& fileName, uint32_t mode);
  ~TRiffStream() override;
  TRiffStream(const TRiffStream&) = delete;
  TRiffStream& operator=(const TRiffStream&) = delete;

  // Descends into the RIFF chunk of a form type, or into a chunk of the current one; raises
  // "Unable to descend into " + the name.
  void DescendRiff(const std::string& formType);
  void DescendChunk(const std::string& chunkId);
  void Ascend();
  // Size of the innermost chunk descended into (its data only); -1 at the top.
  int64_t ChunkSize() const;

  // A failed read or write counts 0 bytes.
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t value) override;

private:
  void Descend(const std::string& name, bool riff);
  struct TChunks;
  void* FHandle = nullptr;
  std::unique_ptr<TChunks> FChunks;
};

// The clipboard format "OrvendaleMidiTrackData", registered when the program starts.
unsigned MidiTrackClipboardFormat();
