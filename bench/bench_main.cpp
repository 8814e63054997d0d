// The benchmark program: times the program's pixel passes, the stamp and its repaint,
// opening and fitting a picture and Refresh, and prints a table of each against its
// reference and its goal. Runs offscreen unless QT_QPA_PLATFORM says otherwise;
// takes Google Benchmark's options (--benchmark_filter=convert, ...).

#include "BenchPictures.h"
#include "FileBenchmarks.h"
#include "PixelBenchmarks.h"
#include "Summary.h"

#include "analysis/AreaMeasurement.h"
#include "analysis/Conversion.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdio>
#include <unistd.h>

namespace {

// The share of the test picture that the conversion at 300 turns black.
double blackFraction()
{
    const QSize size(1400, 1050);
    QImage picture = verimetra::bench::makeLeafPicture(size);
    const verimetra::RegionBounds whole{0, 0, double(size.width()), double(size.height())};
    verimetra::convertToBlackAndWhite(picture, whole, verimetra::ThresholdStart);
    return double(verimetra::countAndMarkBlack(picture, whole)) /
           (double(size.width()) * size.height());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORMTHEME")) {
            qputenv("QT_QPA_PLATFORMTHEME", ""); // a desktop theme may need a display
        }
    }
    QApplication app(argc, argv);
    // QApplication takes the user's locale for C's number formatting; the tables are
    // written with a decimal point.
    std::setlocale(LC_NUMERIC, "C");

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }

    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder: %s\n",
                     qPrintable(folder.errorString()));
        return 1;
    }
    std::printf("Test pictures: light paper, twelve leaves with veins, shadows and holes, dust\n"
                "and noise; %.1f %% of the pixels turn black at threshold 300.\n",
                100.0 * blackFraction());

    verimetra::bench::registerPixelBenchmarks();
    if (!verimetra::bench::registerFileBenchmarks(folder.path())) {
        return 1;
    }

    // Colour on a terminal only; counters as name=value after each line.
    verimetra::bench::CollectingReporter reporter(isatty(fileno(stdout))
                                                      ? benchmark::ConsoleReporter::OO_Color
                                                      : benchmark::ConsoleReporter::OO_None);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    verimetra::bench::releasePictures();

    std::fflush(stdout);
    verimetra::bench::printSummary(reporter.times(), stdout);
    benchmark::Shutdown();
    return 0;
}
