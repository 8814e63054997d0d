// Walks through one measurement of samples/leaves-white.jpg in the real program
// and saves a screenshot of the screen after each step, for the README.
// Run under an X server (Xvfb) with the xcb platform:
//   verimetra-tour <samples folder> <output folder>

#include "TestSupport.h"
#include "app/MainWindow.h"

#include <QAbstractSlider>
#include <QDir>
#include <QScreen>

using namespace testsupport;

namespace {

void settle()
{
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QTest::qWait(25);
    }
}

void shoot(const QString& folder, const char* name)
{
    settle();
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    shot.save(QDir(folder).filePath(QLatin1String(name) + QStringLiteral(".png")));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 3) {
        qWarning("usage: verimetra-tour <samples folder> <output folder>");
        return 2;
    }
    const QString samples = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);

    verimetra::MainWindow window;
    window.showMaximized();
    // Without a window manager nothing maximises; fill the screen by hand.
    window.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    shoot(out, "01-start");

    auto* w = &window;
    auto press = [w](const char* name) { child<QAbstractButton>(w, name)->click(); };

    chooseFile(QDir(samples).filePath(QStringLiteral("leaves-white.jpg")));
    press("cmdImport");
    shoot(out, "02-open");

    // The sample is 1400 x 1000 pixels; the working picture is fitted to the window.
    verimetra::PictureSurface* picture = window.imageWindow()->picture2();
    const double r = window.session().state().fit.ratio;
    auto at = [r](double x, double y) { return QPointF(x * r, y * r); };
    // Along the ruler from its 0 mark to its 20 cm mark.
    sendMouse(picture, QEvent::MouseButtonPress, at(79.5, 884));
    sendMouse(picture, QEvent::MouseMove, at(700, 884));
    sendMouse(picture, QEvent::MouseMove, at(1260.6, 884));
    sendMouse(picture, QEvent::MouseButtonRelease, at(1260.6, 884));
    child<QLineEdit>(w, "txtUnit")->setText(QStringLiteral("20"));
    shoot(out, "03-scale");

    press("cmdScaleOK");
    child<QAbstractButton>(w, "chkRegion")->click();
    sendMouse(picture, QEvent::MouseButtonPress, at(172, 222));
    sendMouse(picture, QEvent::MouseMove, at(540, 872));
    sendMouse(picture, QEvent::MouseButtonRelease, at(540, 872));
    shoot(out, "04-select");

    press("cmdRegionOK");
    // The veins are pale: a higher threshold keeps them in the leaf.
    child<QAbstractSlider>(w, "scrlThreshold")->setValue(450);
    press("cmdConvert");
    shoot(out, "05-convert");

    press("cmdMeasure");
    shoot(out, "06-measure");

    child<QLineEdit>(w, "txtLeafName")->setText(QStringLiteral("ovate leaf"));
    press("cmdDataOK");
    press("cmdDataFile");
    window.dataWindow()->move(window.width() - window.dataWindow()->width() - 40, 120);
    shoot(out, "07-table");
    press("cmdHide");

    // Every leaf of a scan at once: 24 small leaves in rows.
    chooseFile(QDir(samples).filePath(QStringLiteral("small-leaves.png")));
    press("cmdImport");
    const double s = window.session().state().fit.ratio;
    auto on = [s](double x, double y) { return QPointF(x * s, y * s); };
    child<QAbstractButton>(w, "optScale")->click();
    sendMouse(picture, QEvent::MouseButtonPress, on(79.5, 884));
    sendMouse(picture, QEvent::MouseMove, on(1260.6, 884));
    sendMouse(picture, QEvent::MouseButtonRelease, on(1260.6, 884));
    press("cmdScaleOK");
    // The selection leaves the ruler out.
    child<QAbstractButton>(w, "chkRegion")->click();
    sendMouse(picture, QEvent::MouseButtonPress, on(4, 4));
    sendMouse(picture, QEvent::MouseMove, on(1396, 850));
    sendMouse(picture, QEvent::MouseButtonRelease, on(1396, 850));
    press("cmdRegionOK");
    press("cmdConvert");
    press("cmdEachLeaf");
    shoot(out, "08-each-leaf");

    child<QLineEdit>(w, "txtLeafName")->setText(QStringLiteral("plot 7"));
    press("cmdRecordLeaves");
    press("cmdDataFile");
    window.dataWindow()->resize(window.width() * 3 / 4, window.dataWindow()->height());
    window.dataWindow()->move(window.width() / 4 - 40, 120);
    shoot(out, "09-leaves-table");
    return 0;
}
