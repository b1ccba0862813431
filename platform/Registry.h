// Registry stand-in: the few registry calls the component makes, with the
// platform's semantics (size queries included), backed by a file in the
// Windows ".reg" export format.
//
// The file is $QUIRAVEL_REGISTRY, or $XDG_CONFIG_HOME/quiravel/registry.reg
// (~/.config/quiravel/registry.reg) when that is unset. It is read on every
// RegOpenKeyA/RegCreateKeyA (nothing is cached across keys) and written back
// by every change. Both "Windows Registry Editor Version 5.00" (UTF-16LE with
// BOM, or UTF-8) and "REGEDIT4" files are read; files are written as UTF-8
// version 5.00.
//
// Values the file lacks fall back to what this system knows:
// HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion and
// ...\Windows\CurrentVersion "RegisteredOwner" answer the user's full name
// from the password database (the user name when it has none); nothing else
// falls back.
//
// The A functions pass names and text data in the ANSI code page
// (Windows-1252).
#pragma once

#include <QString>
#include <cstdint>

using HKEY = struct RegistryKey *;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t(0x80000000u));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t(0x80000001u));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t(0x80000002u));

inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::int32_t ERROR_SUCCESS = 0;
inline constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::int32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::int32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::int32_t ERROR_MORE_DATA = 234;

/// Opens an existing key; ERROR_FILE_NOT_FOUND leaves *result at 0.
std::int32_t RegOpenKeyA(HKEY parent, const char *subKey, HKEY *result);
/// Opens a key, creating it (and its parents) when missing.
std::int32_t RegCreateKeyA(HKEY parent, const char *subKey, HKEY *result);
/// With `data` null: *size := bytes needed (text with its NUL). With a
/// buffer too small: ERROR_MORE_DATA and *size := bytes needed. `value`
/// null or empty names the key's default value.
std::int32_t RegQueryValueExA(HKEY key, const char *value, std::uint32_t *reserved, std::uint32_t *type,
                              std::uint8_t *data, std::uint32_t *size);
std::int32_t RegSetValueExA(HKEY key, const char *value, std::uint32_t reserved, std::uint32_t type,
                            const std::uint8_t *data, std::uint32_t size);
/// Deletes `subKey` of `key` with everything under it.
std::int32_t RegDeleteTreeA(HKEY key, const char *subKey);
std::int32_t RegCloseKey(HKEY key);

namespace Registry {
/// The backing file in use now.
QString filePath();
} // namespace Registry
