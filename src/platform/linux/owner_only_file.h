// A file only its owner may read (mode 0600), replaced whole by a rename.
#pragma once

#include <string>

#include "platform/secret_file.h"

namespace vork::linux_x11 {

class OwnerOnlyFile final : public SecretFile {
public:
    explicit OwnerOnlyFile(std::string path) : path_(std::move(path)) {}

    // A file others may read too, or that cannot be read, is set aside as Damaged.
    Reading read(std::string& contents) override;
    bool write(std::string_view contents) override;

private:
    std::string path_;
};

// Writes the file through a temporary beside it (mode 0600, synced) and a
// rename; false, and the old file untouched, when a step fails.
bool replaceFile(const std::string& path, std::string_view contents);

}  // namespace vork::linux_x11
