// Whether a function pointer type has the Windows x64 calling convention
// (ms_abi). GCC and Clang keep the convention in the function type, so a
// pointer to an ms_abi function and one to a System V function of the same
// signature are different types.
#pragma once

namespace host::image {

template <typename Function>
struct UsesWindowsConvention {
    static constexpr bool value = false;
};

template <typename Result, typename... Arguments>
struct UsesWindowsConvention<Result(__attribute__((ms_abi))*)(Arguments...)> {
    static constexpr bool value = true;
};

template <typename Function>
inline constexpr bool usesWindowsConvention = UsesWindowsConvention<Function>::value;

}  // namespace host::image
