#include "mcp/stdio_loop.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "mcp/concurrent_calls.h"
#include "mcp/line_reader.h"
#include "mcp/output_channel.h"

namespace quillon::mcp {
namespace {

using nlohmann::json;
// Where the answer to one message goes; nothing when there is none to give.
using Deliver = std::function<void(std::optional<json>)>;

// The answers of one batch, written as one array once the last of them is known.
class BatchAnswers {
public:
    BatchAnswers(OutputChannel& out, std::size_t parts) : out_(out), answers_(parts), missing_(parts) {}

    void set(std::size_t part, std::optional<json> answer) {
        const std::lock_guard lock(mutex_);
        answers_[part] = std::move(answer);
        if (--missing_ > 0) return;
        json array = json::array();
        for (auto& each : answers_)
            if (each) array.push_back(std::move(*each));
        // A batch of notifications has no answer at all.
        if (!array.empty()) out_.send(array);
    }

private:
    OutputChannel& out_;
    std::mutex mutex_;
    std::vector<std::optional<json>> answers_;
    std::size_t missing_;
};

struct Loop {
    const MCPServer& server;
    OutputChannel& out;
    ConcurrentCalls& calls;
    Conversation conversation;

    // A cancelled call still ends in deliver, so a batch waiting for it completes.
    void serve(Handled part, const Deliver& deliver) {
        if (part.cancelled) calls.cancel(part.cancelled->dump());
        if (!part.call) return deliver(std::move(part.answer));
        const std::string key = part.call->id.dump();
        calls.submit(key, [&server = server, &out = out, call = std::move(*part.call),
                           deliver](const std::atomic<bool>& cancelled) {
            if (cancelled) return deliver(std::nullopt);
            CallContext context{&cancelled, {}};
            if (call.progressToken)
                context.progress = [&](double progress, double total, const std::string& message) {
                    if (!cancelled) out.send(progressNotification(call, progress, total, message));
                };
            json answer = answerToolCall(server, call, context);
            deliver(cancelled ? std::nullopt : std::optional<json>(std::move(answer)));
        });
    }

    void serveLine(std::string_view text) {
        HandledLine handled = handleLine(server, conversation, text);
        if (!handled.batch) {
            for (Handled& part : handled.parts)
                serve(std::move(part), [this](std::optional<json> answer) {
                    if (answer) out.send(*answer);
                });
            return;
        }
        auto batch = std::make_shared<BatchAnswers>(out, handled.parts.size());
        for (std::size_t i = 0; i < handled.parts.size(); ++i)
            serve(std::move(handled.parts[i]), [batch, i](std::optional<json> answer) { batch->set(i, std::move(answer)); });
    }
};

}  // namespace

int runStdioLoop(const MCPServer& server, int input, int output) {
    OutputChannel out(output);
    ConcurrentCalls calls;
    Loop loop{server, out, calls, {}};
    LineReader reader(input, maxRequestLineBytes, out.closedSignal());
    while (auto line = reader.next()) {
        if (line->tooLong) out.send(answerOverlongLine(loop.conversation));
        else loop.serveLine(line->text);
        if (out.closed()) break;
    }
    if (out.closed()) {
        // Nobody reads the answers of the calls still running: they end, unheard.
        calls.cancelAll();
        calls.finish();
        logLine("stdout închis; ies");
        return 0;
    }
    calls.finish();
    logLine("stdin închis; ies");
    return 0;
}

}  // namespace quillon::mcp
