// The remembered choices as NAME=0 or NAME=1 lines in a small file beside the settings.
#pragma once

#include <string>

#include "platform/choice_store.h"

namespace vork::linux_x11 {

class FileChoiceStore final : public ChoiceStore {
public:
    explicit FileChoiceStore(std::string path) : path_(std::move(path)) {}

    std::optional<bool> readFlag(std::string_view name) override;
    bool writeFlag(std::string_view name, bool value) override;

private:
    std::string path_;
};

}  // namespace vork::linux_x11
