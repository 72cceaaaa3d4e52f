#include "app/ui/search/search_scrollback.h"

#include <QThreadPool>

#include <algorithm>
#include <cmath>

#include "core/defaults_store.h"

namespace quillon::ui::SearchScrollback {

std::int64_t load() {
    const auto stored = DefaultsStore::standard().number(key);
    if (!stored || std::isnan(*stored)) return defaultLines;
    return std::int64_t(std::llround(std::clamp(*stored, 0.0, double(maximumLines))));
}

void store(std::int64_t lines) {
    const std::int64_t kept = std::clamp<std::int64_t>(lines, 0, maximumLines);
    QThreadPool::globalInstance()->start([kept] {
        try {
            DefaultsStore::standard().set(key, kept);
        } catch (const std::exception&) {
            // The document stays as it was; the next change tries again.
        }
    });
}

}  // namespace quillon::ui::SearchScrollback
