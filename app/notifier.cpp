#include "app/notifier.h"

#include "app/platform/dbus_notifier.h"

namespace quillon {

Notifier& Notifier::system() { return *DbusNotifier::session(); }

}  // namespace quillon
