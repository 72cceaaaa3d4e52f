#include "core/version.h"

namespace quillon {

std::string_view version() noexcept { return QUILLON_VERSION; }

}  // namespace quillon
