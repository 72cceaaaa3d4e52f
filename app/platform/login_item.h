#pragma once
// Starting the application when the user logs in.

#include <string>

namespace quillon {

class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() const = 0;
    // Throws std::runtime_error whose what() is the system's description of the failure.
    virtual void setEnabled(bool enabled) = 0;
};

}  // namespace quillon
