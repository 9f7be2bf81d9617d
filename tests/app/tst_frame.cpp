#include "app/frm_Autores.h"
#include "app/frm_Principal.h"
#include "app/frm_Splash.h"
#include "card/frm_Ficha.h"
#include "guide/frm_Orlaneva.h"
#include "search/frm_Tarvelo.h"
#include "toolkit/Services.h"

#include "TestSupport.h"

#include <QToolButton>
#include <QtTest>

#include <functional>

namespace {

struct WindowCase
{
    std::function<tk::Form &()> form;
    std::function<void()> drop;
};

template<class T>
WindowCase windowCase()
{
    return {[]() -> tk::Form & { return T::Default(); }, [] { T::dropDefault(); }};
}

} // namespace

Q_DECLARE_METATYPE(WindowCase)

class TestFrame : public QObject
{
    Q_OBJECT

private slots:
    void everyWindowHasItsCaptionClientAreaAndIcon_data()
    {
        QTest::addColumn<WindowCase>("window");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("returnButtonPicture");

        QTest::newRow("splash") << windowCase<frm_Splash>() << "frm_Splash"
                                << "Orlaneva. v.1.1.3" << 10455 << QString();
        QTest::newRow("main") << windowCase<frm_Principal>() << "frm_Principal"
                              << "Orlaneva. - Presentación." << 10455 << "exit";
        QTest::newRow("search") << windowCase<frm_Tarvelo>() << "frm_Tarvelo"
                                << "Orlaneva. - Gestor Documental." << 10395 << "return";
        QTest::newRow("guide") << windowCase<frm_Orlaneva>() << "frm_Orlaneva"
                               << "Orlaneva. - Guía." << 10455 << "return";
        QTest::newRow("authors") << windowCase<frm_Autores>() << "frm_Autores"
                                 << "Orlaneva. - Autores." << 10455 << "return";
    }
    void everyWindowHasItsCaptionClientAreaAndIcon()
    {
        QFETCH(WindowCase, window);
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(int, height);
        QFETCH(QString, returnButtonPicture);

        testing::AppFolder folder({{1, "Cuentos", "Primaria", "Lengua y literatura",
                                    "https://example.org", std::nullopt}});
        folder.writeDocuments();
        testing::MsgBoxRecorder boxes;
        testing::EndRecorder ends;
        tk::setClockForTesting([] {
            static double now = 0;
            return now += 1.0;
        });

        tk::Form &form = window.form();
        tk::dispatch([&] { form.Show(); });
        QVERIFY(boxes.boxes.empty());
        QCOMPARE(form.window()->objectName(), name);
        QCOMPARE(form.Caption(), caption);
        QCOMPARE(form.window()->windowTitle(), caption);
        QCOMPARE(form.ScaleWidth(), 15180);
        QCOMPARE(form.ScaleHeight(), height);
        QCOMPARE(form.window()->windowIcon().availableSizes().size() >= 4, true);
        QCOMPARE(form.window()->palette().color(QPalette::Window), QColor(Qt::white));

        auto *logo = form.window()->findChild<QWidget *>(QStringLiteral("Picture(3)"));
        QVERIFY(logo != nullptr);
        QCOMPARE(logo->width(), 193);
        QCOMPARE(logo->height(), 65);

        auto *volver = form.window()->findChild<QToolButton *>(QStringLiteral("cmdVolver"));
        if (returnButtonPicture.isEmpty()) {
            QVERIFY(volver == nullptr);
        } else {
            QVERIFY(volver != nullptr);
            QVERIFY(volver->toolTip().isEmpty());
            QCOMPARE(volver->iconSize(),
                     returnButtonPicture == QLatin1String("exit") ? QSize(48, 48) : QSize(48, 50));
        }
        tk::dispatch([&] { window.drop(); });
        tk::setClockForTesting(nullptr);
        testing::flushEvents();
    }
};

QTEST_MAIN(TestFrame)
#include "tst_frame.moc"
