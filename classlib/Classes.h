// String lists and streams of the class library.
#pragma once
#include "SysUtils.h"
#include <cstdint>
#include <string>
#include <vector>

// An ordered list of strings, each with an attached object pointer. Comparisons ignore ASCII case
// unless CaseSensitive is set; a sorted list keeps its order on Add.
class TStringList {
public:
  enum class TDuplicates { dupIgnore, dupAccept, dupError };

  virtual ~TStringList() = default;
  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& Strings(int index) const;
  void SetStrings(int index, const std::string& value);
  const std::string& operator[](int index) const { return Strings(index); }
  void* Objects(int index) const;
  void SetObjects(int index, void* value);

  int Add(const std::string& s);
  int AddObject(const std::string& s, void* object);
  void AddStrings(const TStringList& other);
  void Insert(int index, const std::string& s);
  void InsertObject(int index, const std::string& s, void* object);
  void Delete(int index);
  void Move(int from, int to);
  void Exchange(int a, int b);
  void Clear();
  int IndexOf(const std::string& s) const;
  int IndexOfObject(const void* object) const;
  bool Find(const std::string& s, int& index) const; // binary search in a sorted list

  bool Sorted() const { return FSorted; }
  void SetSorted(bool value);
  void Sort();
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool value) { FCaseSensitive = value; }
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates value) { FDuplicates = value; }

  // Lines joined with CR LF (a trailing one after the last); set splits at CR, LF or CR LF.
  std::string Text() const;
  void SetText(const std::string& value);
  std::string CommaText() const;
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;
  std::string Values(const std::string& name) const; // "name=value" lines

protected:
  int CompareStrings(const std::string& a, const std::string& b) const;

private:
  struct Item {
    std::string S;
    void* Object;
  };
  void CheckIndex(int index) const;
  std::vector<Item> FItems;
  bool FSorted = false;
  bool FCaseSensitive = false;
  TDuplicates FDuplicates = TDuplicates::dupIgnore;
};

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
public:
  virtual ~TStream() = default;
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t value) { Seek(value, soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t value) = 0;
  // These raise EReadError / EWriteError when fewer bytes move than asked for.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  int64_t CopyFrom(TStream& source, int64_t count); // count 0: the whole source from its start
};

// File open modes: one access mode or'ed with one share mode, or fmCreate.
enum : uint32_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFFFF,
};

class TFileStream : public TStream {
public:
  // Raises EFOpenError / EFCreateError with the file name when the file cannot be had.
  TFileStream(const std::string& fileName, uint32_t mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t value) override;
  void Flush(); // to the disk, not only to the system's cache
  const std::string& FileName() const { return FFileName; }
  void* Handle() const { return FHandle; }

private:
  std::string FFileName;
  void* FHandle;
};

class TMemoryStream : public TStream {
public:
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t value) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void Clear();
  const uint8_t* Memory() const { return FData.data(); }
  std::vector<uint8_t>& Data() { return FData; }
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path);

private:
  std::vector<uint8_t> FData;
  int64_t FPosition = 0;
};
