#include "session/SessionState.h"

namespace verimetra {

void SessionState::setAreaSlot(int index, double area)
{
    if (index < 0) {
        return;
    }
    if (index >= areaByImage.size()) {
        areaByImage.resize(index + 1, 0.0);
    }
    areaByImage[index] = area;
}

double SessionState::areaSlot(int index) const
{
    return index >= 0 && index < areaByImage.size() ? areaByImage[index] : 0.0;
}

} // namespace verimetra
