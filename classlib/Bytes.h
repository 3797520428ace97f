// Little-endian field access and length-prefixed short strings for fixed-size file records.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

inline void PutI32(uint8_t* p, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  p[0] = static_cast<uint8_t>(u);
  p[1] = static_cast<uint8_t>(u >> 8);
  p[2] = static_cast<uint8_t>(u >> 16);
  p[3] = static_cast<uint8_t>(u >> 24);
}
inline void PutU32(uint8_t* p, uint32_t v) {
  PutI32(p, static_cast<int32_t>(v));
}
inline uint32_t GetU32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t GetI32(const uint8_t* p) {
  return static_cast<int32_t>(GetU32(p));
}
inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline uint16_t GetU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline void PutF64(uint8_t* p, double v) {
  uint64_t u;
  std::memcpy(&u, &v, 8);
  for (int i = 0; i < 8; ++i)
    p[i] = static_cast<uint8_t>(u >> (8 * i));
}
inline double GetF64(const uint8_t* p) {
  uint64_t u = 0;
  for (int i = 0; i < 8; ++i)
    u |= static_cast<uint64_t>(p[i]) << (8 * i);
  double v;
  std::memcpy(&v, &u, 8);
  return v;
}

// A short string of room n takes n+1 bytes: a length byte, then the characters. Text longer than
// the room is cut; bytes past the length are zero.
inline void PutShortString(uint8_t* p, int room, const std::string& text) {
  size_t n = text.size() < static_cast<size_t>(room) ? text.size() : static_cast<size_t>(room);
  p[0] = static_cast<uint8_t>(n);
  std::memset(p + 1, 0, room);
  std::memcpy(p + 1, text.data(), n);
}
// A stored length larger than the room is clamped to the room.
inline std::string GetShortString(const uint8_t* p, int room) {
  size_t n = p[0] < room ? p[0] : static_cast<size_t>(room);
  return std::string(reinterpret_cast<const char*>(p + 1), n);
}
// The same into an existing string, so no temporary is built and moved.
inline void AssignShortString(const uint8_t* p, int room, std::string& out) {
  size_t n = p[0] < room ? p[0] : static_cast<size_t>(room);
  out.assign(reinterpret_cast<const char*>(p + 1), n);
}
// Cuts text to a room, as storing it would.
inline std::string CutToRoom(const std::string& text, int room) {
  return text.size() <= static_cast<size_t>(room) ? text : text.substr(0, room);
}
