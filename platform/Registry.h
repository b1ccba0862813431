// SPDX-License-Identifier: Apache-2.0
// Registry stand-in: the few registry calls the component makes, with the
// platform's semantics (size queries included), backed by a file in the
// Windows ".reg" export format (see RegFile.h for what is read and kept).
//
// The file is $QUIRAVEL_REGISTRY, or $XDG_CONFIG_HOME/quiravel/registry.reg
// (~/.config/quiravel/registry.reg) when that is unset. A missing file is an
// empty registry. Only a regular file of at most 64 MiB that is a registry
// export is read; anything else (a directory, a FIFO, a device, another kind
// of file) fails every call with ERROR_BADDB and is never written.
//
// The file is parsed once and parsed again only when its bytes change, so
// another process's changes are seen by the next call. Every change is a
// read-modify-write under an exclusive lock on "<file>.lock" beside it, and
// the file is replaced by rename from a new file in the same folder (a link
// in its place is replaced, its target never written). A Transaction groups
// several changes into one such replacement.
//
// Values the file lacks fall back to what this system knows: when the file
// has no key HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion
// (or ...\Windows\CurrentVersion) at all, that key opens and its
// "RegisteredOwner" answers the user's full name from the password database
// (the user name when it has none). A key that is in the file answers only
// what the file holds; nothing else falls back.
//
// The A functions pass names and text data in the ANSI code page
// (Windows-1252).
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

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
inline constexpr std::int32_t ERROR_LOCK_VIOLATION = 33;
inline constexpr std::int32_t ERROR_MORE_DATA = 234;
inline constexpr std::int32_t ERROR_BADDB = 1009;
inline constexpr std::int32_t ERROR_REGISTRY_IO_FAILED = 1016;

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

/// The largest registry file that is read.
inline constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

/// The backing file in use now.
QString filePath();
/// Why the registry file cannot be read, as "FILE: cause"; empty when it
/// can (a missing file can: it is an empty registry).
QString readProblem();
/// How long a change waits for the lock, in milliseconds: 10 s, or the
/// seconds in $QUIRAVEL_REGISTRY_LOCK_WAIT.
int lockWait();
/// Why the registry file cannot be changed, as "FILE: cause": it cannot be
/// read, its lock is not free within `lockWaitMs` (the message counts
/// `waitedBeforeMs` as waited already), it is immutable, or its folder takes
/// no new file of its size (a full disk, a size limit); empty when none of
/// these is found. Nothing is changed.
QString writeProblem(int lockWaitMs = lockWait(), int waitedBeforeMs = 0);

struct TransactionState;

/// Changes made on this thread while it lives are one change of the file:
/// the lock is taken and the file read when it is made, and commit() writes
/// everything at once. Without commit() nothing is written. One made while
/// another lives on the same thread joins that one.
class Transaction
{
public:
    Transaction();
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    /// The lock is held and the file was read.
    bool isValid() const;
    /// ERROR_SUCCESS, or why the transaction failed.
    std::int32_t status() const;
    /// "FILE: cause" when the transaction failed.
    QString errorString() const;
    /// Writes the changes (nothing when there are none) and ends the
    /// transaction; false with status() and errorString() when it cannot.
    bool commit();

private:
    std::unique_ptr<TransactionState> d;
};

} // namespace Registry
