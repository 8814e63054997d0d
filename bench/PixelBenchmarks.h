#pragma once

namespace verimetra::bench {

// For every working-picture size: the floor pass, the conversion and the count (on a
// picture of its own and on one that shares its pixels), the split into leaves, the
// stamp and the repaints
// after it; and Refresh on the 7016 x 4960 scan fitted to 1000 high and on a
// 4000 x 3000 working picture.
void registerPixelBenchmarks();

} // namespace verimetra::bench
