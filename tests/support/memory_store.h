// What Vork keeps for the user, in memory: remembered choices and the
// protected file, which a test can find missing or damaged.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/choice_store.h"
#include "platform/secret_file.h"

namespace vork::test {

class MemoryChoices final : public ChoiceStore {
public:
    std::optional<bool> readFlag(std::string_view name) override {
        const auto found = flags.find(std::string(name));
        return found == flags.end() ? std::nullopt : std::optional(found->second);
    }
    bool writeFlag(std::string_view name, bool value) override {
        flags[std::string(name)] = value;
        return true;
    }
    std::map<std::string, bool> flags;
};

class MemoryFile final : public SecretFile {
public:
    Reading read(std::string& contents) override {
        if (!text) return Reading::Missing;
        if (damaged) return Reading::Damaged;
        contents = *text;
        return Reading::Read;
    }
    bool write(std::string_view contents) override {
        text = std::string(contents);
        ++writes;
        return true;
    }
    std::optional<std::string> text;
    bool damaged = false;
    int writes = 0;
};

}  // namespace vork::test
