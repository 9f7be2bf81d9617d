// Manual check of the viewer on a real display: a window whose container follows the window's
// size, showing a picture larger than it. Usage: viewer_demo [picture] [quit-after-seconds]
#include "toolkit/Controls.h"
#include "toolkit/Form.h"
#include "toolkit/Services.h"
#include "toolkit/Startup.h"
#include "viewer/cPicScroll.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

class DemoForm : public tk::Form
{
public:
    explicit DemoForm(QString picture)
        : Form({QStringLiteral("frm_Demo"), QStringLiteral("Orlaneva - visor"), 12000, 9000, {}}),
          m_picture(std::move(picture))
    { }
    tk::PictureBox PicContenedor;
    std::unique_ptr<cPicScroll> mcPicScroll;

protected:
    void createControls() override
    {
        PicContenedor.create(*this, QStringLiteral("PicContenedor"));
        PicContenedor.Move(300, 300, 11400, 8400);
    }
    void Form_Load() override
    {
        mcPicScroll = std::make_unique<cPicScroll>();
        mcPicScroll->Init(PicContenedor, *this);
        if (!m_picture.isEmpty())
            mcPicScroll->SetPicture(m_picture);
    }
    void Form_Resize() override
    {
        tk::resumeNext(
            {[this] { PicContenedor.Move(300, 300, ScaleWidth() - 600, ScaleHeight() - 600); }});
    }
    void Form_Unload(int &) override
    {
        mcPicScroll.reset();
        QCoreApplication::quit();
    }

private:
    QString m_picture;
};

// A grid with its coordinates written in, so a screenshot tells where the view stands.
QString drawPicture(const QString &folder)
{
    QImage image(3000, 2200, QImage::Format_RGB32);
    image.fill(QColor(250, 246, 232));
    QPainter painter(&image);
    for (int x = 0; x < image.width(); x += 100) {
        for (int y = 0; y < image.height(); y += 100) {
            const QColor cell = QColor::fromHsv((x / 10 + y / 20) % 360, 70, 235);
            painter.fillRect(x + 1, y + 1, 98, 98, cell);
            painter.setPen(QColor(60, 60, 60));
            painter.drawText(QRect(x, y, 100, 100), Qt::AlignCenter,
                             QStringLiteral("%1,%2").arg(x).arg(y));
        }
    }
    painter.setPen(QPen(QColor(200, 30, 30), 6));
    painter.drawRect(image.rect().adjusted(3, 3, -3, -3));
    painter.end();
    const QString path = folder + QStringLiteral("/Demo.bmp");
    image.save(path);
    return path;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    tk::initialize();
    QTemporaryDir dir;
    const QStringList args = app.arguments();
    const QString picture
        = args.size() > 1 && !args[1].isEmpty() ? args[1] : drawPicture(dir.path());
    DemoForm form(picture);
    form.Show();
    // Thumbs away from the start, so the offsets show.
    form.mcPicScroll->setHSBarValue(10);
    form.mcPicScroll->setVSBarValue(5);
    if (args.size() > 2)
        QTimer::singleShot(args[2].toInt() * 1000, &app, [&form] { form.Unload(); });
    return app.exec();
}
