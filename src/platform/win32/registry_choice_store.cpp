#include "platform/win32/registry_choice_store.h"

#include <windows.h>

#include <string>

namespace vork::win32 {

namespace {

constexpr const char* VORK_KEY = "Software\\Vork";

}  // namespace

std::optional<bool> RegistryChoiceStore::readFlag(std::string_view name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, VORK_KEY, std::string(name).c_str(), RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value != 0;
}

bool RegistryChoiceStore::writeFlag(std::string_view name, bool value) {
    const DWORD data = value ? 1 : 0;
    // The key is made when it is not there yet.
    return RegSetKeyValueA(HKEY_CURRENT_USER, VORK_KEY, std::string(name).c_str(), REG_DWORD, &data, sizeof data) ==
           ERROR_SUCCESS;
}

}  // namespace vork::win32
