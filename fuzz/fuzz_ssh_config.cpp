// The user's ~/.ssh/config, read for the hosts it names. A config written with the spellings
// ssh accepts ("Host a b", "host=a", quoted names, tabs, comments, other keywords, patterns)
// gives exactly its plain host names, in order, each once. Any text: only names ssh would
// take as a destination, each once.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/ssh_config_hosts.h"
#include "core/ssh_transport.h"
#include "fuzz/fuzz_check.h"

namespace {

using namespace quillon;

std::string blanks(FuzzedDataProvider& input) { return input.ConsumeBool() ? " " : input.ConsumeBool() ? "\t" : "  "; }

void checkWritten(FuzzedDataProvider& input) {
    std::string config;
    std::vector<std::string> expected;
    while (input.remaining_bytes() > 0 && config.size() < 2000) {
        switch (input.ConsumeIntegralInRange(0, 3)) {
            case 0: config += "# Host commented" + fuzz::textFrom(input, "ab.-", 6); break;
            case 1: config += blanks(input) + "HostName " + fuzz::textFrom(input, "ab.-", 6); break;
            case 2: config += "Match host *"; break;
            default: {
                const std::string keyword = input.ConsumeBool() ? "Host" : input.ConsumeBool() ? "host" : "HOST";
                config += blanks(input) + keyword + (input.ConsumeBool() ? "=" : blanks(input));
                const int names = input.ConsumeIntegralInRange(1, 3);
                for (int i = 0; i < names; ++i) {
                    std::string name = fuzz::textFrom(input, "abc.-_1@", 6);
                    if (name.empty() || name.front() == '-') name.insert(0, "h");
                    const bool pattern = input.ConsumeBool() && input.ConsumeBool();
                    if (pattern) name += "*";
                    const bool quoted = input.ConsumeBool();
                    config += (i ? blanks(input) : "") + (quoted ? "\"" + name + "\"" : name);
                    if (!pattern && std::find(expected.begin(), expected.end(), name) == expected.end())
                        expected.push_back(name);
                }
            }
        }
        config += input.ConsumeBool() ? "\n" : "\r\n";
    }
    FUZZ_CHECK(SshConfigHosts::parse(config) == expected);
}

void checkAnyText(const std::string& text) {
    const auto hosts = SshConfigHosts::parse(text);
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        FUZZ_CHECK(!SshTransport::destinationProblem(hosts[i]));
        FUZZ_CHECK(hosts[i].find_first_of("*?!") == std::string::npos);
        FUZZ_CHECK(std::find(hosts.begin(), hosts.begin() + i, hosts[i]) == hosts.begin() + i);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool()) checkWritten(input);
    else checkAnyText(input.ConsumeRemainingBytesAsString());
    return 0;
}
