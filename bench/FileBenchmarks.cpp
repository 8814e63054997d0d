#include "FileBenchmarks.h"

#include "BenchPictures.h"
#include "Summary.h"

#include "image/ImageLoader.h"
#include "image/PictureFit.h"
#include "session/RecoveryKeeper.h"
#include "session/ResultsModel.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace verimetra::bench {

namespace {

// Sections of the summary table, after those of the pixel benchmarks.
constexpr int DecodeSection = 20;
constexpr int LoadSection = 21;
constexpr int OpenFitSection = 22;
constexpr int FitSection = 23;
constexpr int RecoverySection = 24;

constexpr int JpegQuality = 90; // what scanners and cameras commonly write

struct PictureFile
{
    std::string tag;   // "scan-7016x4960.jpg"
    std::string label; // "7016 x 4960 scan, JPEG"
    QString path;
    QSize size;
    std::vector<int> fitHeights;
    int iterations; // each one decodes the whole file
};

std::string decodeName(const PictureFile& f)
{
    return "decode/" + f.tag;
}

double medianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Decoding alone, as Qt's reader does it with nothing around it; false on failure.
bool decodeOnce(const PictureFile& file, double& seconds)
{
    QImage image;
    const Clock::time_point start = Clock::now();
    {
        QImageReader reader(file.path);
        reader.setAutoTransform(true);
        if (!reader.read(&image)) {
            return false;
        }
    }
    seconds = secondsBetween(start, Clock::now());
    benchmark::DoNotOptimize(image.constBits());
    return true;
}

// Runs `body(seconds)` in every iteration; the body times its own part (so that what
// it frees afterwards is not counted) and returns false on failure. These benchmarks
// run a few long iterations on a machine that may be shared, so besides the mean that
// Google Benchmark reports, the median iteration is recorded for the summary table.
//
// With `pairedDecode`, every iteration also decodes the file alone, untimed for the
// benchmark, before or after the body by turns; the median of those decodes is
// recorded as "<name>#decode", and the ratio to it is what the goal is judged on.
// Both halves of a pair run under the same load, so the ratio holds even when other
// work on the machine slows every run down.
template <typename Body>
void timeIterations(benchmark::State& state, const std::string& name, const PictureFile& file,
                    bool pairedDecode, Body body)
{
    std::vector<double> times;
    std::vector<double> decodes;
    bool decodeFirst = true;
    for (auto _ : state) {
        double seconds = 0;
        double decode = 0;
        bool ok = true;
        if (pairedDecode && decodeFirst) {
            ok = decodeOnce(file, decode);
        }
        ok = ok && body(seconds);
        if (pairedDecode && !decodeFirst) {
            ok = ok && decodeOnce(file, decode);
        }
        decodeFirst = !decodeFirst;
        if (!ok) {
            state.SkipWithError("the picture could not be read, loaded or fitted");
            break;
        }
        state.SetIterationTime(seconds);
        times.push_back(seconds);
        decodes.push_back(decode);
    }
    if (times.empty()) {
        return;
    }
    const double median = medianOf(times);
    recordTime(name, median);
    state.counters["median_ms"] = median * 1e3;
    if (pairedDecode) {
        const double decode = medianOf(decodes);
        recordTime(name + "#decode", decode);
        state.counters["paired_decode_ms"] = decode * 1e3;
        state.counters["ratio_to_decode"] = median / decode;
    }
}

void decodeAlone(benchmark::State& state, const std::string& name, const PictureFile& file)
{
    timeIterations(state, name, file, false,
                   [&](double& seconds) { return decodeOnce(file, seconds); });
}

void loadAlone(benchmark::State& state, const std::string& name, const PictureFile& file)
{
    timeIterations(state, name, file, true, [&](double& seconds) {
        const Clock::time_point start = Clock::now();
        Result<QImage> loaded = loadImageFile(file.path);
        seconds = secondsBetween(start, Clock::now());
        benchmark::DoNotOptimize(loaded.value().constBits());
        return loaded.ok();
    });
}

// Opening as the program does it: the file loaded, its fit to the window's inner
// height computed and the working picture made (a new picture always misses the
// cache).
void openAndFit(benchmark::State& state, const std::string& name, const PictureFile& file,
                int fitHeight)
{
    timeIterations(state, name, file, true, [&](double& seconds) {
        FitCache cache;
        QImage working;
        const Clock::time_point start = Clock::now();
        Result<QImage> loaded = loadImageFile(file.path);
        if (loaded.ok()) {
            const PictureFit fit = computeFit(fitHeight, loaded.value().size());
            working = cache.scaled(loaded.value(), QSize(int(fit.width), int(fit.height)));
        }
        seconds = secondsBetween(start, Clock::now());
        benchmark::DoNotOptimize(working.constBits());
        return !working.isNull();
    });
}

// The fit alone, from a picture already loaded.
void fitAlone(benchmark::State& state, const std::string& name, const PictureFile& file,
              int fitHeight)
{
    const Result<QImage> loaded = loadImageFile(file.path);
    if (!loaded.ok()) {
        state.SkipWithError("loadImageFile failed");
        return;
    }
    timeIterations(state, name, file, false, [&](double& seconds) {
        FitCache cache;
        const Clock::time_point start = Clock::now();
        const PictureFit fit = computeFit(fitHeight, loaded.value().size());
        QImage working = cache.scaled(loaded.value(), QSize(int(fit.width), int(fit.height)));
        seconds = secondsBetween(start, Clock::now());
        benchmark::DoNotOptimize(working.constBits());
        return !working.isNull();
    });
}

std::string sizeLabel(QSize size)
{
    return std::to_string(size.width()) + " x " + std::to_string(size.height());
}

bool writePictures(const QString& folder, const std::string& stem, QSize size,
                   const std::string& what, std::vector<PictureFile>& files,
                   const std::vector<int>& jpegHeights, const std::vector<int>& pngHeights,
                   int jpegIterations, int pngIterations)
{
    const Clock::time_point made = Clock::now();
    const QImage picture = makeLeafPicture(size, 7);
    const double makeSeconds = secondsBetween(made, Clock::now());
    for (const char* format : {"jpg", "png"}) {
        const std::string tag = stem + "." + format;
        const QString path = QDir(folder).filePath(QString::fromStdString(tag));
        QImageWriter writer(path);
        if (std::string(format) == "jpg") {
            writer.setQuality(JpegQuality);
        }
        const Clock::time_point start = Clock::now();
        if (!writer.write(picture)) {
            std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                         qPrintable(writer.errorString()));
            return false;
        }
        const double writeSeconds = secondsBetween(start, Clock::now());
        // Read it back once as the program would: this checks the file and raises Qt's
        // allocation limit exactly as the program does before decoding alone.
        const Result<QImage> check = loadImageFile(path);
        if (!check.ok() || check.value().size() != size) {
            std::fprintf(stderr, "cannot read back %s: %s\n", qPrintable(path),
                         qPrintable(check.error()));
            return false;
        }
        const bool jpeg = std::string(format) == "jpg";
        std::printf("test file %-22s %s, %.1f MB (made in %.2f s, written in %.2f s)\n",
                    tag.c_str(), sizeLabel(size).c_str(), double(QFileInfo(path).size()) / 1e6,
                    makeSeconds, writeSeconds);
        files.push_back(PictureFile{tag, sizeLabel(size) + " " + what + (jpeg ? ", JPEG" : ", PNG"),
                                    path, size, jpeg ? jpegHeights : pngHeights,
                                    jpeg ? jpegIterations : pngIterations});
    }
    return true;
}

