#include "core/stored_hosts.h"

#include <algorithm>

#include "core/defaults_store.h"
#include "core/ssh_transport.h"

namespace quillon::StoredHosts {

std::vector<std::string> decode(const std::optional<nlohmann::json>& value) {
    std::vector<std::string> destinations;
    if (!value || !value->is_array()) return destinations;
    for (const nlohmann::json& entry : *value) {
        if (!entry.is_object()) continue;
        const auto found = entry.find("destination");
        if (found == entry.end() || !found->is_string()) continue;
        std::string destination = found->get<std::string>();
        if (SshTransport::destinationProblem(destination)) continue;
        if (std::find(destinations.begin(), destinations.end(), destination) == destinations.end())
            destinations.push_back(std::move(destination));
    }
    return destinations;
}

nlohmann::json encode(const std::vector<std::string>& destinations) {
    nlohmann::json array = nlohmann::json::array();
    for (const std::string& destination : destinations) array.push_back({{"destination", destination}});
    return array;
}

std::vector<std::string> read(const Environment& environment) {
    const DefaultsStore store(DefaultsStore::documentPath(L10n::appBundleIdentifier, environment));
    return decode(store.value(key));
}

}  // namespace quillon::StoredHosts
