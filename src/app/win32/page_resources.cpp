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

constexpr std::array<PageResource, 6> REMOTE_PAGE = {{
    {"PAGE_INDEX_HTML", "/index.html", "text/html; charset=utf-8"},
    {"PAGE_REMOTE_CSS", "/remote.css", "text/css; charset=utf-8"},
    {"PAGE_REMOTE_JS", "/remote.js", "text/javascript; charset=utf-8"},
    // "Add to Home screen": Vork's icon, the remote full screen.
    {"PAGE_MANIFEST", "/manifest.webmanifest", "application/manifest+json"},
    {"PAGE_ICON_192", "/icon-192.png", "image/png"},
    {"PAGE_ICON_512", "/icon-512.png", "image/png"},
}};

constexpr std::array<PageResource, 3> CONNECT_PAGE = {{
    {"CONNECT_INDEX_HTML", "/index.html", "text/html; charset=utf-8"},
    {"CONNECT_CSS", "/connect.css", "text/css; charset=utf-8"},
    {"CONNECT_JS", "/connect.js", "text/javascript; charset=utf-8"},
}};

template <std::size_t N>
std::vector<PageFile> filesOf(const std::array<PageResource, N>& resources) {
    std::vector<PageFile> files;
    for (const PageResource& page : resources) {
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

}  // namespace

WebPages pageResources() { return WebPages{filesOf(REMOTE_PAGE), filesOf(CONNECT_PAGE)}; }

}  // namespace vork::win32
