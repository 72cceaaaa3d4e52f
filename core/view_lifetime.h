#pragma once
// Functions that return a view into their argument (text::trim, text::split, sessionPart)
// must not be handed a std::string that dies at the end of the full expression, such as a
// function's result: the view would outlive it. Two fences keep that from compiling or from
// going unnoticed: overloads constrained on `Expiring` (which return owning strings or are
// deleted), and QUILLON_LIFETIMEBOUND on the viewed parameter, which makes clang warn where
// a view of a temporary is kept. Other compilers ignore the attribute.

#include <concepts>
#include <string>
#include <type_traits>

#if defined(__clang__)
#define QUILLON_LIFETIMEBOUND [[clang::lifetimebound]]
#else
#define QUILLON_LIFETIMEBOUND
#endif

namespace quillon {

// A std::string passed as an rvalue, deduced through a forwarding reference `S&&`.
template <class S>
concept Expiring = !std::is_lvalue_reference_v<S> && std::same_as<std::remove_cv_t<S>, std::string>;

}  // namespace quillon
