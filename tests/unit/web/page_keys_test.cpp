// A page's special keys and media keys as the key language writes them.
#include <gtest/gtest.h>

#include "config/settings_file.h"
#include "input/typed_text.h"
#include "remote/action_table.h"
#include "remote/key_labels.h"
#include "remote/remote_controller.h"
#include "simulated_desktop.h"
#include "web/page_keys.h"

namespace vork {
namespace {
TEST(PageKeys, APressIsItsKeyWithItsModifiers_InTheKeyLanguage) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"c ctrl", "^c"},          {"C ctrl", "^c"},         {"c shift ctrl", "^+c"},
        {"tab alt", "%{TAB}"},     {"d win", "@d"},          {"enter", "{ENTER}"},
        {"escape", "{ESC}"},       {"backspace", "{BS}"},    {"delete", "{DEL}"},
        {"home shift", "+{HOME}"}, {"space ctrl", "^ "},     {"+ ctrl", "^{PLUS}"},
        {"% alt", "%{PERCENT}"},   {"} ctrl", "^{RIGHTBRACE}"}, {"1 ctrl alt shift win", "^%+@1"},
        {"( ctrl", std::nullopt},  {"{ ctrl", std::nullopt}, {"c ctrl ctrl", std::nullopt},
        {"c super", std::nullopt}, {"c  ctrl", std::nullopt}, {"", std::nullopt},
        {"Enter", std::nullopt},   {"\xC3\xA9", std::nullopt}, {"f13", std::nullopt},
    };
    for (const auto& [request, keys] : cases) EXPECT_EQ(keys, pressedKeys(request)) << request;
}

}  // namespace
}  // namespace vork
