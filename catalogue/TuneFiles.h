// Title files and their zip archives: classify, time, copy, pack and unpack single titles.
#pragma once
#include "CatalogueViews.h"
#include "cmpMidiData.h"
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// File types answered by CheckMIDIHeader.
enum : int { mfUnreadable = -1, mfOther = 0, mfStandardMidi = 1, mfRiffMidi = 2 };

// The main window owns one; the catalogue store reaches it without knowing the window.
class TTuneFiles : public TTuneZipper {
public:
  TTuneFiles();

  // Copies a whole file; refuses (false, with an error box) when both name the same file. Stream
  // errors pass to the caller.
  bool CopyTuneFile(const std::string& source, const std::string& target);
  // 1 Standard MIDI File, 2 RIFF, 0 anything else (also fewer than 4 bytes), -1 empty or
  // unreadable.
  static int CheckMIDIHeader(const std::string& path, int64_t& size);
  // Whole seconds, or -1 when the file cannot be read as MIDI.
  int GetMIDIDuration(const std::string& path);
  // Packs one file under its bare name, deflated at maximum compression, replacing the archive.
  bool ZipOneFile(const std::string& file, const std::string& archive) override;
  // Packs files under their bare names; ".zip" is appended unless the name holds ".ZIP". A file
  // whose bare name is already in the archive is left out (the caller counts them by comparing
  // the list with ArchiveEntryCount).
  bool ZipFileList(const std::vector<std::string>& files, const std::string& archive);
  // Number of entries of an archive; -1 when it cannot be read.
  static int ArchiveEntryCount(const std::string& archive);
  // Extracts the one entry of an archive into a folder, under its bare name only.
  bool UnzipSingleFile(const std::string& archive, const std::string& folder, std::string& message,
                       std::string& extractedPath) override;

  TMidiData& MidiData1() { return FMidiData; }

  // The main window's message box; a plain box when unset.
  std::function<TMessageAnswer(const std::string& text, TMessageKind kind, int helpContext,
                               TMessageButtons buttons)>
      OnMessageBox;
  // Packing progress, 0 to 100; ZipFileList starts it at 0.
  std::function<void(int percent)> OnProgress;
  // Polled while packing; true ends the packing (the program is shutting down).
  std::function<bool()> OnAbortQuery;

private:
  bool WriteArchive(const std::vector<std::string>& files, const std::string& archive);
  TMidiData FMidiData;
};

// An entry's stored name reduced to a bare file name: no drive, no folders of either separator;
// empty when nothing safe is left (a folder entry, "..", dots only).
std::string BareEntryName(const std::string& stored);
