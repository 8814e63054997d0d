#pragma once

#include <QImage>
#include <QSize>

#include <chrono>
#include <cstdint>

namespace verimetra::bench {

// A scanned sheet of leaves: light, faintly shaded paper, a dozen darker leaves with
// lighter veins, shadows and a few holes, dust specks and a little sensor noise on
// every channel. The same layout at any size, so every size holds the same mix of
// light and dark pixels. Format_RGB32.
QImage makeLeafPicture(QSize size, std::uint32_t seed = 1);

// The pictures of one size, made when first asked for. Asking for another size
// releases the previous size's pictures first, so that only one size is in memory.
// The unconverted picture is released once the converted one has been made from it
// (the benchmarks run the conversion before everything that needs the converted
// picture; asking again remakes it).
const QImage& unconvertedPicture(QSize size);
const QImage& convertedPicture(QSize size); // threshold 300, whole picture
void releasePictures();

// Copies `from` into `to` (same size and format) without reallocating `to`.
void restorePixels(QImage& to, const QImage& from);

// The reference pass: reads every pixel of `picture` scan line by scan line and writes
// back a value derived from it (its colour inverted), in place. Vectorised like the
// program's passes (the AVX2 version is chosen at run time).
void floorPassInPlace(QImage& picture);
// The same reading and writing, from `from` into another picture of the same size.
void floorPassInto(const QImage& from, QImage& to);

// Reads a buffer of one and a half times the last-level cache one core sees (at least
// 48 MiB), so that the pixels of the next pass come from memory, as they do when the
// user converts a picture, rather than from a cache that the untimed restore warmed.
void evictCaches();

using Clock = std::chrono::steady_clock;
inline double secondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

} // namespace verimetra::bench
