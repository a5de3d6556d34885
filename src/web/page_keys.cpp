#include "web/page_keys.h"

#include <array>
#include <cstdint>
#include <tuple>

#include "input/key_names.h"
#include "web/words.h"

namespace vork {

namespace {

struct Name {
    std::string_view word;
    std::string_view keys;
};

constexpr std::array<Name, 15> KEY_WORDS = {{
    {"enter", "{ENTER}"},   {"backspace", "{BS}"}, {"tab", "{TAB}"},       {"escape", "{ESC}"},
    {"up", "{UP}"},         {"down", "{DOWN}"},    {"left", "{LEFT}"},     {"right", "{RIGHT}"},
    {"home", "{HOME}"},     {"end", "{END}"},      {"delete", "{DEL}"},    {"pageup", "{PGUP}"},
    {"pagedown", "{PGDN}"}, {"space", " "},        {"insert", "{INS}"},
}};

// In the order the key language presses them.
constexpr std::array<Name, 4> MODIFIER_WORDS = {{{"ctrl", "^"}, {"alt", "%"}, {"shift", "+"}, {"win", "@"}}};

std::optional<std::string> keyText(std::string_view key) {
    for (const Name& name : KEY_WORDS)
        if (name.word == key) return std::string(name.keys);
    if (key.size() != 1 || key[0] < 0x21 || key[0] > 0x7E) return std::nullopt;
    // Characters the key language reads as commands go by their names.
    for (const KeyNameEntry& named : KEY_NAME_TABLE)
        if (named.isCharacter && named.value == static_cast<std::uint8_t>(key[0])) {
            std::string braced(1, '{');  // appended: g++ 12 warns falsely on "{" + name + "}"
            braced.append(named.name).push_back('}');
            return braced;
        }
    // No name in the key language reaches these two.
    if (key[0] == '(' || key[0] == '{') return std::nullopt;
    const char c = key[0];
    return std::string(1, c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
}

}  // namespace

std::optional<std::string> pressedKeys(std::string_view request) {
    auto [keyWord, rest] = firstWord(request);
    std::optional<std::string> key = keyText(keyWord);
    if (!key) return std::nullopt;
    std::array<bool, MODIFIER_WORDS.size()> held{};
    while (!rest.empty()) {
        std::string_view word;
        std::tie(word, rest) = firstWord(rest);
        std::size_t index = 0;
        while (index < MODIFIER_WORDS.size() && MODIFIER_WORDS[index].word != word) ++index;
        if (index == MODIFIER_WORDS.size() || held[index]) return std::nullopt;
        held[index] = true;
    }
    std::string keys;
    for (std::size_t i = 0; i < MODIFIER_WORDS.size(); ++i)
        if (held[i]) keys.append(MODIFIER_WORDS[i].keys);
    return keys + *key;
}

}  // namespace vork
