// Picture viewer figures: SetPicture of a camera-sized JPEG, and one scroll notification on a
// 10000 x 10000-pixel picture with the paint it causes. Beside each, the floor: Qt's image
// reader alone, and a QScrollArea scrolling the same picture.
#include "Bench.h"

#include "toolkit/Controls.h"
#include "toolkit/Form.h"
#include "toolkit/Services.h"
#include "viewer/cPicScroll.h"

#include <QApplication>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace {

class BenchForm : public tk::Form
{
public:
    BenchForm() : Form({QStringLiteral("frm_Bench"), QStringLiteral("Visor"), 15360, 11520, {}}) { }
    tk::PictureBox PicContenedor;
    std::unique_ptr<cPicScroll> mcPicScroll;

protected:
    void createControls() override
    {
        PicContenedor.create(*this, QStringLiteral("PicContenedor"));
        PicContenedor.Move(120, 120, 12000, 9000); // 800 x 600 pixels at 96 DPI
    }
    void Form_Unload(int &) override { mcPicScroll.reset(); }
};

// Something a camera might give: smooth areas, edges and grain, so JPEG has work to do.
QImage photoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, width, height);
    sky.setColorAt(0, QColor(30, 80, 160));
    sky.setColorAt(1, QColor(230, 190, 120));
    painter.fillRect(image.rect(), sky);
    QRandomGenerator random(7);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 400; ++i) {
        painter.setBrush(QColor::fromRgb(random.generate() | 0xff000000u));
        painter.drawEllipse(QPoint(random.bounded(width), random.bounded(height)),
                            random.bounded(20, width / 10), random.bounded(20, height / 10));
    }
    painter.end();
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int grain = int(random.bounded(17)) - 8;
            const QRgb p = line[x];
            line[x]
                = qRgb(std::clamp(qRed(p) + grain, 0, 255), std::clamp(qGreen(p) + grain, 0, 255),
                       std::clamp(qBlue(p) + grain, 0, 255));
        }
    }
    return image;
}

// Counts paint events, to show that every timed notification did paint.
class PaintCounter : public QObject
{
public:
    PaintCounter() { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Each run: one notification of the bar (Scroll while the thumb is held, as in a drag), the
// image box moved, and the pending paint done before the clock stops. Far jumps and neighbours.
bench::Figure scrollSteps(QScrollBar *bar, bool dragged, int runs, double *paintsPerStep)
{
    bar->setSliderDown(dragged);
    int step = 0;
    PaintCounter counter;
    const bench::Figure figure = bench::measure(
        [&] {
            ++step;
            bar->setValue(step % 2 ? step % bar->maximum()
                                   : bar->maximum() - step % bar->maximum());
            QCoreApplication::processEvents();
        },
        runs, 5);
    *paintsPerStep = double(counter.paints) / (runs + 5);
    bar->setSliderDown(false);
    return figure;
}

QString paintsNote(double paintsPerStep)
{
    return QStringLiteral("%1 paint events a step").arg(paintsPerStep, 0, 'f', 1);
}

tk::ScrollBar &bar(BenchForm &form, const char *name)
{
    auto *control = form.Controls().find(QString::fromLatin1(name));
    if (!control)
        throw std::runtime_error("viewer bar missing");
    return *static_cast<tk::ScrollBar *>(control);
}

} // namespace

ORLANEVA_BENCH("visor")
{
    QString failure;
    tk::setMsgBoxHandler([&](const tk::MsgBoxRequest &request) {
        failure = request.prompt;
        return int(tk::vbOK);
    });
    QTemporaryDir dir;
    BenchForm form;
    form.Show();
    form.mcPicScroll = std::make_unique<cPicScroll>();
    form.mcPicScroll->Init(form.PicContenedor, form);
    QCoreApplication::processEvents();

    const QString photo = dir.filePath(QStringLiteral("foto.jpg"));
    photoLike(4000, 3000).save(photo, "JPEG", 90);
    const bench::Figure setPicture
        = bench::measure([&] { form.mcPicScroll->SetPicture(photo); }, 7);
    const bench::Figure reader = bench::measure([&] { QImageReader(photo).read(); }, 7);
    report.add({QStringLiteral("SetPicture, 4000 x 3000 JPEG (3.3 MB, quality 90)"), setPicture,
                reader, 150.0,
                QStringLiteral("floor column: Qt's reader alone; %1 of its time (target <= 1.00: "
                               "%2)")
                    .arg(setPicture.median / reader.median, 0, 'f', 2)
                    .arg(setPicture.median <= reader.median ? QStringLiteral("ok")
                                                            : QStringLiteral("MISSED"))});

    const QString huge = dir.filePath(QStringLiteral("enorme.jpg"));
    {
        const QImage picture = photoLike(10000, 10000);
        picture.save(huge, "JPEG", 85);
    }
    form.mcPicScroll->SetPicture(huge);
    if (!failure.isEmpty())
        throw std::runtime_error(failure.toStdString());
    QCoreApplication::processEvents();

    double paints = 0;
    const bench::Figure vertical
        = scrollSteps(bar(form, "Vertical_Scroll").bar(), true, 300, &paints);
    const QString verticalNote = paintsNote(paints);
    const bench::Figure horizontal
        = scrollSteps(bar(form, "Horizontal_Scroll").bar(), true, 300, &paints);
    const QString horizontalNote = paintsNote(paints);
    form.Unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The floor: Qt's own scrolling view of the same picture, same view size.
    QScrollArea area;
    area.resize(800, 600);
    auto *label = new QLabel;
    QImageReader::setAllocationLimit(1024); // megabytes; Qt's default refuses this picture
    label->setPixmap(QPixmap::fromImage(QImage(huge)));
    area.setWidget(label);
    area.show();
    QCoreApplication::processEvents();
    double floorPaints = 0;
    const bench::Figure floor = scrollSteps(area.verticalScrollBar(), true, 300, &floorPaints);
    area.hide();

    report.add({QStringLiteral("scroll notification, 10000 x 10000, vertical drag"), vertical,
                floor, 2.0, verticalNote + QStringLiteral("; floor: QScrollArea")});
    report.add({QStringLiteral("scroll notification, 10000 x 10000, horizontal drag"), horizontal,
                std::nullopt, 2.0, horizontalNote});
    tk::setMsgBoxHandler(nullptr);
}
