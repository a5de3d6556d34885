// ChoiceStore under HKCU\Software\Vork, one DWORD value a choice.
#pragma once

#include "platform/choice_store.h"

namespace vork::win32 {

class RegistryChoiceStore final : public ChoiceStore {
public:
    std::optional<bool> readFlag(std::string_view name) override;
    bool writeFlag(std::string_view name, bool value) override;
};

}  // namespace vork::win32