// What each change of a results table of `rows` leaf rows costs: the recovery copy
// written whole and saved atomically (the write, the flush to disk and the rename).
void recoveryCopy(benchmark::State& state, const QString& folder, int rows)
{
    ResultsModel results;
    results.setUpTable();
    results.setUnit(QStringLiteral("cm"));
    ResultRecord row(QStringLiteral("plot 17, tray 3-12"), 1.2345678901234567);
    row.leaf.leaf = 12;
    row.leaf.holesArea = 0.012345678901234567;
    row.leaf.filledArea = 1.2469135802469136;
    row.leaf.holesPercent = 0.9900990099009901;
    row.leaf.perimeter = 5.123456789012345;
    row.leaf.length = 2.345678901234567;
    row.leaf.width = 0.8765432109876543;
    row.leaf.centroidX = 12.345678901234567;
    row.leaf.centroidY = 6.543210987654321;
    row.leaf.specks = 3;
    row.leaf.specksArea = 0.00123456789;
    row.provenance.imageFile = QStringLiteral("/home/user/scans/experiment 4/tray 3.jpg");
    row.provenance.unit = QStringLiteral("cm");
    row.provenance.pixelsPerUnit = 59.05511811023622;
    row.provenance.knownLength = 20;
    row.provenance.threshold = 300;
    row.provenance.region = QRect(10, 20, 1300, 900);
    const QDateTime now = QDateTime::currentDateTime();
    row.provenance.measuredAt = now.toOffsetFromUtc(now.offsetFromUtc()); // as measured
    row.provenance.programVersion = QStringLiteral(VERIMETRA_VERSION);
    results.recordAll(QList<ResultRecord>(rows, row));
    RecoveryKeeper keeper(results, folder);
    if (!keeper.start().ok()) {
        state.SkipWithError("cannot start the recovery copy");
        return;
    }
    for (auto _ : state) {
        results.markChanged(); // one change: the copy is written
    }
    state.counters["bytes"] = double(QFileInfo(keeper.path()).size());
    keeper.finish();
}

} // namespace

