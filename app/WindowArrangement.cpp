#include "app/WindowArrangement.h"

#include <QRegion>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>

namespace WindowArrangement {

namespace {

// Splits total into needs.size() parts that add up to total. Equal parts, unless some part needs
// more and all needs fit: then those get what they need and the others share the rest equally.
std::vector<int> Shares(int total, const std::vector<int>& needs) {
    const int n = static_cast<int>(needs.size());
    std::vector<int> parts(static_cast<std::size_t>(n), 0);
    if (n == 0) return parts;
    std::vector<bool> fixed(parts.size(), false);
    const long long sumNeeds = std::accumulate(needs.begin(), needs.end(), 0LL);
    if (sumNeeds <= total) {
        // Give a needy part its need and split the rest again, until the equal share suffices
        // for every part that is left.
        for (bool changed = true; changed;) {
            changed = false;
            int left = total, open = 0;
            for (std::size_t i = 0; i < parts.size(); ++i) {
                if (fixed[i])
                    left -= needs[i];
                else
                    ++open;
            }
            if (open == 0) break;
            const int share = left / open;
            for (std::size_t i = 0; i < parts.size(); ++i)
                if (!fixed[i] && needs[i] > share) {
                    fixed[i] = true;
                    changed = true;
                }
        }
    }
    int left = total, open = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (fixed[i]) {
            parts[i] = needs[i];
            left -= needs[i];
        } else {
            ++open;
        }
    }
    // The unfixed parts share what is left; the remainder of the division goes one pixel each
    // to the first of them, so the parts add up exactly.
    int remainder = open > 0 ? left % open : 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (fixed[i]) continue;
        parts[i] = left / open + (remainder > 0 ? 1 : 0);
        if (remainder > 0) --remainder;
    }
    return parts;
}

long long AreaOf(const QRect& r) {
    return r.isEmpty() ? 0 : static_cast<long long>(r.width()) * r.height();
}

long long AreaOf(const QRegion& region) {
    long long sum = 0;
    for (const QRect& r : region) sum += AreaOf(r);
    return sum;
}

}  // namespace

std::vector<QRect> Tile(const QRect& area, const std::vector<QSize>& needs) {
    const int count = static_cast<int>(needs.size());
    std::vector<QRect> rects;
    if (count == 0 || area.isEmpty()) return rects;
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const int rows = (count + columns - 1) / columns;
    // Columns filled top to bottom; the last columns take one window fewer where count is not
    // a multiple, so no cell stays empty.
    std::vector<int> perColumn(static_cast<std::size_t>(columns), rows);
    for (int missing = columns * rows - count, c = columns - 1; missing > 0; --missing, --c)
        --perColumn[static_cast<std::size_t>(c)];
    std::vector<int> widthNeeds;
    for (int c = 0, first = 0; c < columns; first += perColumn[static_cast<std::size_t>(c)], ++c) {
        int need = 0;
        for (int i = first; i < first + perColumn[static_cast<std::size_t>(c)]; ++i)
            need = std::max(need, needs[static_cast<std::size_t>(i)].width());
        widthNeeds.push_back(need);
    }
    const std::vector<int> widths = Shares(area.width(), widthNeeds);
    int x = area.left();
    for (int c = 0, first = 0; c < columns; first += perColumn[static_cast<std::size_t>(c)], ++c) {
        std::vector<int> heightNeeds;
        for (int i = first; i < first + perColumn[static_cast<std::size_t>(c)]; ++i)
            heightNeeds.push_back(needs[static_cast<std::size_t>(i)].height());
        const std::vector<int> heights = Shares(area.height(), heightNeeds);
        int y = area.top();
        for (const int height : heights) {
            rects.emplace_back(x, y, widths[static_cast<std::size_t>(c)], height);
            y += height;
        }
        x += widths[static_cast<std::size_t>(c)];
    }
    return rects;
}

QRect LeastCoveringPlace(const QRect& area, const QRect& wanted, const std::vector<QRect>& open) {
    if (area.isEmpty()) return wanted;
    const QSize size = wanted.size().boundedTo(area.size()).expandedTo(QSize(1, 1));
    const int maxX = area.left() + area.width() - size.width();
    const int maxY = area.top() + area.height() - size.height();
    // Candidate corners: a fine grid over the area, and the places where an edge of the window
    // meets an edge of an open window or of the area.
    std::vector<int> xs, ys;
    constexpr int kSteps = 48;
    for (int i = 0; i <= kSteps; ++i) {
        xs.push_back(area.left() + (maxX - area.left()) * i / kSteps);
        ys.push_back(area.top() + (maxY - area.top()) * i / kSteps);
    }
    xs.push_back(wanted.left());
    ys.push_back(wanted.top());
    for (const QRect& r : open) {
        for (int v :
             {r.left(), r.left() + r.width(), r.left() - size.width(), r.left() + r.width() - size.width()})
            xs.push_back(v);
        for (int v :
             {r.top(), r.top() + r.height(), r.top() - size.height(), r.top() + r.height() - size.height()})
            ys.push_back(v);
    }
    // What each open window shows now: the windows above it hide the rest.
    std::vector<QRegion> visible;
    std::vector<long long> full;
    for (std::size_t i = 0; i < open.size(); ++i) {
        QRegion region(open[i]);
        for (std::size_t j = i + 1; j < open.size(); ++j) region -= open[j];
        visible.push_back(region);
        full.push_back(std::max(1LL, AreaOf(open[i])));
    }
    // The corner of each title bar with the buttons that minimise, maximise and close it, where
    // it can be seen now.
    constexpr int kButtonsWidth = 80, kTitleHeight = 24;
    std::vector<QRegion> buttons;
    for (std::size_t i = 0; i < open.size(); ++i) {
        const QRect& r = open[i];
        const QRect corner(r.left() + std::max(0, r.width() - kButtonsWidth), r.top(),
                           std::min(r.width(), kButtonsWidth), std::min(r.height(), kTitleHeight));
        buttons.push_back(visible[i].intersected(corner));
    }
    const long long windowArea = AreaOf(QRect(QPoint(), size));
    // Costs in whole percent, so that places which differ by a few pixels count as equal and
    // the one nearest to where the window wanted to be wins.
    using Cost = std::tuple<long long, long long, long long, long long>;
    Cost best{};
    QRect bestRect;
    bool first = true;
    for (int x : xs) {
        x = std::clamp(x, area.left(), std::max(area.left(), maxX));
        for (int y : ys) {
            y = std::clamp(y, area.top(), std::max(area.top(), maxY));
            const QRect candidate(QPoint(x, y), size);
            long long hidden = 0, leastLeft = 100, buttonsHidden = 0;
            for (std::size_t i = 0; i < visible.size(); ++i) {
                if (!buttons[i].isEmpty() && buttons[i].intersects(candidate)) ++buttonsHidden;
                const long long shown = AreaOf(visible[i]);
                const long long covered = AreaOf(visible[i].intersected(candidate));
                hidden += covered;
                leastLeft = std::min(leastLeft, (shown - covered) * 100 / full[i]);
            }
            const long long dx = x - wanted.left(), dy = y - wanted.top();
            const Cost cost{hidden * 100 / std::max(1LL, windowArea), buttonsHidden, 100 - leastLeft,
                            dx * dx + dy * dy};
            if (first || cost < best) {
                best = cost;
                bestRect = candidate;
                first = false;
            }
        }
    }
    return bestRect;
}

}  // namespace WindowArrangement
