// What the server needs of the rest of Vork, shared with the other threads,
// and the files of both its pages.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/connection_state.h"
#include "link/trusted_devices.h"
#include "link/ui_mailbox.h"
#include "platform/crypto.h"
#include "platform/network_adapters.h"
#include "platform/random_source.h"
#include "web/page_routes.h"

namespace vork {

// The files of both pages, pointing into memory that outlives the server
// (the program's resources).
struct WebPages {
    std::vector<PageFile> remote;
    std::vector<PageFile> connect;
};

struct WebServerParts {
    std::shared_ptr<UiMailbox> mailbox;
    std::shared_ptr<ConnectionState> state;
    std::shared_ptr<TrustedDevices> trusted;
    std::unique_ptr<RandomSource> random;
    std::unique_ptr<Crypto> crypto;
    std::unique_ptr<NetworkAdapters> adapters;
    WebPages pages;
    // This PC's own names, by which the remote page may also be asked for.
    std::vector<std::string> ownNames;
};

}  // namespace vork
