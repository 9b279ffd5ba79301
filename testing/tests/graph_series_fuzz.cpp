// Series loading and the axis rules on any input: no crash, no hang, and a
// series that loaded stores back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "framework/core/Archive.h"
#include "framework/core/Exceptions.h"
#include "testing/Graph.h"
#include "testing/TestGraphs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    CQXDataSeries s;
    bool loaded = false;
    size_t used = 0;
    try {
        fw::Archive in(bytes);
        s.Serialize(in);
        loaded = true;
        used = size - in.Remaining();
    } catch (const fw::Exception&) {
    }
    if (loaded) {
        fw::Archive out;
        s.Serialize(out);
        if (out.Bytes() != bytes.substr(0, used)) __builtin_trap();
    }
    // The loaded points as a live trace, scaled both ways.
    if (loaded) {
        CGraphTrace trace;
        static_cast<CQXDataSeries&>(trace) = s;
        for (bool idle : {true, false}) {
            CGraph graph;
            double scale = 1.0;
            TestGraphs::AutoScale(graph, trace, scale, idle);
            if (!IsDrawableAxis(graph.m_yAxis)) __builtin_trap();
            (void)InnerTicks(graph.m_yAxis);
        }
    }
    // The first 12 bytes as an axis.
    if (size >= 12) {
        float v[3];
        std::memcpy(v, data, sizeof v);
        CGraphAxis a;
        if (SetAxisRange(a, v[0], v[1], v[2])) {
            auto ticks = InnerTicks(a);
            if (ticks.size() > static_cast<size_t>(kMaxDivisions) + 1) __builtin_trap();
            (void)InnerLabelsFit(a, 10, 100);
            (void)AxisLabel(a, v[0]);
        }
    }
    return 0;
}
