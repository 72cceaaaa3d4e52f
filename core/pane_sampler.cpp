#include "core/pane_sampler.h"

#include <cstring>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "core/l10n.h"
#include "core/pane_signals.h"
#include "core/ssh_transport.h"
#include "core/text.h"

namespace quillon {
namespace {

using Requests = std::vector<ForegroundProbe::Request>;
using Facts = std::vector<std::optional<ForegroundFacts>>;

// Each request's facts: nothing where the reading was skipped as unchanged.
Facts factsOf(const Requests& requests, const std::vector<ForegroundProbe::PaneReading>& readings,
              const ForegroundProbe::HostClock& clock, TimePoint now, bool procAvailable) {
    std::unordered_map<std::int64_t, const ForegroundProbe::PaneReading*> byPid;
    for (const auto& reading : readings) byPid.emplace(reading.panePid, &reading);
    Facts facts;
    facts.reserve(requests.size());
    for (const auto& request : requests) {
        auto found = byPid.find(request.panePid);
        if (!procAvailable || found == byPid.end())
            facts.emplace_back(ForegroundFacts{});
        else if (found->second->unchanged)
            facts.emplace_back(std::nullopt);
        else
            facts.emplace_back(ForegroundProbe::interpret(*found->second, clock, now));
    }
    return facts;
}

// tmux's own words for a server with no pane to list.
bool nothingListed(std::string_view error) {
    return text::contains(error, "no server running") || text::contains(error, "no current target") ||
           (text::contains(error, "error connecting to") &&
            (text::contains(error, "(No such file or directory)") || text::contains(error, "(Connection refused)")));
}

std::vector<std::string> tmuxWords(const TmuxClient& client) {
    std::vector<std::string> words{"tmux", "-u"};
    words.insert(words.end(), client.socketArgs.begin(), client.socketArgs.end());
    const auto& args = PaneSignalQuery::arguments();
    words.insert(words.end(), args.begin(), args.end());
    return words;
}

std::string startFailure(const std::string& program, const std::system_error& error) {
    const char* why = std::strerror(error.code().value());
    return L("Nu am putut porni " + program + ": " + why, "Could not start " + program + ": " + why);
}

}  // namespace

PaneStateSampler::PaneStateSampler(TmuxClient client, AttentionThresholds thresholds, SamplingTiming timing)
    : client_(std::move(client)), server_(ServerIdentity::of(client_)), tracker_(thresholds, timing) {}

PaneStateSampler::Step PaneStateSampler::step(const std::vector<PaneSignals>* pushed) {
    auto plan = tracker_.plan(Clock::now());
    if (plan.tmux || pushed) return readFull(pushed);
    if (plan.requests.empty()) return {};
    return client_.host ? readSomeRemote(plan.requests) : readSome(plan.requests);
}

PaneStateSampler::Step PaneStateSampler::readAll(const std::vector<PaneSignals>* pushed) { return readFull(pushed); }

std::vector<PaneStatus> PaneStateSampler::settle(std::chrono::milliseconds window) {
    const auto end = std::chrono::steady_clock::now() + window;
    readAll();
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            tracker_.timing().busyProc, end - std::chrono::steady_clock::now()));
        step();
    }
    return tracker_.statuses();
}

PaneStateSampler::Step PaneStateSampler::readFull(const std::vector<PaneSignals>* pushed) {
    if (client_.host) return readFullRemote(pushed);
    Step step;
    step.read = true;
    std::vector<PaneSignals> panes;
    if (pushed) {
        panes = *pushed;
    } else {
        TmuxClient::Invocation listing;
        try {
            listing = client_.invoke(PaneSignalQuery::arguments());
        } catch (const std::exception& error) {
            step.error = error.what();
            return step;
        }
        if (listing.timedOut) {
            step.error = client_.timeoutMessage();
            return step;
        }
        if (listing.exitCode != 0 && !nothingListed(listing.standardError)) {
            step.error = listing.standardError;
            return step;
        }
        const TimePoint listed = Clock::now();
        panes = PaneSignalQuery::parse(listing.standardOutput, toEpochSeconds(listed), listed);
    }
    const Requests requests = tracker_.requestsFor(panes);
    const auto clock = ForegroundProbe::localClock();
    const TimePoint now = Clock::now();
    const auto readings = ForegroundProbe::readLocal(requests);
    procAvailable_ = clock.uptimeSeconds > 0;
    step.changes = tracker_.updateAll(panes, factsOf(requests, readings, clock, now, procAvailable_), now);
    return step;
}

PaneStateSampler::Step PaneStateSampler::readSome(const Requests& requests) {
    Step step;
    step.read = true;
    const auto clock = ForegroundProbe::localClock();
    const TimePoint now = Clock::now();
    const auto readings = ForegroundProbe::readLocal(requests);
    step.changes = tracker_.updateSome(requests, factsOf(requests, readings, clock, now, procAvailable_), now);
    return step;
}

PaneStateSampler::Step PaneStateSampler::readFullRemote(const std::vector<PaneSignals>* pushed) {
    Step step;
    step.read = true;
    const Requests known = pushed ? tracker_.requestsFor(*pushed) : tracker_.requestsFor(tracker_.panes());
    ProcessOutput output;
    try {
        output = SshTransport::run(*client_.host, ForegroundProbe::remoteWords(pushed ? std::vector<std::string>{}
                                                                                      : tmuxWords(client_),
                                                                               known),
                                   client_.timeout);
    } catch (const std::system_error& error) {
        step.error = startFailure("ssh", error);
        return step;
    }
    const TimePoint now = Clock::now();
    if (output.timedOut) {
        step.error = client_.timeoutMessage();
        return step;
    }
    const auto answer = ForegroundProbe::parseRemote(output.out);
    if (!answer.ran) {
        step.error = std::string(text::trim(output.err));
        if (step.error->empty()) step.error = L("ssh a eșuat (exit " + std::to_string(output.exitCode) + ")",
                                                "ssh failed (exit " + std::to_string(output.exitCode) + ")");
        return step;
    }
    std::vector<PaneSignals> panes;
    if (pushed) {
        panes = *pushed;
    } else {
        if (answer.tmuxStatus != 0 && !nothingListed(answer.tmuxError)) {
            step.error = answer.tmuxError;
            return step;
        }
        panes = PaneSignalQuery::parse(answer.tmuxOutput, answer.hostNow, now);
    }
    procAvailable_ = answer.procAvailable;
    const Requests requests = tracker_.requestsFor(panes);
    step.changes = tracker_.updateAll(panes, factsOf(requests, answer.readings, answer.clock, now, procAvailable_), now);
    return step;
}

PaneStateSampler::Step PaneStateSampler::readSomeRemote(const Requests& requests) {
    Step step;
    step.read = true;
    ProcessOutput output;
    try {
        output = SshTransport::run(*client_.host, ForegroundProbe::remoteWords({}, requests), client_.timeout);
    } catch (const std::system_error& error) {
        step.error = startFailure("ssh", error);
        return step;
    }
    const TimePoint now = Clock::now();
    const auto answer = ForegroundProbe::parseRemote(output.out);
    if (output.timedOut || !answer.ran) {
        step.error = output.timedOut ? client_.timeoutMessage() : std::string(text::trim(output.err));
        return step;
    }
    procAvailable_ = answer.procAvailable;
    step.changes = tracker_.updateSome(requests, factsOf(requests, answer.readings, answer.clock, now, procAvailable_), now);
    return step;
}

}  // namespace quillon
