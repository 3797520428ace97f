// CRC-32 of files and memory, as zip archives use it (reflected, polynomial 0xEDB88320).
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Continues a CRC-32 over more bytes; start with 0 (the pre- and post-complement are applied
// inside, as zlib's crc32 does).
uint32_t Crc32Update(uint32_t crc, const void* data, size_t length);

// The CRC-32 of a whole file, read in 65,536-byte blocks. A file that cannot be opened or read
// gives no value (never a number that could pass for a CRC); osError then holds the system's code.
std::optional<uint32_t> FileCRC32(const std::string& path, unsigned long* osError = nullptr);
