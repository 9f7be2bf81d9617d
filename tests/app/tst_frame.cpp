#include "app/Module1.h"
#include "app/frm_Autores.h"
#include "app/frm_Principal.h"
#include "app/frm_Splash.h"
#include "card/frm_Ficha.h"
#include "guide/frm_Orlaneva.h"
#include "search/frm_Tarvelo.h"
#include "toolkit/Services.h"

#include "TestSupport.h"

#include <QFontInfo>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

#include <functional>

using testing::WindowCase;
using testing::windowCase;

using Step = std::function<void()>;
Q_DECLARE_METATYPE(Step)

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

        testing::WindowSession session;

        tk::Form &form = window.form();
        tk::dispatch([&] { form.Show(); });
        QVERIFY(session.boxes.boxes.empty());
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
        testing::flushEvents();
    }

    // Measured with the fonts the program brings (DejaVu Sans stands for Verdana), each
    // label's whole text lies inside the label, the label inside its window, and nothing
    // covers it.
    void everyLabelShowsItsWholeText_data()
    {
        QTest::addColumn<WindowCase>("window");
        QTest::addColumn<Step>("then");
        // The link windows keep their label behind the container and the logo, as designed.
        QTest::addColumn<bool>("inFront");
        const Step nothing = [] {};
        auto searchFor = [](const char *title) {
            return Step([title] {
                frm_Tarvelo &w = frm_Tarvelo::Default();
                w.txtTitulo.setText(QString::fromUtf8(title));
                w.cmdBuscar.button()->click();
            });
        };
        QTest::newRow("splash") << windowCase<frm_Splash>() << nothing << true;
        QTest::newRow("main") << windowCase<frm_Principal>() << nothing << true;
        QTest::newRow("search") << windowCase<frm_Tarvelo>() << nothing << true;
        QTest::newRow("search, no card found")
            << windowCase<frm_Tarvelo>() << searchFor("nada") << true;
        QTest::newRow("search, cards found") << windowCase<frm_Tarvelo>() << searchFor("") << true;
        QTest::newRow("card") << windowCase<frm_Ficha>() << nothing << false;
        QTest::newRow("guide") << windowCase<frm_Orlaneva>() << nothing << false;
        QTest::newRow("authors") << windowCase<frm_Autores>() << nothing << true;
    }
    void everyLabelShowsItsWholeText()
    {
        QFETCH(WindowCase, window);
        QFETCH(Step, then);
        QFETCH(bool, inFront);

        testing::WindowSession session;
        Module1::iIdFicha = 1;
        tk::Form &form = window.form();
        tk::dispatch([&] { form.Show(); });
        tk::dispatch(then);
        QVERIFY(session.ends.codes.empty());

        QWidget *surface = form.window();
        const QList<QLabel *> labels = surface->findChildren<QLabel *>();
        QVERIFY(!labels.isEmpty());
        for (QLabel *label : labels) {
            if (!label->isVisibleTo(surface) || label->text().isEmpty())
                continue;
            QCOMPARE(QFontInfo(label->font()).family(), QStringLiteral("DejaVu Sans"));
            const QFontMetrics metrics(label->font());
            const QRect text
                = metrics.boundingRect(QRect(0, 0, label->width(), 100000),
                                       int(label->alignment()) | Qt::TextWordWrap, label->text());
            const QRect place(label->mapTo(surface, QPoint(0, 0)), label->size());
            const QString what = QStringLiteral("%1 \"%2\": text %3 x %4 in %5, %6, %7 x %8")
                                     .arg(label->objectName(), label->text())
                                     .arg(text.width())
                                     .arg(text.height())
                                     .arg(place.x())
                                     .arg(place.y())
                                     .arg(place.width())
                                     .arg(place.height());
            QVERIFY2(text.width() <= label->width() && text.height() <= label->height(),
                     qPrintable(what));
            QVERIFY2(surface->rect().contains(place), qPrintable(what));
            if (!inFront)
                continue;
            const QRect inset = text.adjusted(0, 0, -1, -1);
            for (QPoint corner :
                 {inset.topLeft(), inset.topRight(), inset.bottomLeft(), inset.bottomRight()})
                QVERIFY2(surface->childAt(label->mapTo(surface, corner)) == label,
                         qPrintable(what));
        }
        tk::dispatch([&] { window.drop(); });
        testing::flushEvents();
    }
};

QTEST_MAIN(TestFrame)
#include "tst_frame.moc"
