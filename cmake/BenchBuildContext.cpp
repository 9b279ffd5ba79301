// Linked into every benchmark: says in the benchmark's context how the
// station's own code was compiled. The benchmark library's warning "Library
// was built as DEBUG" is about the library as the distribution built it, not
// about the code being measured.
#include <benchmark/benchmark.h>

namespace {

const bool kBuildContext = [] {
    benchmark::AddCustomContext("ryx_build_type", RYX_BUILD_TYPE[0] ? RYX_BUILD_TYPE : "(none)");
#ifdef __OPTIMIZE__
    benchmark::AddCustomContext("ryx_optimised", "yes");
#else
    benchmark::AddCustomContext("ryx_optimised", "NO: timings are not those of the station as run");
#endif
    return true;
}();

}  // namespace
