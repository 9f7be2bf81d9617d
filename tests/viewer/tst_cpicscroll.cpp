#include "common/Error.h"
#include "toolkit/Controls.h"
#include "toolkit/Form.h"
#include "toolkit/Services.h"
#include "viewer/cPicScroll.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QProxyStyle>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {

// Windows' thickness at 96 DPI: 17 pixels, 255 twips, as in the worked example.
class SeventeenPixelBars : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override
    {
        if (metric == PM_ScrollBarExtent)
            return 17;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

constexpr int kBar = 255; // twips

class HostForm : public tk::Form
{
public:
    HostForm() : Form({QStringLiteral("frm_Visor"), QStringLiteral("Visor"), 12000, 9000, {}}) { }
    tk::PictureBox PicContenedor;
    std::unique_ptr<cPicScroll> mcPicScroll;

protected:
    void createControls() override
    {
        PicContenedor.create(*this, QStringLiteral("PicContenedor"));
        PicContenedor.setBorderStyle(tk::PictureBox::vbBSNone); // ScaleWidth == Width
    }
    void Form_Unload(int &) override { mcPicScroll.reset(); }
};

struct Rect
{
    int left, top, width, height;
    bool operator==(const Rect &) const = default;
};

Rect rectOf(const tk::Control &c)
{
    return {c.Left(), c.Top(), c.Width(), c.Height()};
}

char *toString(const Rect &r)
{
    return qstrdup(QStringLiteral("(%1, %2, %3 x %4)")
                       .arg(r.left)
                       .arg(r.top)
                       .arg(r.width)
                       .arg(r.height)
                       .toUtf8()
                       .constData());
}

} // namespace

Q_DECLARE_METATYPE(Rect)

