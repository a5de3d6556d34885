#include "platform/linux/owner_only_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/linux/descriptor.h"
#include "platform/linux/xdg_paths.h"

namespace vork::linux_x11 {

bool replaceFile(const std::string& path, std::string_view contents) {
    const std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeFolder(path.substr(0, slash))) return false;
    const std::string temporary = path + ".new";
    ::unlink(temporary.c_str());
    {
        const Descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!file) return false;
        std::size_t written = 0;
        while (written < contents.size()) {
            const ssize_t done = ::write(file.get(), contents.data() + written, contents.size() - written);
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) {
                ::unlink(temporary.c_str());
                return false;
            }
            written += static_cast<std::size_t>(done);
        }
        if (::fsync(file.get()) != 0) {
            ::unlink(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

SecretFile::Reading OwnerOnlyFile::read(std::string& contents) {
    contents.clear();
    const Descriptor file(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) return errno == ENOENT ? Reading::Missing : Reading::Damaged;
    struct stat status {};
    bool readable = ::fstat(file.get(), &status) == 0 && (status.st_mode & 077) == 0;
    char buffer[4096];
    while (readable) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) readable = false;
        if (got <= 0) break;
        contents.append(buffer, static_cast<std::size_t>(got));
    }
    if (readable) return Reading::Read;
    contents.clear();
    std::rename(path_.c_str(), (path_ + ".bad").c_str());
    return Reading::Damaged;
}

bool OwnerOnlyFile::write(std::string_view contents) { return replaceFile(path_, contents); }

}  // namespace vork::linux_x11
