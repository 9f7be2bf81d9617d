// Picture viewer figures: one scroll notification on a 10000 x 10000-pixel picture, paint
// included, and SetPicture of a 4000 x 3000 JPEG.
#include "toolkit/Controls.h"
#include "toolkit/Form.h"
#include "toolkit/Services.h"
#include "viewer/cPicScroll.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

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
    for (int i = 0; i < 400; ++i) {
        painter.setBrush(QColor::fromRgb(random.generate() | 0xff000000u));
        painter.setPen(Qt::NoPen);
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
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Figure
{
    double median;
    double worst;
    double paintsPerStep = 0;
    double cpuMedian = -1;
};

// The machine is shared: the thread's own CPU time shows what other processes do not.
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

Figure summarise(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

void row(const char *name, const Figure &f, double targetMs)
{
    std::printf("%-56s median %8.3f ms  worst %8.3f ms  target < %g ms  %s", name, f.median,
                f.worst, targetMs, f.median < targetMs ? "ok" : "SLOW");
    if (f.cpuMedian >= 0)
        std::printf("  (CPU median %.1f ms)", f.cpuMedian);
    if (f.paintsPerStep > 0)
        std::printf("  (%.1f paint events a step)", f.paintsPerStep);
    std::printf("\n");
}

// Each notification: the bar's Scroll (thumb dragged) or Change (arrow), the image box moved,
// then the window painted before the clock stops.
Figure scrollNotification(BenchForm &form, tk::ScrollBar &bar, bool dragged, bool viaEventLoop)
{
    QScrollBar *widget = bar.bar();
    widget->setSliderDown(dragged);
    PaintCounter counter;
    qApp->installEventFilter(&counter);
    std::vector<double> ms;
    QElapsedTimer clock;
    const int steps = std::min(bar.Max(), 400);
    for (int i = 1; i <= steps; ++i) {
        const int value = (i % 2) ? i : bar.Max() - i; // far jumps as well as neighbours
        clock.start();
        widget->setValue(value);
        if (viaEventLoop)
            QCoreApplication::processEvents();
        else
            form.window()->repaint();
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    widget->setSliderDown(false);
    qApp->removeEventFilter(&counter);
    Figure figure = summarise(ms);
    figure.paintsPerStep = double(counter.paints) / steps;
    return figure;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    tk::setMsgBoxHandler([](const tk::MsgBoxRequest &request) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(request.title), qPrintable(request.prompt));
        return int(tk::vbOK);
    });
    QTemporaryDir dir;
    BenchForm form;
    form.Show();
    form.mcPicScroll = std::make_unique<cPicScroll>();
    form.mcPicScroll->Init(form.PicContenedor, form);
    QCoreApplication::processEvents();

    {
        const QString path = dir.filePath(QStringLiteral("foto.jpg"));
        photoLike(4000, 3000).save(path, "JPEG", 90);
        std::vector<double> ms;
        std::vector<double> cpu;
        QElapsedTimer clock;
        for (int i = 0; i < 7; ++i) {
            clock.start();
            const double cpu0 = threadCpuMs();
            form.mcPicScroll->SetPicture(path);
            cpu.push_back(threadCpuMs() - cpu0);
            ms.push_back(clock.nsecsElapsed() / 1e6);
        }
        Figure figure = summarise(ms);
        figure.cpuMedian = summarise(cpu).median;
        row("SetPicture, 4000 x 3000 JPEG", figure, 150);
    }
    {
        const QString path = dir.filePath(QStringLiteral("enorme.jpg"));
        photoLike(10000, 10000).save(path, "JPEG", 85);
        form.mcPicScroll->SetPicture(path);
        QCoreApplication::processEvents();
        auto *v
            = static_cast<tk::ScrollBar *>(form.Controls().find(QStringLiteral("Vertical_Scroll")));
        auto *h = static_cast<tk::ScrollBar *>(
            form.Controls().find(QStringLiteral("Horizontal_Scroll")));
        row("scroll notification, 10000 x 10000, vertical drag",
            scrollNotification(form, *v, true, true), 2);
        row("scroll notification, 10000 x 10000, horizontal drag",
            scrollNotification(form, *h, true, true), 2);
        row("change notification, 10000 x 10000, vertical, repaint()",
            scrollNotification(form, *v, false, false), 2);
    }
    form.Unload();
    return 0;
}
