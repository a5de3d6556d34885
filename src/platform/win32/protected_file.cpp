#include "platform/win32/protected_file.h"

#include <windows.h>
// windows.h first: dpapi.h needs its types.
#include <dpapi.h>

#include <vector>

#include "platform/win32/win32_handles.h"

namespace vork::win32 {

namespace {

struct FreeLocal {
    void operator()(BYTE* memory) const { LocalFree(memory); }
};
using LocalBytes = UniqueResource<BYTE*, FreeLocal>;

// CreateFile's failure is INVALID_HANDLE_VALUE, not the null UniqueHandle knows.
UniqueHandle fileHandle(HANDLE handle) { return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle); }

}  // namespace

SecretFile::Reading ProtectedFile::read(std::string& contents) {
    std::vector<BYTE> bytes;
    {
        const UniqueHandle file = fileHandle(CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            // No folder yet is no file yet.
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Reading::Missing : Reading::Damaged;
        }
        LARGE_INTEGER size{};
        if (GetFileSizeEx(file.get(), &size) && size.QuadPart < 16LL * 1024 * 1024) {
            bytes.resize(static_cast<std::size_t>(size.QuadPart));
            DWORD got = 0;
            if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                got != bytes.size())
                bytes.clear();
        }
    }
    DATA_BLOB sealed{static_cast<DWORD>(bytes.size()), bytes.data()};
    DATA_BLOB opened{};
    if (bytes.empty() ||
        !CryptUnprotectData(&sealed, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &opened)) {
        // Kept beside for whoever wants to look; the next write starts afresh.
        MoveFileExA(path_.c_str(), (path_ + ".bad").c_str(), MOVEFILE_REPLACE_EXISTING);
        return Reading::Damaged;
    }
    const LocalBytes owned(opened.pbData);
    contents.assign(reinterpret_cast<const char*>(opened.pbData), opened.cbData);
    return Reading::Read;
}

bool ProtectedFile::write(std::string_view contents) {
    DATA_BLOB plain{static_cast<DWORD>(contents.size()), reinterpret_cast<BYTE*>(const_cast<char*>(contents.data()))};
    DATA_BLOB sealed{};
    if (!CryptProtectData(&plain, L"Vork pairings", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &sealed))
        return false;
    const LocalBytes owned(sealed.pbData);
    const std::size_t slash = path_.find_last_of('\\');
    if (slash != std::string::npos) CreateDirectoryA(path_.substr(0, slash).c_str(), nullptr);  // there already: fine
    // A crash or a full disk leaves the old file whole: the new one is moved over it only once written.
    const std::string temporary = path_ + ".new";
    {
        const UniqueHandle file = fileHandle(
            CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD written = 0;
        const bool whole = WriteFile(file.get(), sealed.pbData, sealed.cbData, &written, nullptr) &&
                           written == sealed.cbData && FlushFileBuffers(file.get());
        if (!whole) {
            DeleteFileA(temporary.c_str());
            return false;
        }
    }
    if (MoveFileExA(temporary.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DeleteFileA(temporary.c_str());
    return false;
}

}  // namespace vork::win32
