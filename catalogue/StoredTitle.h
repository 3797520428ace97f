// Checks that a title's stored archive still holds the very file its record names, byte for byte.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// What is wrong with a stored archive (a one-file zip), as a phrase for the user; empty when its
// file unpacks whole and its CRC-32 agrees with the zip header's and, unless 0, with recordCrc.
std::string StoredTitleFault(std::string_view archive, uint32_t recordCrc);
