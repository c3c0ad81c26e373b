// The payload manifest: the install table (what is extracted, recorded and
// linked) and the clean-up table (what a version-2 upgrade removes), with
// the few queries every reader uses.
#pragma once

#include <cstdint>

// Bits of an install entry's flags.
enum : uint32_t {
    ENTRY_EXTRACT = 0x0001,
    ENTRY_LICENSE = 0x0002,
    ENTRY_REMOVE_FILE = 0x0004,
    ENTRY_SHORTCUT = 0x0008,
    ENTRY_UNINSTALLER = 0x0010,
    ENTRY_README = 0x0020,
    ENTRY_REMOVE_PATTERN = 0x0080,
    ENTRY_EXTERNAL_TARGET = 0x0100,
};

// Action codes of a clean-up entry (compared for equality, not bit sets).
enum : uint32_t {
    CLEANUP_DELETE = 0x0004,
    CLEANUP_SHARED_UNINSTALLER = 0x0010,
    CLEANUP_FOLDER = 0x1000,
    CLEANUP_RENAME = 0x2000,
};

struct ManifestEntry {
    const char *name;       // relative path, wildcard pattern or web address
    uint16_t resourceId;    // "QFILE" resource id; 0 without payload
    uint32_t packedSize;    // bytes of the zlib stream
    uint32_t unpackedSize;  // bytes after inflation
    uint32_t flags;         // ENTRY_* bits, or one CLEANUP_* code
    const char *extra;      // language name or shortcut caption, or nullptr
};

constexpr int kInstallCount = 100;
constexpr int kCleanUpCount = 20;

extern const ManifestEntry kInstallTable[kInstallCount];
extern const ManifestEntry kCleanUpTable[kCleanUpCount];
