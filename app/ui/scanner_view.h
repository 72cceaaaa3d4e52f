#pragma once
// The scanner screen: starts and stops a scanner of its own and shows its event log.

#include <QWidget>

#include "app/ui/ui_context.h"

namespace quillon::ui {

class EmptyState;

class ScannerView : public QWidget {
    Q_OBJECT
public:
    explicit ScannerView(UiContext& context, QWidget* parent = nullptr);

private:
    void relabel();

    UiContext& context_;
    EmptyState* placeholder_;
};

}  // namespace quillon::ui
