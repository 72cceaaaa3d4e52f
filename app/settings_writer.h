#pragma once
// Settings reach their document off the GUI thread and once the user pauses. A field typed
// into or a slider being moved changes the value at once; the file (read, write, fsync,
// rename) is written a moment after the last change, in one write of every key changed
// meanwhile, on a thread of its own so the window never waits for the disk. Writes keep
// their order; the destructor writes what is pending and waits, so nothing is lost on quit.

#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "core/defaults_store.h"

namespace quillon {

class SettingsWriter : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds pause{500};

    explicit SettingsWriter(DefaultsStore store, QObject* parent = nullptr);
    ~SettingsWriter() override;

    // Keeps the value for the next write, due a pause after the last call.
    void set(std::string_view key, const nlohmann::json& value);
    // Starts writing what is pending now, without waiting for the pause.
    void writeNow();
    // Nothing pending and no write under way (failures already reported).
    bool idle() const noexcept { return pending_.empty() && writing_ == 0; }

signals:
    // On the GUI thread: a write failed with this text (it names the document).
    void failed(const std::string& message);

private:
    DefaultsStore store_;
    nlohmann::json pending_ = nlohmann::json::object();
    int writing_ = 0;
    QTimer timer_;
    QThreadPool thread_;  // one thread: writes in the order they were started
};

}  // namespace quillon
