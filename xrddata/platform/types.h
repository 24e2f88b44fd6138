// Basic framework types under their Windows names, so that code written against the class interface reads the same.
// Fixed-width where the on-disk or interface size matters (LONG and DWORD are 32-bit, as on Windows).
#pragma once

#include <cstdint>
#include <string>

#include "xrddata/platform/export.h"

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using HRESULT = std::int32_t;
using HANDLE = void*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Opaque handles: distinct pointer types, as in the framework.
struct HWND__;
using HWND = HWND__*;
struct HKEY__;
using HKEY = HKEY__*;

// Strings are UTF-8 bytes held in std::string.
using CString = std::string;
