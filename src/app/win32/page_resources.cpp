#include "app/win32/page_resources.h"

#include <windows.h>

#include <array>

namespace vork::win32 {

namespace {

struct PageResource {
    const char* resource;
    std::string_view path;
    std::string_view contentType;
};

constexpr std::array<PageResource, 3> PAGE = {{
    {"PAGE_INDEX_HTML", "/index.html", "text/html; charset=utf-8"},
    {"PAGE_REMOTE_CSS", "/remote.css", "text/css; charset=utf-8"},
    {"PAGE_REMOTE_JS", "/remote.js", "text/javascript; charset=utf-8"},
}};

}  // namespace

std::vector<PageFile> pageResources() {
    std::vector<PageFile> files;
    for (const PageResource& page : PAGE) {
        // A resource of the running image needs no freeing and never moves.
        HRSRC found = FindResourceA(nullptr, page.resource, RT_RCDATA);
        HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
        const void* bytes = loaded ? LockResource(loaded) : nullptr;
        if (!bytes) continue;
        files.push_back(PageFile{page.path, page.contentType,
                                 std::string_view(static_cast<const char*>(bytes), SizeofResource(nullptr, found))});
    }
    return files;
}

}  // namespace vork::win32
