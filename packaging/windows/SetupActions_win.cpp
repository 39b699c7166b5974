// The installer's own actions, which Windows Installer runs from corvane-setup.dll inside the MSI:
// the installed folder on the user's PATH, and what the program wrote in %LOCALAPPDATA%\Corvane.
//
// The Environment table would do the first, but Wine's Windows Installer leaves the separator
// behind when it takes the folder off again ("…\bin;"), and the next install then adds a second one
// ("…\bin;;…"). Here the PATH is left exactly as it was found: the folder goes at its end after one
// separator, and goes again with the separator it came with.
// The Windows Installer headers need windows.h before them.
// clang-format off
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
// clang-format on

#include <algorithm>
#include <string>

namespace {

const wchar_t kEnvironmentKey[] = L"Environment";
const wchar_t kPathValue[] = L"Path";

// A property of the running installation, such as INSTALLDIR; empty when it has none.
std::wstring Property(MSIHANDLE hInstall, const wchar_t* pszName) {
    wchar_t szEmpty[1] = L"";
    DWORD dwLength = 0;
    if (MsiGetPropertyW(hInstall, pszName, szEmpty, &dwLength) != ERROR_MORE_DATA)
        return {};
    std::wstring value(dwLength + 1, L'\0');
    dwLength = static_cast<DWORD>(value.size());
    if (MsiGetPropertyW(hInstall, pszName, value.data(), &dwLength) != ERROR_SUCCESS)
        return {};
    value.resize(dwLength);
    return value;
}

// The installed folder as the PATH names it, without the trailing backslash that INSTALLDIR has.
std::wstring InstalledFolder(MSIHANDLE hInstall) {
    std::wstring folder = Property(hInstall, L"INSTALLDIR");
    while (folder.size() > 3 && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

bool SameFolder(const std::wstring& left, const std::wstring& right) {
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

// Where the last entry of path equal to folder begins, or npos; an entry may end in a backslash.
std::wstring::size_type FindEntry(const std::wstring& path, const std::wstring& folder) {
    std::wstring::size_type found = std::wstring::npos;
    std::wstring::size_type start = 0;
    while (start <= path.size()) {
        const std::wstring::size_type end = std::min(path.find(L';', start), path.size());
        std::wstring entry = path.substr(start, end - start);
        if (entry.size() > 3 && entry.back() == L'\\')
            entry.pop_back();
        if (SameFolder(entry, folder))
            found = start;
        start = end + 1;
    }
    return found;
}

// The user's PATH and its registry type; false when the user has none.
bool ReadUserPath(HKEY hKey, std::wstring& path, DWORD& dwType) {
    DWORD dwBytes = 0;
    if (RegQueryValueExW(hKey, kPathValue, nullptr, &dwType, nullptr, &dwBytes) != ERROR_SUCCESS ||
        (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
        return false;
    std::wstring value(dwBytes / sizeof(wchar_t) + 1, L'\0');
    dwBytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(hKey, kPathValue, nullptr, &dwType, reinterpret_cast<BYTE*>(value.data()),
                         &dwBytes) != ERROR_SUCCESS)
        return false;
    value.resize(dwBytes / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0')
        value.pop_back();
    path = value;
    return true;
}

bool WriteUserPath(HKEY hKey, const std::wstring& path, DWORD dwType) {
    const DWORD dwBytes = static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(hKey, kPathValue, 0, dwType, reinterpret_cast<const BYTE*>(path.c_str()),
                          dwBytes) == ERROR_SUCCESS;
}

// Programs that read the environment anew, as Explorer does for the consoles it starts, are told.
void AnnounceEnvironmentChange() {
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(kEnvironmentKey),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
}

// Changes the user's PATH with change(path, exists, type), which returns whether it changed it; a
// PATH it leaves empty is removed, as one the user never had.
template <typename Change> void ChangeUserPath(Change change) {
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kEnvironmentKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return;
    std::wstring path;
    DWORD dwType = REG_EXPAND_SZ;
    const bool bExists = ReadUserPath(hKey, path, dwType);
    if (change(path, bExists)) {
        if (path.empty())
            RegDeleteValueW(hKey, kPathValue);
        else
            WriteUserPath(hKey, path, dwType);
        AnnounceEnvironmentChange();
    }
    RegCloseKey(hKey);
}

void DeleteMatching(const std::wstring& folder, const wchar_t* pszPattern) {
    WIN32_FIND_DATAW found;
    const HANDLE hFind = FindFirstFileW((folder + L'\\' + pszPattern).c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileW((folder + L'\\' + found.cFileName).c_str());
    } while (FindNextFileW(hFind, &found));
    FindClose(hFind);
}

} // namespace

// The installed folder at the end of the user's PATH, after one separator; nothing when it is there.
extern "C" __declspec(dllexport) UINT __stdcall AddToUserPath(MSIHANDLE hInstall) {
    const std::wstring folder = InstalledFolder(hInstall);
    if (folder.empty())
        return ERROR_SUCCESS;
    ChangeUserPath([&folder](std::wstring& path, bool /*bExists*/) {
        if (FindEntry(path, folder) != std::wstring::npos)
            return false;
        // A PATH that ends in a separator keeps it: the folder comes before it.
        if (path.empty())
            path = folder;
        else if (path.back() == L';')
            path += folder + L';';
        else
            path += L';' + folder;
        return true;
    });
    return ERROR_SUCCESS;
}

// The installed folder off the user's PATH again, with the one separator that came with it.
extern "C" __declspec(dllexport) UINT __stdcall RemoveFromUserPath(MSIHANDLE hInstall) {
    const std::wstring folder = InstalledFolder(hInstall);
    if (folder.empty())
        return ERROR_SUCCESS;
    ChangeUserPath([&folder](std::wstring& path, bool bExists) {
        std::wstring::size_type start = bExists ? FindEntry(path, folder) : std::wstring::npos;
        if (start == std::wstring::npos)
            return false;
        std::wstring::size_type end = std::min(path.find(L';', start), path.size());
        if (end < path.size())
            ++end; // the separator after it
        else if (start > 0)
            --start; // the last entry: the separator before it
        path.erase(start, end - start);
        return true;
    });
    return ERROR_SUCCESS;
}

// What the program wrote in %LOCALAPPDATA%\Corvane: svn's last answer (debug.xml) and each session's
// lock (session-<n>\tray-*.lock). A folder goes only once it is empty, so nothing else is lost.
extern "C" __declspec(dllexport) UINT __stdcall RemoveLocalFiles(MSIHANDLE hInstall) {
    std::wstring folder = Property(hInstall, L"LocalAppDataFolder");
    if (folder.empty())
        return ERROR_SUCCESS;
    if (folder.back() != L'\\')
        folder += L'\\';
    folder += L"Corvane";
    DeleteFileW((folder + L"\\debug.xml").c_str());
    WIN32_FIND_DATAW found;
    const HANDLE hFind = FindFirstFileW((folder + L"\\session-*").c_str(), &found);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                const std::wstring session = folder + L'\\' + found.cFileName;
                DeleteMatching(session, L"tray-*.lock");
                RemoveDirectoryW(session.c_str());
            }
        } while (FindNextFileW(hFind, &found));
        FindClose(hFind);
    }
    RemoveDirectoryW(folder.c_str());
    return ERROR_SUCCESS;
}