class TestPicScroll : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QApplication::setStyle(new SeventeenPixelBars);
        if (tk::Screen::TwipsPerPixelX() != 15.0 || tk::Screen::TwipsPerPixelY() != 15.0)
            QSKIP("the figures below assume 96 DPI");
    }

    void init()
    {
        m_boxes.clear();
        tk::setMsgBoxHandler([this](const tk::MsgBoxRequest &request) {
            m_boxes.push_back(request);
            return int(tk::vbOK);
        });
        m_form = std::make_unique<HostForm>();
        m_form->Load();
    }

    void cleanup()
    {
        m_form->Unload();
        m_form.reset();
        tk::setMsgBoxHandler(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void initLeavesEverythingHidden()
    {
        host(6000, 4500);
        QVERIFY(!image().Visible());
        QCOMPARE(rectOf(image()), (Rect{0, 0, 0, 0}));
        QVERIFY(!vbar().Visible());
        QVERIFY(!hbar().Visible());
        QCOMPARE(m_form->Controls().find(QStringLiteral("pic_Imagen")), &image());

        QWidget *inner = m_form->PicContenedor.client();
        for (tk::Control *c : std::vector<tk::Control *>{&image(), &vbar(), &hbar()})
            QCOMPARE(c->widget()->parentWidget(), inner);
        const QObjectList stack = inner->children();
        QVERIFY(stack.indexOf(image().widget()) < stack.indexOf(hbar().widget()));
        QCOMPARE(stack.last(), vbar().widget());

        for (tk::ScrollBar *bar : std::vector<tk::ScrollBar *>{&vbar(), &hbar()}) {
            QCOMPARE(bar->Min(), 0);
            QCOMPARE(bar->SmallChange(), 1);
            QCOMPARE(bar->LargeChange(), 15);
            QCOMPARE(bar->Value(), 0);
        }
        QCOMPARE(m_form->PicContenedor.BorderStyle(), int(tk::PictureBox::vbBSNone));
    }

    void initRefusesATakenName()
    {
        m_form->Controls().Add<tk::HScrollBar>(QStringLiteral("Horizontal_Scroll"));
        cPicScroll viewer;
        try {
            viewer.Init(m_form->PicContenedor, *m_form);
            QFAIL("Init accepted a second Horizontal_Scroll");
        } catch (const orlaneva::Error &e) {
            QCOMPARE(e.number(), orlaneva::ErrorNumber::ControlNameInUse);
        }
    }

    void workedExample()
    {
        host(8985, 4500);
        m_viewer->SetPicture(picture(15000, 3000));
        QCOMPARE(m_viewer->HSbarMax(), 53);
        m_viewer->setHSBarValue(53);
        QCOMPARE(image().Left(), -6360);
        QCOMPARE(image().Left() + image().Width(), 8640);
        QCOMPARE(vbar().Left(), 8730);
    }

    // Max = nearest integer, halves to even, of (I - C.Scale + other bar) / 120 + 1, in 16 bits.
    void barMax_data()
    {
        QTest::addColumn<int>("excessWidth"); // I.Width - C.ScaleWidth + vertical bar's Width
        QTest::addColumn<int>("excessHeight");
        QTest::addColumn<int>("hMax");
        QTest::addColumn<int>("vMax");
        QTest::newRow("9.5 goes up to even") << 1020 << 1140 << 10 << 10;
        QTest::newRow("10.5 goes down to even") << 1140 << 1020 << 10 << 10;
        QTest::newRow("below a half") << 1319 << 1321 << 12 << 12; // 11.99 / 12.01
        QTest::newRow("smaller picture: negative") << -4245 << -1125 << -34 << -8;
        QTest::newRow("zero excess") << 0 << 60 << 1 << 2; // 1.5 to even
    }
    void barMax()
    {
        QFETCH(int, excessWidth);
        QFETCH(int, excessHeight);
        QFETCH(int, hMax);
        QFETCH(int, vMax);
        const int picW = 4500;
        const int picH = 3000;
        host(picW + kBar - excessWidth, picH + kBar - excessHeight);
        m_viewer->SetPicture(picture(picW, picH));
        QCOMPARE(m_viewer->HSbarMax(), hMax);
        QCOMPARE(m_viewer->VSbarMax(), vMax);
        QCOMPARE(m_boxes.size(), size_t(0));
    }

    void maxSaturatesAtSixteenBits()
    {
        host(4'000'000, 4500);
        m_viewer->SetPicture(picture(15, 2400 * 15)); // a narrow, tall picture
        QCOMPARE(m_viewer->HSbarMax(), -32768);
        m_form->PicContenedor.Move(0, 0, 6000, 4500);
        m_viewer->SetPicture(picture(270'000 * 15, 15)); // wider than 32767 steps
        QCOMPARE(m_viewer->HSbarMax(), 32767);
        m_viewer->setHSBarValue(32767);
        QCOMPARE(image().Left(), -120 * 32767);
    }

    void layout_data()
    {
        QTest::addColumn<int>("border");
        QTest::addColumn<int>("picW");
        QTest::addColumn<int>("picH");
        QTest::addColumn<bool>("hShown");
        QTest::addColumn<bool>("vShown");
        QTest::addColumn<Rect>("hRect");
        QTest::addColumn<Rect>("vRect");
        // Container 6000 x 4500 outside; with a border, 5940 x 4440 inside.
        const int none = tk::PictureBox::vbBSNone;
        const int single = tk::PictureBox::vbFixedSingle;
        const Rect hFull{0, 4500 - kBar, 6000, kBar};
        const Rect hShort{0, 4500 - kBar, 6000 - kBar, kBar};
        const Rect v{6000 - kBar, 0, kBar, 4500};
        QTest::newRow("smaller both ways") << none << 3000 << 1500 << false << false << hFull << v;
        QTest::newRow("exactly as wide") << none << 6000 << 1500 << true << false << hFull << v;
        QTest::newRow("wider only") << none << 9000 << 1500 << true << false << hFull << v;
        QTest::newRow("wider and taller") << none << 9000 << 6000 << true << true << hShort << v;
        QTest::newRow("taller only") << none << 3000 << 6000 << false << true << hShort << v;
        QTest::newRow("exactly as tall") << none << 3000 << 4500 << false << true << hShort << v;

        const Rect bhShort{0, 4440 - kBar, 5940 - kBar, kBar};
        const Rect bhFull{0, 4440 - kBar, 5940, kBar};
        const Rect bv{5940 - kBar, 0, kBar, 4440};
        QTest::newRow("bordered: inner width, no bar")
            << single << 5940 << 1500 << false << false << bhFull << bv;
        QTest::newRow("bordered: overflows inside, still no bar")
            << single << 5985 << 1500 << false << false << bhFull << bv;
        QTest::newRow("bordered: outer width")
            << single << 6000 << 1500 << true << false << bhFull << bv;
        QTest::newRow("bordered: both") << single << 6000 << 4500 << true << true << bhShort << bv;
    }
    void layout()
    {
        QFETCH(int, border);
        QFETCH(int, picW);
        QFETCH(int, picH);
        QFETCH(bool, hShown);
        QFETCH(bool, vShown);
        QFETCH(Rect, hRect);
        QFETCH(Rect, vRect);
        m_form->PicContenedor.setBorderStyle(border);
        host(6000, 4500);
        m_viewer->SetPicture(picture(picW, picH));
        QVERIFY(image().Visible());
        QCOMPARE(rectOf(image()), (Rect{0, 0, picW, picH})); // anchored top-left, not centred
        QCOMPARE(hbar().Visible(), hShown);
        QCOMPARE(vbar().Visible(), vShown);
        QCOMPARE(rectOf(hbar()), hRect);
        QCOMPARE(rectOf(vbar()), vRect);
        // The pixels follow the twips.
        QCOMPARE(vbar().widget()->geometry(),
                 QRect(vRect.left / 15, vRect.top / 15, vRect.width / 15, vRect.height / 15));
    }

    void valueMapsToTwipsBeyondSixteenBits()
    {
        host(6000, 4500);
        m_viewer->SetPicture(picture(39000, 3000));
        QVERIFY(m_viewer->HSbarMax() >= 274);
        m_viewer->setHSBarValue(274);
        QCOMPARE(m_viewer->HSBarValue(), qint16(274));
        QCOMPARE(image().Left(), -32880);
        QCOMPARE(image().Top(), 0);
        QCOMPARE(image().widget()->x(), -32880 / 15);
    }

    void propertyWrites_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("write"); // -1000 stands for Max, -1001 for Max + 1
        QTest::addColumn<bool>("accepted");
        for (bool vertical : {true, false}) {
            const char *axis = vertical ? "vertical" : "horizontal";
            QTest::addRow("%s 0 (the Min)", axis) << vertical << 0 << false;
            QTest::addRow("%s 1", axis) << vertical << 1 << true;
            QTest::addRow("%s Max", axis) << vertical << -1000 << true;
            QTest::addRow("%s Max + 1", axis) << vertical << -1001 << false;
            QTest::addRow("%s negative", axis) << vertical << -3 << false;
        }
    }
    void propertyWrites()
    {
        QFETCH(bool, vertical);
        QFETCH(int, write);
        QFETCH(bool, accepted);
        host(6000, 4500);
        m_viewer->SetPicture(picture(12000, 9000));
        auto value = [&] { return vertical ? m_viewer->VSBarValue() : m_viewer->HSBarValue(); };
        auto offset = [&] { return vertical ? image().Top() : image().Left(); };
        auto set = [&](int v) {
            vertical ? m_viewer->setVSBarValue(qint16(v)) : m_viewer->setHSBarValue(qint16(v));
        };
        const int max = vertical ? m_viewer->VSbarMax() : m_viewer->HSbarMax();
        const int iValue = write == -1000 ? max : write == -1001 ? max + 1 : write;
        set(5);
        QCOMPARE(offset(), -600);
        int changes = 0;
        (vertical ? m_viewer->VerticalScrollChange : m_viewer->HorizontalScrollChange)
            = [&] { ++changes; };
        set(iValue);
        QCOMPARE(int(value()), accepted ? iValue : 5);
        QCOMPARE(offset(), accepted ? -120 * iValue : -600);
        QCOMPARE(changes, accepted ? 1 : 0);
        QCOMPARE(vertical ? image().Left() : image().Top(), 0); // the other axis stays
    }

    void thumbDragRaisesMoveChangeScroll()
    {
        host(6000, 4500);
        m_viewer->SetPicture(picture(12000, 9000));
        QStringList log;
        m_viewer->VerticalScrollChange
            = [&] { log << QStringLiteral("change %1").arg(image().Top()); };
        m_viewer->VerticalScroll = [&](qint16 v) { log << QStringLiteral("scroll %1").arg(v); };
        m_viewer->HorizontalScrollChange = [&] { log << QStringLiteral("h change"); };
        m_viewer->HorizontalScroll = [&](qint16) { log << QStringLiteral("h scroll"); };
        QScrollBar *bar = vbar().bar();
        bar->setSliderDown(true);
        bar->setValue(3);
        bar->setValue(4);
        bar->setSliderDown(false);
        QCOMPARE(log,
                 (QStringList{QStringLiteral("change -360"), QStringLiteral("scroll 3"),
                              QStringLiteral("change -480"), QStringLiteral("scroll 4"),
                              QStringLiteral("change -480")}));
    }

    void resizeAfterScrollingSnapsBack()
    {
        host(6000, 4500);
        m_viewer->SetPicture(picture(12000, 9000));
        m_viewer->setHSBarValue(4);
        m_viewer->setVSBarValue(3);
        QCOMPARE(rectOf(image()), (Rect{-480, -360, 12000, 9000}));
        Rect seenInResize{};
        int resizes = 0;
        m_viewer->Resize = [&] {
            ++resizes;
            seenInResize = rectOf(image());
        };
        m_form->PicContenedor.Move(0, 0, 7500, 6000); // both new Max stay above the thumbs
        QCOMPARE(resizes, 1);
        QCOMPARE(seenInResize, (Rect{0, 0, 12000, 9000}));
        QCOMPARE(m_viewer->HSBarValue(), qint16(4));
        QCOMPARE(m_viewer->VSBarValue(), qint16(3));
        QCOMPARE(rectOf(vbar()), (Rect{7500 - kBar, 0, kBar, 6000}));

        hbar().bar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(rectOf(image()), (Rect{-600, 0, 12000, 9000}));
        vbar().bar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(rectOf(image()), (Rect{-600, -480, 12000, 9000}));
    }

    void keysScrollThePicture_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to"); // -1: the bar's Max
        QTest::newRow("Down") << true << int(Qt::Key_Down) << 3 << 4;
        QTest::newRow("Up") << true << int(Qt::Key_Up) << 3 << 2;
        QTest::newRow("Page Down") << true << int(Qt::Key_PageDown) << 3 << 18;
        QTest::newRow("Page Up") << true << int(Qt::Key_PageUp) << 20 << 5;
        QTest::newRow("Home") << true << int(Qt::Key_Home) << 20 << 0;
        QTest::newRow("End") << true << int(Qt::Key_End) << 3 << -1;
        QTest::newRow("Right") << false << int(Qt::Key_Right) << 3 << 4;
        QTest::newRow("Left") << false << int(Qt::Key_Left) << 3 << 2;
        QTest::newRow("Right at Max stays") << false << int(Qt::Key_Right) << -1 << -1;
        QTest::newRow("Page Down, across") << false << int(Qt::Key_PageDown) << 3 << 18;
        QTest::newRow("Home, across") << false << int(Qt::Key_Home) << 20 << 0;
        QTest::newRow("End, across") << false << int(Qt::Key_End) << 3 << -1;
    }
    void keysScrollThePicture()
    {
        QFETCH(bool, vertical);
        QFETCH(int, key);
        QFETCH(int, from);
        QFETCH(int, to);
        host(6000, 4500);
        m_viewer->SetPicture(picture(60000, 45000));
        tk::ScrollBar &bar = vertical ? static_cast<tk::ScrollBar &>(vbar()) : hbar();
        bar.setValue(from < 0 ? bar.Max() : from);
        m_form->Show();
        QVERIFY(QTest::qWaitForWindowActive(m_form->window()));
        bar.SetFocus();
        QVERIFY(bar.widget()->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        const int expected = to < 0 ? bar.Max() : to;
        QCOMPARE(bar.Value(), expected);
        QCOMPARE(vertical ? image().Top() : image().Left(), -120 * expected);
        QCOMPARE(vertical ? image().Left() : image().Top(), 0);
    }

    void newPictureKeepsTheValues()
    {
        host(6000, 4500);
        m_viewer->SetPicture(picture(12000, 9000));
        m_viewer->setHSBarValue(7);
        m_viewer->SetPicture(picture(15000, 4500));
        QCOMPARE(m_viewer->HSBarValue(), qint16(7));
        QCOMPARE(rectOf(image()), (Rect{0, 0, 15000, 4500}));
    }

    void failedPicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // empty: no such file
        QTest::newRow("missing") << QStringLiteral("no_existe.bmp") << QByteArray();
        QTest::newRow("corrupt") << QStringLiteral("rota.jpg")
                                 << QByteArray("\xff\xd8\xff\xe0 esto no es un JPEG");
    }
    void failedPicture()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(name);
        if (!bytes.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        host(6000, 4500);
        m_viewer->SetPicture(path);
        QCOMPARE(m_boxes.size(), size_t(1));
        QCOMPARE(m_boxes[0].title, QStringLiteral("Error en SetPicture"));
        QCOMPARE(m_boxes[0].buttons & 0x70, int(tk::vbCritical));
        QCOMPARE(m_boxes[0].buttons & 0x7, int(tk::vbOKOnly));
        QVERIFY2(m_boxes[0].prompt.contains(name), qPrintable(m_boxes[0].prompt));
        QVERIFY(!image().hasPicture());
        QVERIFY(!image().Visible());
        QCOMPARE(rectOf(image()), (Rect{0, 0, 0, 0}));
        QVERIFY(!hbar().Visible());
        QVERIFY(!vbar().Visible());
    }

    void failedPictureKeepsThePreviousOne()
    {
        host(6000, 4500);
        m_viewer->SetPicture(picture(9000, 1500));
        m_viewer->SetPicture(m_dir.filePath(QStringLiteral("no_existe.png")));
        QCOMPARE(m_boxes.size(), size_t(1));
        QVERIFY(image().Visible());
        QCOMPARE(rectOf(image()), (Rect{0, 0, 9000, 1500}));
        QVERIFY(hbar().Visible());
    }

    void tooLargeAPictureIsTheViewersOwnError()
    {
        // 60000 x 60000 claimed by the header: refused before decoding.
        QByteArray png = QByteArray::fromHex(
            "89504e470d0a1a0a0000000d494844520000ea600000ea6008020000000fb0e215"
            "000000004944415435af061e");
        const QString path = m_dir.filePath(QStringLiteral("enorme.png"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(png);
        file.close();
        host(6000, 4500);
        m_viewer->SetPicture(path);
        QCOMPARE(m_boxes.size(), size_t(1));
        QCOMPARE(m_boxes[0].title, QStringLiteral("Error en SetPicture"));
        QVERIFY2(m_boxes[0].prompt.contains(QStringLiteral("demasiado grande")),
                 qPrintable(m_boxes[0].prompt));
        QVERIFY(!image().Visible());
    }

    void destructionRemovesTheThreeInOrder()
    {
        host(6000, 4500);
        QStringList removed;
        Watcher watcher(removed);
        for (tk::Control *c : std::vector<tk::Control *>{&hbar(), &image(), &vbar()})
            c->widget()->installEventFilter(&watcher);
        const int before = m_form->Controls().Count();
        m_form->mcPicScroll.reset();
        QCOMPARE(removed,
                 (QStringList{QStringLiteral("pic_Imagen"), QStringLiteral("Vertical_Scroll"),
                              QStringLiteral("Horizontal_Scroll")}));
        QCOMPARE(m_form->Controls().Count(), before - 3);
        QVERIFY(m_form->Controls().find(QStringLiteral("PicContenedor")));
        // The container no longer notifies the viewer that is gone.
        m_form->PicContenedor.Move(0, 0, 3000, 3000);
        QCOMPARE(m_boxes.size(), size_t(0));
    }

    void firstFailedRemovalEndsTheSequence()
    {
        host(6000, 4500);
        m_form->Controls().Remove(QStringLiteral("Vertical_Scroll"));
        m_form->mcPicScroll.reset();
        QVERIFY(!m_form->Controls().find(QStringLiteral("pic_Imagen")));
        QVERIFY(m_form->Controls().find(QStringLiteral("Horizontal_Scroll")));
        QCOMPARE(m_boxes.size(), size_t(0));
    }

private:
    class Watcher : public QObject
    {
    public:
        explicit Watcher(QStringList &log) : m_log(log) { }

    protected:
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::ParentChange && !static_cast<QWidget *>(watched)->parent())
                m_log << watched->objectName();
            return false;
        }

    private:
        QStringList &m_log;
    };

    void host(int width, int height)
    {
        m_form->PicContenedor.Move(0, 0, width, height);
        m_form->mcPicScroll = std::make_unique<cPicScroll>();
        m_viewer = m_form->mcPicScroll.get();
        m_viewer->Init(m_form->PicContenedor, *m_form);
    }

    // A picture of the given twips size (whole pixels at 15 twips a pixel).
    QString picture(int widthTwips, int heightTwips)
    {
        QImage image(widthTwips / 15, heightTwips / 15, QImage::Format_RGB32);
        image.fill(QColor(200, 120, 40));
        const QString path = m_dir.filePath(QStringLiteral("p%1.png").arg(++m_pictures));
        if (!image.save(path))
            qFatal("cannot write a test picture");
        return path;
    }

    template<class T = tk::Control>
    T &control(const char *name)
    {
        tk::Control *c = m_form->Controls().find(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return *static_cast<T *>(c);
    }
    tk::PictureBox &image() { return control<tk::PictureBox>("pic_Imagen"); }
    tk::VScrollBar &vbar() { return control<tk::VScrollBar>("Vertical_Scroll"); }
    tk::HScrollBar &hbar() { return control<tk::HScrollBar>("Horizontal_Scroll"); }

    std::unique_ptr<HostForm> m_form;
    cPicScroll *m_viewer = nullptr;
    std::vector<tk::MsgBoxRequest> m_boxes;
    QTemporaryDir m_dir;
    int m_pictures = 0;
};

QTEST_MAIN(TestPicScroll)
#include "tst_cpicscroll.moc"
