#include "player/player_geometry.h"

#include <cstdlib>

namespace kalo {

const std::array<HotSpot, HotSpotCount>& HotSpots() {
    static const std::array<HotSpot, HotSpotCount> spots{{
        {{6, 3}, false, paMainMenu},
        {{168, 3}, true, paPrev},
        {{177, 3}, true, paPlay},
        {{186, 3}, true, paPause},
        {{195, 3}, true, paStop},
        {{204, 3}, true, paNext},
        {{215, 3}, true, paFile},
        {{244, 3}, false, paMini},
        {{254, 3}, false, paShade},
        {{264, 3}, false, paExit},
        {{254, 94}, false, paAbout},
    }};
    return spots;
}

std::vector<PlayerAction> HotSpotActionsAt(QPoint point, bool windowShade) {
    std::vector<PlayerAction> actions;
    for (const HotSpot& spot : HotSpots()) {
        if (spot.windowShadeOnly && !windowShade)
            continue;
        const int x = point.x() - spot.topLeft.x();
        const int y = point.y() - spot.topLeft.y();
        if (x >= 0 && x < HotSpotSize && y >= 0 && y < HotSpotSize)
            actions.push_back(spot.action);
    }
    return actions;
}

int FaceButtonGroup(int button) {
    // Buttons 5 to 10, 17 and 18 are toggles, each in a group of its own.
    static constexpr std::array<int, 19> groups{0, 0, 0, 0, 0, 1, 2, 3, 4, 5,
                                                6, 0, 0, 0, 0, 0, 0, 7, 8};
    return button >= 0 && button < 19 ? groups[static_cast<size_t>(button)] : 0;
}

bool InTitleStrip(QPoint p) {
    return p.x() >= 0 && p.x() < 275 && p.y() >= 0 && p.y() < 14;
}

AxisSnap SnapAxis(int proposed, int size, int low, int high) {
    if (std::abs(proposed - low) < SnapDistance && proposed != low)
        return {low, true};
    if (std::abs(proposed + size - high) < SnapDistance && proposed + size != high)
        return {high - size, true};
    return {proposed, false};
}

DragStep DragWindow(QPoint pointer, QPoint origin, QSize size, const QRect& workArea) {
    const QPoint proposed = pointer - origin;
    const AxisSnap x =
        SnapAxis(proposed.x(), size.width(), workArea.left(), workArea.left() + workArea.width());
    const AxisSnap y =
        SnapAxis(proposed.y(), size.height(), workArea.top(), workArea.top() + workArea.height());
    DragStep step{{x.position, y.position}, pointer, x.snapped || y.snapped};
    // The pointer moves by the distance the snap moved the window, so it
    // keeps its offset inside it.
    if (x.snapped)
        step.pointer.rx() += x.position - proposed.x();
    if (y.snapped)
        step.pointer.ry() += y.position - proposed.y();
    return step;
}

QPoint RightAlignedMenuAt(QPoint point, int menuWidth) {
    return {point.x() - menuWidth, point.y()};
}

} // namespace kalo
