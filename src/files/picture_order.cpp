#include "files/picture_order.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "files/paths.h"
#include "runtime/entry_points.h"

namespace vela {

void SortInExplorerOrder(std::vector<Path>& paths) {
    if (paths.size() < 2) return;
    // The names are taken out once each, not once per comparison.
    std::vector<Path> names;
    names.reserve(paths.size());
    for (const Path& p : paths) names.push_back(FileNameOfPath(p));
    std::vector<std::size_t> order(paths.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto compare = api::StrCmpLogicalW.Get();
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return compare(names[a].c_str(), names[b].c_str()) < 0; });
    std::vector<Path> sorted;
    sorted.reserve(paths.size());
    for (std::size_t i : order) sorted.push_back(std::move(paths[i]));
    paths.swap(sorted);
}

int RemoveEntry(std::vector<Path>& paths, int current, const Path& path) {
    const bool currentGoes =
        current >= 1 && static_cast<std::size_t>(current) <= paths.size() && paths[current - 1] == path;
    int before = 0;  // removed entries ahead of the current one
    for (int i = 0; i < current - 1 && static_cast<std::size_t>(i) < paths.size(); ++i)
        if (paths[i] == path) ++before;
    paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
    const int count = static_cast<int>(paths.size());
    if (count == 0) return 0;
    const int next = current - before;
    if (!currentGoes) return std::clamp(next, 0, count);
    return std::min(next, count);
}

}  // namespace vela
