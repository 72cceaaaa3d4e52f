// The app's defaults document, as the app and quillon-mcp read it: the settings and the stored
// hosts. Reading never fails and never changes the file; every number comes out within the
// bounds its users rely on; the hosts are destinations ssh reads as hosts, each once, and
// read back the same after they are written again.

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/settings.h"
#include "core/defaults_store.h"
#include "core/ssh_transport.h"
#include "core/stored_hosts.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    using namespace std::chrono_literals;
    namespace fs = std::filesystem;
    static const fs::path file = [] {
        const fs::path dir = fs::temp_directory_path() / ("quillon-fuzz-settings-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        return dir / "org.quillon.Quillon.json";
    }();
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;

    const DefaultsStore store(file);
    const AppSettings settings = AppSettings::load(store, {TerminalApp::alacritty, TerminalApp::wezterm});
    FUZZ_CHECK(settings.pollingPeriod() >= 1s && settings.pollingPeriod() <= 24h);
    FUZZ_CHECK(settings.scannerPeriod() >= 500ms && settings.scannerPeriod() <= 24h);
    FUZZ_CHECK(settings.idleLimit().count() > 0);
    FUZZ_CHECK(settings.preferredTerminal == TerminalApp::alacritty || settings.preferredTerminal == TerminalApp::wezterm);
    FUZZ_CHECK(AppSettings::load(store, {TerminalApp::alacritty, TerminalApp::wezterm}) == settings);

    const auto hosts = StoredHosts::decode(store.value(StoredHosts::key));
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        FUZZ_CHECK(!SshTransport::destinationProblem(hosts[i]));
        FUZZ_CHECK(std::find(hosts.begin(), hosts.begin() + i, hosts[i]) == hosts.begin() + i);
    }
    FUZZ_CHECK(StoredHosts::decode(StoredHosts::encode(hosts)) == hosts);

    std::ifstream in(file, std::ios::binary);
    FUZZ_CHECK(std::string(std::istreambuf_iterator<char>(in), {}) == text);
    return 0;
}
