#include "signal/signal_grid.h"

#include "signal/system_error.h"

namespace dtchart {

std::int16_t SignalGrid::at(int bin, int slot) const {
    if (bin < 0 || bin >= Bins || slot < 0 || slot >= Slots)
        throw SystemError(error_number::SubscriptOutOfRange, "subscript out of range");
    return cell(bin, slot);
}

}  // namespace dtchart
