#pragma once

// The base types, result codes and error numbers of the desktop system's calls, as the
// platform layer's interfaces use them, and the wide (UTF-16) texts those calls take.
//
// Texts: "ANSI" texts are the system code page, that is UTF-8 bytes in a std::string
// or a char buffer. Wide texts are UTF-16 (WCHAR = char16_t). A name whose bytes are
// not valid UTF-8 travels through wide texts with each stray byte 0xXY held as the
// lone surrogate U+DCXY, so that WideFromSystem and SystemFromWide give back the
// original bytes.

#include <cstdint>
#include <string>
#include <string_view>

class QWidget;

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LPARAM = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using UINT_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LRESULT = std::intptr_t;
using WCHAR = char16_t;
using LPWSTR = WCHAR *;
using LPCWSTR = const WCHAR *;
using HWND = QWidget *;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);

constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_NOT_SAME_DEVICE = 17;
constexpr DWORD ERROR_WRITE_PROTECT = 19;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_BUSY = 170;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_DIRECTORY = 267;
constexpr DWORD ERROR_NO_SYSTEM_RESOURCES = 1450;

constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}
constexpr HRESULT HRESULT_FROM_WIN32(DWORD error)
{
    return error == 0 ? S_OK : static_cast<HRESULT>((error & 0xFFFF) | 0x80070000);
}
// A success code that carries a 16-bit value, the way CompareIDs answers.
constexpr HRESULT MAKE_SCODE_SUCCESS(std::uint16_t code)
{
    return code;
}

// UTF-8 bytes to UTF-16, stray bytes kept as lone surrogates U+DC80..U+DCFF.
std::u16string WideFromSystem(std::string_view bytes);
// The reverse: UTF-16 to UTF-8, U+DC80..U+DCFF back to their bytes; other unpaired
// surrogates become U+FFFD.
std::string SystemFromWide(std::u16string_view text);
