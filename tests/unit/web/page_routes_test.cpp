// Which requests reach the pages' files, and how they are answered.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web/page_routes.h"

namespace vork {
namespace {

TEST(PageRoutes, ThisPcsOwnNames_AreAnswered_OtherNamesAreToldTheAddress) {
    const std::array<PageFile, 1> files = {{{"/index.html", "text/html", "<p>"}}};
    const std::vector<std::string> names = {"DESKTOP-42", "desktop-42", "desktop-42.home.lan"};
    struct Case {
        const char* host;
        int status;
    };
    for (const Case& c : std::vector<Case>{{"DESKTOP-42:8642", 200},
                                           {"desktop-42.local:8642", 200},
                                           {"Desktop-42.Home.Lan", 200},
                                           {"desktop-42.evil.example:8642", 403},
                                           {"local:8642", 403},
                                           {".local", 403}}) {
        const Route route = routeRequest({"GET", "/", c.host, "", false}, files, names);
        EXPECT_EQ(c.status, route.status) << c.host;
        EXPECT_EQ(c.status == 403, route.foreignHost) << c.host;
    }
}


TEST(PageRoutes, OnlyThePagesFilesAndItsOwnSocket_ForThisHostByAddress) {
    const std::array<PageFile, 2> files = {{{"/index.html", "text/html", "<p>"}, {"/remote.js", "text/javascript", ""}}};
    struct Case {
        RequestLine request;
        int status;
        std::string_view file;
    };
    const std::vector<Case> cases = {
        {{"GET", "/", "192.168.1.20:8642", "", false}, 200, "/index.html"},
        {{"GET", "/?from=qr", "192.168.1.20:8642", "", false}, 200, "/index.html"},
        {{"HEAD", "/remote.js", "localhost:8642", "", false}, 200, "/remote.js"},
        {{"GET", "/../vork.toml", "127.0.0.1", "", false}, 404, ""},
        {{"GET", "/index.html/", "127.0.0.1", "", false}, 404, ""},
        {{"POST", "/", "127.0.0.1:8642", "", false}, 405, ""},
        {{"GET", "/", "attacker.example:8642", "", false}, 403, ""},
        {{"GET", "/", "", "", false}, 403, ""},
        {{"GET", "/", "192.168.1.256:8642", "", false}, 403, ""},
        {{"GET", "/", "192.168.1:8642", "", false}, 403, ""},
        {{"GET", "/", "192.168.1.20:86420", "", false}, 403, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "http://192.168.1.20:8642", true}, 101, ""},
        {{"GET", "/ws", "LocalHost:8642", "http://localhost:8642", true}, 101, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "http://attacker.example", true}, 403, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "http://192.168.1.20:8643", true}, 403, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "https://192.168.1.20:8642", true}, 403, ""},
        {{"GET", "/ws", "192.168.1.20:8642", "", true}, 403, ""},
        {{"GET", "/other", "192.168.1.20:8642", "http://192.168.1.20:8642", true}, 403, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.request.method) + " " + std::string(c.request.target) + " host " +
                     std::string(c.request.host) + " origin " + std::string(c.request.origin));
        const Route route = routeRequest(c.request, files);
        EXPECT_EQ(c.status, route.status);
        EXPECT_EQ(c.status == 101, route.webSocket);
        EXPECT_EQ(c.file, route.file ? route.file->path : "");
    }
}

}  // namespace
}  // namespace vork
