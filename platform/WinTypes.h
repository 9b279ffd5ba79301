#pragma once
// The Windows scalar types the station's classes are declared with.
#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = unsigned int;
using LONG = int32_t;
using BOOL = int;
inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
// Seconds since 1970-01-01 UTC, as the framework's 64-bit time value.
using Time64 = int64_t;
