// Names of open files with their volume, their attributes and their
// deletion through functions that kernel32 has from Windows Vista on.
#include "base/volume_names.h"

#include <cstring>

#include "base/libraries.h"
#include "base/paths.h"

namespace {

typedef BOOL(WINAPI *FileInformation)(HANDLE, int, void *, DWORD);
typedef DWORD(WINAPI *FinalPathName)(HANDLE, LPWSTR, DWORD, DWORD);

// The functions of Windows Vista on, looked up once; null before.
struct VistaFunctions {
    FileInformation get;          // GetFileInformationByHandleEx
    FileInformation set;          // SetFileInformationByHandle
    FinalPathName finalPathName;  // GetFinalPathNameByHandleW
};

const VistaFunctions &Vista()
{
    static bool looked = false;
    static VistaFunctions functions;
    if (!looked) {
        looked = true;
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        functions.get = LibraryFunction<FileInformation>(kernel, "GetFileInformationByHandleEx");
        functions.set = LibraryFunction<FileInformation>(kernel, "SetFileInformationByHandle");
        functions.finalPathName =
            LibraryFunction<FinalPathName>(kernel, "GetFinalPathNameByHandleW");
    }
    return functions;
}

}  // namespace

bool VolumeNamesKnown()
{
    return Vista().finalPathName != nullptr;
}

bool NameOnVolume(HANDLE handle, char16_t *out)
{
    FinalPathName finalPathName = Vista().finalPathName;
    if (!finalPathName)
        return false;
    DWORD length = finalPathName(handle, reinterpret_cast<WCHAR *>(out), kVolumeNameSize,
                                 VOLUME_NAME_NT);
    return length > 0 && length < kVolumeNameSize;
}

bool NameOnVolume(const char16_t *path, char16_t *out, bool followLink)
{
    HANDLE handle = CreateFileW(reinterpret_cast<const WCHAR *>(path), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS |
                                    (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    bool ok = NameOnVolume(handle, out);
    CloseHandle(handle);
    return ok;
}

const char16_t *FolderOnVolume::Name(const char16_t *path, size_t length, bool followLink)
{
    if (length == 0 || length >= kVolumeNameSize)
        return nullptr;
    if (followed != followLink || folder[length] != u'\0' ||
        !SameNoCase16(folder, path, length)) {
        std::memcpy(folder, path, length * sizeof *path);
        folder[length] = u'\0';
        followed = followLink;
        if (!NameOnVolume(folder, folderName, followLink)) {
            folder[0] = u'\0';
            return nullptr;
        }
    }
    return folderName;
}

bool FolderOnVolume::Holds(const char16_t *path, size_t length, bool followLink,
                           const char16_t *name, const char16_t *rest)
{
    const char16_t *known = Name(path, length, followLink);
    return known && IsNameBelow(name, known, rest);
}

bool DeleteOpenFile(HANDLE handle)
{
    const int kFileDispositionInfo = 4;
    FileInformation information = Vista().set;
    BOOLEAN deleteFile = TRUE;
    return information && information(handle, kFileDispositionInfo, &deleteFile, sizeof deleteFile);
}

bool AttributesAndNames(HANDLE handle, DWORD &attributes, DWORD &names)
{
    const int kFileBasicInfo = 0, kFileStandardInfo = 1;
    FileInformation information = Vista().get;
    if (!information) {
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(handle, &info))
            return false;
        attributes = info.dwFileAttributes;
        names = info.nNumberOfLinks;
        return true;
    }
    struct {
        LARGE_INTEGER times[4];
        DWORD attributes;
    } basic;
    struct {
        LARGE_INTEGER allocated, size;
        DWORD links;
        BOOLEAN deletePending, directory;
    } standard;
    if (!information(handle, kFileBasicInfo, &basic, sizeof basic) ||
        !information(handle, kFileStandardInfo, &standard, sizeof standard))
        return false;
    attributes = basic.attributes;
    names = standard.links;
    return true;
}
