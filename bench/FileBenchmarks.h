#pragma once

#include <QString>

namespace verimetra::bench {

// Writes a JPEG and a PNG of a 7016 x 4960 scan and of a 4000 x 3000 picture into
// `folder`, reports their sizes on standard output, and registers: decoding alone,
// loadImageFile alone, opening and fitting (loadImageFile, computeFit and
// FitCache::scaled) to several heights, and the fit alone. Returns false (after
// saying why on standard error) when a file could not be written or read back.
bool registerFileBenchmarks(const QString& folder);

} // namespace verimetra::bench
