#include "app/ui/shell/window_state.h"

#include <QMainWindow>
#include <QSplitter>

#include <string>

#include "core/l10n.h"
#include "core/paths.h"

namespace quillon::ui {
namespace {

constexpr std::string_view geometryKey = "mainWindowGeometry";
constexpr std::string_view splitterKey = "sidebarSplitterSizes";

std::filesystem::path stateFolder() {
    return paths::xdgDirectory(L10n::processEnvironment(), "XDG_STATE_HOME", ".local/state");
}

}  // namespace

WindowState::WindowState(std::filesystem::path documentPath) : store_(std::move(documentPath)) {}

WindowState WindowState::standard() { return WindowState(stateFolder() / "quillon" / "view-state.json"); }

void WindowState::restore(QMainWindow& window, QSplitter& splitter) const {
    if (auto geometry = store_.string(geometryKey))
        window.restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(*geometry)));
    const auto sizes = store_.value(splitterKey);
    if (!sizes || !sizes->is_array() || int(sizes->size()) != splitter.count()) return;
    QList<int> restored;
    for (const auto& size : *sizes) {
        if (!size.is_number_integer() || size.get<long long>() < 0 || size.get<long long>() > 100'000) return;
        restored << int(size.get<long long>());
    }
    splitter.setSizes(restored);
}

bool WindowState::save(const QMainWindow& window, const QSplitter& splitter) {
    nlohmann::json sizes = nlohmann::json::array();
    for (int size : splitter.sizes()) sizes.push_back(size);
    try {
        store_.set(geometryKey, window.saveGeometry().toBase64().toStdString());
        store_.set(splitterKey, sizes);
        return true;
    } catch (const std::exception&) {
        return false;  // the layout is a convenience: the window closes all the same
    }
}

}  // namespace quillon::ui
