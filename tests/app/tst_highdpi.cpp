#include "app/Module1.h"
#include "app/frm_Autores.h"
#include "app/frm_Principal.h"
#include "app/frm_Splash.h"
#include "card/frm_Ficha.h"
#include "guide/frm_Orlaneva.h"
#include "search/frm_Tarvelo.h"
#include "toolkit/Controls.h"
#include "toolkit/Services.h"

#include "TestSupport.h"

#include <QApplication>
#include <QPainter>
#include <QToolButton>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

using testing::WindowCase;
using testing::windowCase;

namespace {

// The viewer's image box shows a catalogue file, not one of the program's pictures.
bool showsProgramPicture(const tk::PictureBox &box)
{
    return box.hasPicture() && box.Name() != u"pic_Imagen"_s;
}

// What a widget shows, in device pixels.
QImage shown(QWidget *widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A picture as it looks on its box: its transparent parts show the background.
QImage onBackground(const QImage &picture, const QColor &background)
{
    QImage flat(picture.size(), QImage::Format_RGB32);
    flat.fill(background);
    QPainter painter(&flat);
    QImage pixels = picture;
    pixels.setDevicePixelRatio(1.0); // pixel for pixel
    painter.drawImage(QPoint(0, 0), pixels);
    painter.end();
    flat.setDevicePixelRatio(picture.devicePixelRatio());
    return flat;
}

} // namespace

// Runs at a scale factor of 2 (set in main, before the application exists): every picture
// the program draws comes from its double-size variant, on the layout of scale 1.
class TestHighDpi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(qApp->devicePixelRatio(), 2.0); }

    void everyPictureIsDrawnFromTwiceThePixels_data()
    {
        QTest::addColumn<WindowCase>("window");
        QTest::addColumn<int>("pictureBoxes");
        QTest::addColumn<int>("buttons");
        QTest::newRow("splash") << windowCase<frm_Splash>() << 3 << 0;
        QTest::newRow("main") << windowCase<frm_Principal>() << 1 << 4;
        QTest::newRow("search") << windowCase<frm_Tarvelo>() << 5 << 3;
        QTest::newRow("card") << windowCase<frm_Ficha>() << 1 << 2;
        QTest::newRow("guide") << windowCase<frm_Orlaneva>() << 1 << 2;
        QTest::newRow("authors") << windowCase<frm_Autores>() << 2 << 1;
    }
    void everyPictureIsDrawnFromTwiceThePixels()
    {
        QFETCH(WindowCase, window);
        QFETCH(int, pictureBoxes);
        QFETCH(int, buttons);

        testing::WindowSession session;
        Module1::iIdFicha = 1;
        tk::Form &form = window.form();
        tk::dispatch([&] { form.Show(); });
        QVERIFY(session.boxes.boxes.empty());

        const QPixmap icon = form.window()->windowIcon().pixmap(QSize(32, 32), 2.0);
        QCOMPARE(icon.devicePixelRatio(), 2.0);
        QCOMPARE(icon.size(), QSize(64, 64));

        int boxesSeen = 0;
        int buttonsSeen = 0;
        form.Controls().forEach([&](tk::Control *control) {
            if (auto *box = dynamic_cast<tk::PictureBox *>(control);
                box && showsProgramPicture(*box)) {
                ++boxesSeen;
                const QImage &picture = box->Picture();
                QCOMPARE(picture.devicePixelRatio(), 2.0);
                // Drawn pixel for pixel from the double-size picture, clipped by its box.
                const QImage seen = shown(box->client());
                QCOMPARE(seen.devicePixelRatio(), 2.0);
                const QSize covered = seen.size().boundedTo(picture.size());
                const QImage expected
                    = onBackground(picture, box->client()->palette().color(QPalette::Window));
                QCOMPARE(seen.copy(QRect(QPoint(), covered)),
                         expected.copy(QRect(QPoint(), covered)));
            }
            if (auto *button = dynamic_cast<tk::CommandButton *>(control);
                button && !button->button()->icon().isNull()) {
                ++buttonsSeen;
                QToolButton *b = button->button();
                const QPixmap pixmap = b->icon().pixmap(b->iconSize(), b->devicePixelRatio());
                QCOMPARE(pixmap.devicePixelRatio(), 2.0);
                QCOMPARE(pixmap.size(), b->iconSize() * 2);
            }
        });
        QCOMPARE(boxesSeen, pictureBoxes);
        QCOMPARE(buttonsSeen, buttons);

        // The layout stays that of scale 1: the sponsor logo's box clips the logo as designed.
        auto *logo = form.window()->findChild<QWidget *>(u"Picture(3)"_s);
        QVERIFY(logo != nullptr);
        QCOMPARE(logo->size(), QSize(193, 65));

        tk::dispatch([&] { window.drop(); });
        testing::flushEvents();
    }

    void anAutoSizedBoxKeepsItsTwips()
    {
        testing::AppFolder folder;
        testing::EndRecorder ends;
        frm_Autores &w = frm_Autores::Default();
        tk::dispatch([&] { w.Show(); });
        auto *authors = dynamic_cast<tk::PictureBox *>(w.Controls().find(u"Picture(0)"_s));
        QVERIFY(authors != nullptr);
        QCOMPARE(authors->Picture().size(), QSize(1192, 940));
        QCOMPARE(authors->Width(), 8940);
        QCOMPARE(authors->Height(), 7050);
        tk::dispatch([] { frm_Autores::dropDefault(); });
        testing::flushEvents();
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestHighDpi test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_highdpi.moc"
