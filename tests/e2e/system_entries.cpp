// Reading the registry, shell links and Wine's tools for the scenarios.
#include "system_entries.h"

#include <aclapi.h>
#include <objbase.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>

#include "driver.h"

namespace install_e2e {

namespace {

bool SetupIs32Bit()
{
    DWORD type = 0;
    std::string setup = driver::WindowsPath(driver::Env("VELMO_SETUP"));
    return GetBinaryTypeA(setup.c_str(), &type) && type == SCS_32BIT_BINARY;
}

REGSAM SetupView()
{
    return SetupIs32Bit() ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

// The system folder whose programs have the setup's bitness.
std::string SystemFolder()
{
    char folder[MAX_PATH] = "";
    if (sizeof(void *) == 8 && SetupIs32Bit())
        GetSystemWow64DirectoryA(folder, sizeof folder);
    else
        GetSystemDirectoryA(folder, sizeof folder);
    return folder;
}

std::string SpecialFolder(int folder)
{
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path)))
        return "";
    return path;
}

template <class T>
struct Released {
    T *pointer = nullptr;
    ~Released()
    {
        if (pointer)
            pointer->Release();
    }
};

}  // namespace

void PrintTo(const RegistryValue &value, std::ostream *out)
{
    *out << "\"" << value.name << "\" type " << value.type << " \"";
    for (char c : value.data) {
        if (c == '\0')
            *out << "\\0";
        else
            *out << c;
    }
    *out << "\"";
}

RegistryValue TextValue(const std::string &name, const std::string &text)
{
    return {name, REG_SZ, text + '\0'};
}

bool ReadKeyValues(const std::string &key, std::vector<RegistryValue> *values)
{
    values->clear();
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | SetupView(), &handle) !=
        ERROR_SUCCESS)
        return false;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        BYTE data[2048];
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(handle, index, name, &nameLength, nullptr, &type, data, &size) !=
            ERROR_SUCCESS)
            break;
        values->push_back({name, type, std::string(reinterpret_cast<char *>(data), size)});
    }
    RegCloseKey(handle);
    std::sort(values->begin(), values->end(),
              [](const RegistryValue &a, const RegistryValue &b) { return a.name < b.name; });
    return true;
}

bool WriteKeyValues(const std::string &key, const std::vector<RegistryValue> &values)
{
    HKEY handle;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | SetupView(),
                        nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const RegistryValue &value : values) {
        ok = ok && RegSetValueExA(handle, value.name.empty() ? nullptr : value.name.c_str(), 0,
                                  value.type, reinterpret_cast<const BYTE *>(value.data.data()),
                                  static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
    }
    RegCloseKey(handle);
    return ok;
}

bool KeyExists(const std::string &key)
{
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | SetupView(), &handle) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

bool MakeKeyReadOnly(const std::string &key)
{
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, READ_CONTROL | WRITE_DAC | SetupView(),
                      &handle) != ERROR_SUCCESS)
        return false;
    // Protected, so that nothing inherited grants more: everyone, the
    // administrators and the system may read, nobody may write.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    bool ok = ConvertStringSecurityDescriptorToSecurityDescriptorA(
                  "D:P(A;;KR;;;WD)(A;;KR;;;BA)(A;;KR;;;SY)", SDDL_REVISION_1, &descriptor,
                  nullptr) &&
              RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    LocalFree(descriptor);
    RegCloseKey(handle);
    HKEY probe;
    // Only a refusal that the setup will meet counts.
    if (ok && RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS | SetupView(),
                            &probe) == ERROR_SUCCESS) {
        RegCloseKey(probe);
        ok = false;
    }
    return ok;
}

LinkSeen LoadLink(const std::string &path)
{
    LinkSeen seen;
    CoInitialize(nullptr);
    Released<IShellLinkA> link;
    Released<IPersistFile> file;
    WCHAR widePath[MAX_PATH * 2];
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void **>(&link.pointer))) ||
        FAILED(link.pointer->QueryInterface(IID_IPersistFile,
                                            reinterpret_cast<void **>(&file.pointer))) ||
        !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH * 2) ||
        FAILED(file.pointer->Load(widePath, STGM_READ)))
        return seen;
    seen.loaded = true;
    char text[1024];
    text[0] = '\0';
    link.pointer->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
    seen.target = text;
    text[0] = '\0';
    link.pointer->GetWorkingDirectory(text, sizeof text);
    seen.folder = text;
    text[0] = '\0';
    link.pointer->GetDescription(text, sizeof text);
    seen.description = text;
    text[0] = '\0';
    link.pointer->GetArguments(text, sizeof text);
    seen.arguments = text;
    return seen;
}

std::string LinkTargetOf(const std::string &path)
{
    CoInitialize(nullptr);
    Released<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void **>(&link.pointer))))
        return "";
    link.pointer->SetPath(path.c_str());
    char text[1024] = "";
    link.pointer->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
    return text;
}

std::vector<std::string> FilesIn(const std::string &folder, const std::string &pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string ProgramsFolder()
{
    return SpecialFolder(CSIDL_PROGRAMS);
}

std::string DesktopFolder()
{
    return SpecialFolder(CSIDL_DESKTOPDIRECTORY);
}

std::string RunSystemTool(const std::string &program, const std::string &arguments,
                          DWORD timeoutMs, bool *ended)
{
    *ended = false;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return "";
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    std::string path = SystemFolder() + "\\" + program;
    std::string commandLine = "\"" + path + "\" " + arguments;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    PROCESS_INFORMATION info = {};
    BOOL started = CreateProcessA(path.c_str(), buffer.data(), nullptr, nullptr, TRUE,
                                  CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        // Reads what waits in the pipe; false once the pipe has ended.
        auto drain = [&] {
            DWORD waiting = 0;
            while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting) {
                char chunk[512];
                DWORD read = 0;
                if (!ReadFile(readEnd, chunk, sizeof chunk, &read, nullptr) || !read)
                    return false;
                output.append(chunk, read);
            }
            return true;
        };
        // The pipe ends when the tool and whatever inherited it end; the
        // wait bounds the whole.
        DWORD start = GetTickCount();
        while (drain()) {
            if (WaitForSingleObject(info.hProcess, 20) == WAIT_OBJECT_0) {
                *ended = true;
                break;
            }
            if (GetTickCount() - start >= timeoutMs)
                break;
        }
        // What the tool wrote just before it ended.
        drain();
        if (!*ended)
            TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(readEnd);
    return output;
}

}  // namespace install_e2e