bool registerFileBenchmarks(const QString& folder)
{
    for (const int rows : {1000, 5000}) {
        const std::string name = "recovery_copy/" + std::to_string(rows);
        benchmark::RegisterBenchmark(name.c_str(), [folder, rows](benchmark::State& s) {
            recoveryCopy(s, folder, rows);
        })->Unit(benchmark::kMillisecond);
        addSummaryRow(SummaryRow{name,
                                 "recovery copy after a change: the whole table written and "
                                 "saved atomically",
                                 std::to_string(rows) + " leaf rows", "", GoalKind::Under, 0.1, "",
                                 "", RecoverySection});
    }

    static std::vector<PictureFile> files; // the benchmarks refer to these until the end
    // The JPEG is fitted to 1000 high, to the heights of the working sizes, and at the
    // loaded size. The fit costs the same after either decoder, so the PNG, several
    // times slower to decode, is fitted to 1000 high and to the largest fit only, which
    // keeps the run short.
    if (!writePictures(folder, "scan-7016x4960", QSize(7016, 4960), "scan", files,
                       {1000, 1050, 1500, 3000, 4960}, {1000, 3000}, 5, 3) ||
        !writePictures(folder, "photo-4000x3000", QSize(4000, 3000), "picture", files,
                       {1000, 1050, 1500, 3000}, {1000, 1500}, 5, 3)) {
        return false;
    }
    std::fflush(stdout);

    for (const PictureFile& file : files) {
        const PictureFile* f = &file;
        const std::string decode = decodeName(file);
        benchmark::RegisterBenchmark(
            decode.c_str(), [f, decode](benchmark::State& s) { decodeAlone(s, decode, *f); })
            ->UseManualTime()
            ->Iterations(file.iterations)
            ->Unit(benchmark::kMillisecond);
        addSummaryRow(SummaryRow{decode, "decode alone (QImageReader::read, autotransform)",
                                 file.label, "", GoalKind::None, 0, "", "", DecodeSection});

        const std::string load = "load/" + file.tag;
        benchmark::RegisterBenchmark(load.c_str(),
                                     [f, load](benchmark::State& s) { loadAlone(s, load, *f); })
            ->UseManualTime()
            ->Iterations(file.iterations)
            ->Unit(benchmark::kMillisecond);
        addSummaryRow(SummaryRow{load, "loadImageFile alone", file.label, "",
                                 GoalKind::ShowReference, 0, load + "#decode", "decode",
                                 LoadSection});

        for (const int height : file.fitHeights) {
            const PictureFit fit = computeFit(height, file.size);
            const std::string working = "fitted to " + std::to_string(height) + " high (" +
                                        std::to_string(int(fit.width)) + " x " +
                                        std::to_string(int(fit.height)) + ")";
            const std::string open = "open_fit/" + file.tag + "/h" + std::to_string(height);
            benchmark::RegisterBenchmark(
                open.c_str(),
                [f, open, height](benchmark::State& s) { openAndFit(s, open, *f, height); })
                ->UseManualTime()
                ->Iterations(file.iterations)
                ->Unit(benchmark::kMillisecond);
            addSummaryRow(SummaryRow{open,
                                     "open and fit: loadImageFile + computeFit + " +
                                         std::string("FitCache::scaled, ") + working,
                                     file.label, "", GoalKind::TimesReference, 1.3,
                                     open + "#decode", "decode", OpenFitSection});
        }
    }
    // The fit alone, once per source size (the JPEG and the PNG decode alike).
    for (const PictureFile& file : files) {
        if (file.tag.find(".jpg") == std::string::npos) {
            continue;
        }
        const PictureFile* f = &file;
        for (const int height : file.fitHeights) {
            const PictureFit fit = computeFit(height, file.size);
            const std::string name = "fit/" + file.tag + "/h" + std::to_string(height);
            benchmark::RegisterBenchmark(
                name.c_str(),
                [f, name, height](benchmark::State& s) { fitAlone(s, name, *f, height); })
                ->UseManualTime()
                ->MinTime(0.2)
                ->Unit(benchmark::kMillisecond);
            addSummaryRow(SummaryRow{
                name,
                "fit alone: computeFit + FitCache::scaled (cache miss) to " +
                    std::to_string(int(fit.width)) + " x " + std::to_string(int(fit.height)),
                sizeLabel(file.size), "", GoalKind::None, 0, "", "", FitSection});
        }
    }
    return true;
}

} // namespace verimetra::bench
