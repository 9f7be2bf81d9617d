#include "search/frm_Tarvelo.h"
#include "toolkit/Services.h"
#include "toolkit/Translations.h"

#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// What the user reads: no access-key marks, no shortcut after the tab.
QString shown(QString text)
{
    text = text.section(u'\t', 0, 0);
    text.remove(u'&');
    return text;
}

QStringList actionTexts(const QMenu &menu)
{
    QStringList texts;
    for (const QAction *action : menu.actions())
        if (!action->isSeparator())
            texts << shown(action->text());
    return texts;
}

// Runs `open` (which blocks in a modal loop) and, from inside that loop, hands the widget that
// came up to `read` and closes it.
template<typename Widget>
void whileOpen(const std::function<QWidget *()> &current, const std::function<void(Widget &)> &read,
               const std::function<void()> &open)
{
    QTimer poll;
    poll.setInterval(10);
    bool seen = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *widget = qobject_cast<Widget *>(current());
        if (!widget)
            return;
        poll.stop();
        seen = true;
        read(*widget);
        widget->close();
    });
    poll.start();
    QTimer::singleShot(5000, &poll, [&] { poll.stop(); });
    open();
    QVERIFY2(seen, "nothing came up");
}

} // namespace

class TestQtTexts : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        tk::dispatch([] { frm_Tarvelo::dropDefault(); });
        testing::flushEvents();
    }

    // The test support starts every test as the program starts.
    void initTestCase()
    {
        QVERIFY2(QCoreApplication::translate("QPlatformTheme", "OK") == u"Aceptar"_s,
                 "Qt's Spanish texts are missing (scripts/install-deps.sh installs "
                 "qt6-translations-l10n)");
    }

    // The toolkit's message box itself, no test seam in between.
    void messageBoxButtonsSpeakSpanish_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("buttons");
        QTest::newRow("OK") << int(tk::vbOKOnly) << QStringList{u"Aceptar"_s};
        QTest::newRow("OK, Cancel")
            << int(tk::vbOKCancel | tk::vbQuestion) << QStringList{u"Aceptar"_s, u"Cancelar"_s};
        QTest::newRow("Yes, No") << int(tk::vbYesNo | tk::vbExclamation)
                                 << QStringList{u"No"_s, u"Sí"_s};
    }
    void messageBoxButtonsSpeakSpanish()
    {
        QFETCH(int, style);
        QFETCH(QStringList, buttons);
        QStringList texts;
        whileOpen<QMessageBox>([] { return QApplication::activeModalWidget(); },
                               [&](QMessageBox &box) {
                                   for (const QAbstractButton *button : box.buttons())
                                       texts << shown(button->text());
                               },
                               [&] { tk::MsgBox(u"Se ha producido el error 53"_s, style); });
        texts.sort();
        QCOMPARE(texts, buttons);
    }

    void theTitleBoxsContextMenuSpeaksSpanish()
    {
        testing::AppFolder folder;
        testing::MsgBoxRecorder boxes;
        frm_Tarvelo &search = frm_Tarvelo::Default();
        tk::dispatch([&] { search.Show(); });
        QLineEdit *title = search.txtTitulo.edit();
        QVERIFY(title);
        title->setText(u"cuentos"_s);
        title->selectAll();
        // Parented to the box, and deleted here before the window goes.
        const std::unique_ptr<QMenu> menu(title->createStandardContextMenu());
        const QStringList texts = actionTexts(*menu);
        QCOMPARE(texts,
                 QStringList({u"Deshacer"_s, u"Rehacer"_s, u"Cortar"_s, u"Copiar"_s, u"Pegar"_s,
                              u"Borrar"_s, u"Seleccionar todo"_s}));
        QVERIFY(boxes.boxes.empty());
    }

    void scrollBarMenuSpeaksSpanish()
    {
        QScrollBar bar(Qt::Vertical);
        bar.resize(20, 200);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QStringList texts;
        whileOpen<QMenu>([] { return QApplication::activePopupWidget(); },
                         [&](QMenu &menu) { texts = actionTexts(menu); },
                         [&] {
                             QContextMenuEvent event(QContextMenuEvent::Mouse, {10, 100},
                                                     bar.mapToGlobal(QPoint(10, 100)));
                             QApplication::sendEvent(&bar, &event);
                         });
        QCOMPARE(texts,
                 QStringList({u"Desplazar hasta aquí"_s, u"Parte superior"_s, u"Parte inferior"_s,
                              u"Una página hacia arriba"_s, u"Una página hacia abajo"_s,
                              u"Desplazar hacia arriba"_s, u"Desplazar hacia abajo"_s}));
    }

    // Without the translations the program runs on in English; a failed load keeps what an
    // earlier one installed.
    void missingTranslationsAreNoError()
    {
        QTemporaryDir empty;
        QVERIFY(empty.isValid());
        QVERIFY(!tk::loadQtTranslations(empty.path()));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), u"Aceptar"_s);
    }
};

QTEST_MAIN(TestQtTexts)
#include "tst_qttexts.moc"
