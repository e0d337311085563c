// The readable name of a function symbol: C++ names demangled
// (abi::__cxa_demangle) without their parameter list, qualifiers or clone
// suffix, so "_ZN13CaptureWorker10ThreadMainEPv" reads
// "CaptureWorker::ThreadMain"; other names unchanged.
#pragma once

#include <string>
#include <string_view>

namespace host::image {

std::string readableFunctionName(std::string_view symbol);

// "Foo(int) const" -> "Foo"; "(anonymous namespace)::Bar(char*)" ->
// "(anonymous namespace)::Bar"; text without a trailing parameter list is
// returned unchanged.
std::string withoutParameters(std::string_view demangled);

}  // namespace host::image
