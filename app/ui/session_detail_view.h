#pragma once
// One session by name: header with rename, attach and more actions, and the windows, preview,
// send and activity tabs.

#include <QWidget>

#include <string>

#include "app/ui/ui_context.h"

namespace quillon::ui {

class EmptyState;

class SessionDetailView : public QWidget {
    Q_OBJECT
public:
    SessionDetailView(UiContext& context, std::string sessionName, QWidget* parent = nullptr);
    const std::string& sessionName() const noexcept { return sessionName_; }

private:
    void relabel();

    UiContext& context_;
    std::string sessionName_;
    EmptyState* placeholder_;
};

}  // namespace quillon::ui
