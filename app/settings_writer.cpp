#include "app/settings_writer.h"

#include <QMetaObject>

#include <exception>
#include <utility>

namespace quillon {

SettingsWriter::SettingsWriter(DefaultsStore store, QObject* parent) : QObject(parent), store_(std::move(store)) {
    thread_.setMaxThreadCount(1);
    timer_.setSingleShot(true);
    timer_.setInterval(pause);
    connect(&timer_, &QTimer::timeout, this, &SettingsWriter::writeNow);
}

SettingsWriter::~SettingsWriter() {
    timer_.stop();
    writeNow();
    thread_.waitForDone();  // reports posted to this object are dropped with it
}

void SettingsWriter::set(std::string_view key, const nlohmann::json& value) {
    pending_[std::string(key)] = value;
    timer_.start();
}

void SettingsWriter::writeNow() {
    timer_.stop();
    if (pending_.empty()) return;
    ++writing_;
    thread_.start([this, store = store_, values = std::exchange(pending_, nlohmann::json::object())]() mutable {
        std::string failure;
        try {
            store.update(values);
        } catch (const std::exception& error) {
            failure = error.what();
        }
        QMetaObject::invokeMethod(
            this,
            [this, failure = std::move(failure)] {
                --writing_;
                if (!failure.empty()) emit failed(failure);
            },
            Qt::QueuedConnection);
    });
}

}  // namespace quillon

#include "moc_settings_writer.cpp"
