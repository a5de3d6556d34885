// A small file that only this user can read, written whole or not at all:
// Vork keeps the paired phones and browsers in it.
#pragma once

#include <string>
#include <string_view>

#include "platform/non_copyable.h"

namespace vork {

class SecretFile : public Interface {
public:
    enum class Reading { Missing, Damaged, Read };
    // A file that cannot be opened or decrypted is set aside (as NAME.bad)
    // and reported Damaged, so that the next write starts afresh.
    virtual Reading read(std::string& contents) = 0;
    // Replaces the file in one step; false, the old file untouched, when it cannot.
    virtual bool write(std::string_view contents) = 0;
};

}  // namespace vork
