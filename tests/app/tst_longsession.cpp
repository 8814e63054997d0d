// Long sessions and big pictures through the real windows: memory must not grow
// with the number of images opened, and a 100-megapixel scan opens within bounds.

#include "TestSupport.h"

#include <QFile>

using namespace verimetra;
using namespace testsupport;

namespace {

// Resident and peak memory of this process, in MiB (Linux).
double memoryMiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return 0;
}

// Starts the peak (VmHWM) afresh from the present resident size (Linux).
void resetPeakMemory()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly)) {
        refs.write("5");
    }
}

} // namespace

class TestLongSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void thousandsOfImagesDoNotGrowMemory();
    void bigScansOpenWithinTheirPictures_data();
    void bigScansOpenWithinTheirPictures();
};

void TestLongSession::thousandsOfImagesDoNotGrowMemory()
{
    Session s;
    const int h = s.clientHeight();
    const int asked = qEnvironmentVariableIntValue("VERIMETRA_LONG_SESSION_IMAGES");
    const int images = asked > 0 ? asked : 2000;
    // Two small scans, opened by turns so that every open reads a file anew.
    const QString paths[2] = {s.write(QStringLiteral("a.png"), filled(120, h, Qt::darkGreen)),
                              s.write(QStringLiteral("b.png"), filled(90, h, Qt::darkGreen))};
    double settled = 0;
    for (int i = 0; i < images; ++i) {
        if (i % 7 == 6) {
            s.press("cmdPicUnload"); // closing and opening again must free the window
        }
        s.open(paths[i % 2]);
        s.setScale(10);
        s.press("cmdConvert");
        s.press("cmdMeasure");
        s.press("cmdDataOK");
        QApplication::processEvents(); // lets windows closed by "Close Image" go
        if (i == images / 10) {
            settled = memoryMiB("VmRSS:");
        }
    }
    QCOMPARE(s.results().rowCount(), images);
    QCOMPARE(s.window->findChildren<ImageWindow*>().size(), 1);
    const double end = memoryMiB("VmRSS:");
    qInfo("long session: %d images, resident %.1f MiB after %d, %.1f MiB at the end, peak %.1f MiB",
          images, settled, images / 10, end, memoryMiB("VmHWM:"));
    // Each leaked picture would cost about 0.3 MiB; the table's rows cost far less.
    QVERIFY2(end - settled < 40, qPrintable(QStringLiteral("grew by %1 MiB").arg(end - settled)));
}

void TestLongSession::bigScansOpenWithinTheirPictures_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("A4 at 600 dpi") << QSize(7016, 4960);
    QTest::newRow("100 megapixels") << QSize(12000, 8400);
}

void TestLongSession::bigScansOpenWithinTheirPictures()
{
    QFETCH(QSize, size);
    Session s;
    const QString path = s.dir.filePath(QStringLiteral("scan.jpg"));
    {
        QImage scan(size, QImage::Format_RGB32);
        scan.fill(QColor(250, 250, 245));
        QVERIFY(scan.save(path, "JPEG", 80));
    }
    resetPeakMemory(); // writing the fixture had its own peak
    const double before = memoryMiB("VmRSS:");
    s.open(path);
    QVERIFY(s.imageWindow());
    QCOMPARE(s.imageWindow()->loadedPicture().size(), size);
    const double peak = memoryMiB("VmHWM:");
    const double picture = double(size.width()) * size.height() * 4 / 1048576;
    const double working = double(s.picture().sizeInBytes()) / 1048576;
    qInfo("%dx%d open: resident %.1f MiB before, peak %.1f MiB; loaded picture %.1f MiB, "
          "working picture and cached fit %.1f MiB each",
          size.width(), size.height(), before, peak, picture, working);
    // The loaded picture, the working picture and the cached fit, and some slack for
    // the decoder's own tables.
    QVERIFY2(peak < std::max(before, 0.0) + picture + 2 * working + 40,
             qPrintable(QString::number(peak)));
}

QTEST_MAIN(TestLongSession)
#include "tst_longsession.moc"
