#include "FlowControl.h"

#include <array>

namespace {
struct FlowRow {
    const char* row;
    const char* word;
    int handshaking;
};

constexpr std::array<FlowRow, 3> flows{{
    {"None", "none", 0},
    {"Xon/Xoff", "xonxoff", 1},
    {"Hardware", "hardware", 2},
}};
} // namespace

int handshakingOf(const QString& flowControl) {
    for (const FlowRow& flow : flows)
        if (flowControl == QLatin1String(flow.row) || flowControl == QLatin1String(flow.word))
            return flow.handshaking;
    return -1;
}
