// SecretFile on the system's data protection (CryptProtectData, for this
// user alone), written to a temporary file and moved over the old one.
#pragma once

#include <string>

#include "platform/secret_file.h"

namespace vork::win32 {

class ProtectedFile final : public SecretFile {
public:
    explicit ProtectedFile(std::string path) : path_(std::move(path)) {}
    Reading read(std::string& contents) override;
    bool write(std::string_view contents) override;

private:
    std::string path_;
};

}  // namespace vork::win32
