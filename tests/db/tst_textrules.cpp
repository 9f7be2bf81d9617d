#include "db/TextRules.h"

#include <QRandomGenerator>
#include <QStringList>
#include <QTest>

#include <sqlite3.h>

#include <algorithm>

// The LIKE and the ordering that every catalogue handle gets, tried through SQL as the
// statements use them.
class TestTextRules : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void like_data();
    void like();
    void likeWithEscape_data();
    void likeWithEscape();
    void likeKeepsNull();
    void spanishOrder_data();
    void spanishOrder();
    void orderIsTotalAndConsistent();

private:
    QVariant scalar(const QString &sql, const QStringList &arguments = {});

    sqlite3 *m_db = nullptr;
};

void TestTextRules::init()
{
    QCOMPARE(sqlite3_open(":memory:", &m_db), SQLITE_OK);
    db::installTextRules(m_db);
}

void TestTextRules::cleanup()
{
    sqlite3_close(m_db);
    m_db = nullptr;
}

QVariant TestTextRules::scalar(const QString &sql, const QStringList &arguments)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        return QString(u"prepare failed: "_qs + QString::fromUtf8(sqlite3_errmsg(m_db)));
    for (int i = 0; i < arguments.size(); ++i) {
        const QByteArray text = arguments.at(i).toUtf8();
        sqlite3_bind_text(statement, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    QVariant result;
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW && sqlite3_column_type(statement, 0) != SQLITE_NULL)
        result = sqlite3_column_int(statement, 0);
    else if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        result = QString(u"step failed: "_qs + QString::fromUtf8(sqlite3_errmsg(m_db)));
    sqlite3_finalize(statement);
    return result;
}

void TestTextRules::like_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("matches");

    QTest::newRow("accents ignored") << u"Educación infantil"_qs << u"%educacion%"_qs << true;
    QTest::newRow("accent in criterion") << u"EDUCACION"_qs << u"%educación%"_qs << true;
    QTest::newRow("capital accented") << u"ÁRBOL"_qs << u"árbol"_qs << true;
    QTest::newRow("ñ against Ñ") << u"NIÑOS"_qs << u"%niño%"_qs << true;
    QTest::newRow("ñ is its own letter") << u"niños"_qs << u"%nino%"_qs << false;
    QTest::newRow("decomposed ñ") << u"nin\u0303os"_qs << u"niños"_qs << true;
    QTest::newRow("decomposed accent") << u"cafe\u0301"_qs << u"café"_qs << true;
    QTest::newRow("dieresis") << u"PINGÜINO"_qs << u"pinguino"_qs << true;
    QTest::newRow("greek") << u"ΜΟΥΣΙΚΉ"_qs << u"μουσικη"_qs << true;
    QTest::newRow("cyrillic") << u"ШКОЛА"_qs << u"школа"_qs << true;
    QTest::newRow("dotted capital I") << u"İstanbul"_qs << u"istanbul"_qs << true;
    QTest::newRow("beyond the BMP") << u"𝒜 y 𐐀"_qs << u"𝒜 y 𐐨"_qs << true;
    QTest::newRow("whole text only") << u"cuento"_qs << u"cuent"_qs << false;
    QTest::newRow("percent: any run") << u"Cuentos del mundo"_qs << u"%cuento%mundo%"_qs << true;
    QTest::newRow("percent: also none") << u"cuento"_qs << u"%cuento%"_qs << true;
    QTest::newRow("percent twice on empty") << QString() << u"%%"_qs << true;
    QTest::newRow("underscore: one") << u"agua"_qs << u"a_ua"_qs << true;
    QTest::newRow("underscore: not none") << u"aua"_qs << u"a_ua"_qs << false;
    QTest::newRow("underscore: not two") << u"aguua"_qs << u"a_ua"_qs << false;
    QTest::newRow("underscore: accented letter") << u"é"_qs << u"_"_qs << true;
    QTest::newRow("underscore: letter and mark") << u"e\u0301"_qs << u"_"_qs << true;
    QTest::newRow("bracket matches itself") << u"Guía [básica]"_qs << u"%[basica]%"_qs << true;
    QTest::newRow("no character classes") << u"b"_qs << u"[abc]"_qs << false;
    QTest::newRow("open bracket") << u"[a"_qs << u"[%"_qs << true;
    QTest::newRow("caret and star") << u"x^*"_qs << u"%^*"_qs << true;
    QTest::newRow("backtracking") << u"ababac"_qs << u"%abac"_qs << true;
    QTest::newRow("long text") << QString(600, u'x') + u"fin"_qs << u"%xfin"_qs << true;
    QTest::newRow("long text, no match") << QString(600, u'x') << u"%y%"_qs << false;
    // Found by fuzzing: text and pattern read "n", a mark, then a tilde differently.
    QTest::newRow("tilde after another mark matches itself")
        << u"n\u0318\u0303"_qs << u"n\u0318\u0303"_qs << true;
    QTest::newRow("tilde after another mark, within %")
        << u"n\u0318\u0303"_qs << u"%n\u0318\u0303%"_qs << true;
}

void TestTextRules::like()
{
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(bool, matches);
    QCOMPARE(scalar(QStringLiteral("SELECT ?1 LIKE ?2"), {text, pattern}),
             QVariant(matches ? 1 : 0));
}

void TestTextRules::likeWithEscape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("matches");

    QTest::newRow("escaped percent") << u"50%"_qs << u"50!%"_qs << true;
    QTest::newRow("escaped percent is literal") << u"500"_qs << u"50!%"_qs << false;
    QTest::newRow("escaped underscore") << u"a_b"_qs << u"a!_b"_qs << true;
    QTest::newRow("escaped underscore is literal") << u"axb"_qs << u"a!_b"_qs << false;
    QTest::newRow("escaped escape") << u"a!b"_qs << u"a!!b"_qs << true;
    QTest::newRow("case still ignored") << u"ÁB%"_qs << u"ab!%"_qs << true;
}

void TestTextRules::likeWithEscape()
{
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(bool, matches);
    QCOMPARE(scalar(QStringLiteral("SELECT ?1 LIKE ?2 ESCAPE '!'"), {text, pattern}),
             QVariant(matches ? 1 : 0));
}

void TestTextRules::likeKeepsNull()
{
    QCOMPARE(scalar(QStringLiteral("SELECT NULL LIKE '%'")), QVariant());
    QCOMPARE(scalar(QStringLiteral("SELECT 'a' LIKE NULL")), QVariant());
    QCOMPARE(scalar(QStringLiteral("SELECT 1234 LIKE '%23%'")), QVariant(1));
    QVERIFY(
        scalar(QStringLiteral("SELECT 'a' LIKE 'a' ESCAPE 'xy'")).toString().contains(u"ESCAPE"));
}

void TestTextRules::spanishOrder_data()
{
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("case and accents with their letter")
        << QStringList{u"Ábaco"_qs, u"abeja"_qs,     u"Árbol"_qs,    u"Casa"_qs,
                       u"cuna"_qs,  u"Educación"_qs, u"educador"_qs, u"Zorro"_qs};
    QTest::newRow("ñ after n") << QStringList{u"Nube"_qs,  u"nudo"_qs, u"Nuñez"_qs,
                                              u"Ñandú"_qs, u"ñu"_qs,   u"Oso"_qs};
    QTest::newRow("numbers by value")
        << QStringList{u"2 ejemplos"_qs, u"10 ejemplos"_qs, u"Tema 2"_qs, u"Tema 02b"_qs,
                       u"Tema 10"_qs,    u"Tema 100"_qs,    u"Temas"_qs};
    QTest::newRow("blank before letters")
        << QStringList{u"La casa"_qs, u"Lacasa"_qs, u"Las casas"_qs};
    QTest::newRow("opening marks do not count")
        << QStringList{u"Oso"_qs, u"¿Qué es la luz?"_qs, u"«Quijote»"_qs, u"Rana"_qs};
    QTest::newRow("ties: plain, capital, accented")
        << QStringList{u"cafe"_qs, u"Café"_qs, u"café"_qs, u"cafés"_qs};
    QTest::newRow("other scripts after z") << QStringList{u"zeta"_qs, u"ωμέγα"_qs, u"шкала"_qs};
}

void TestTextRules::spanishOrder()
{
    QFETCH(QStringList, expected);
    QCOMPARE(sqlite3_exec(m_db, "CREATE TABLE t (x TEXT COLLATE ES)", nullptr, nullptr, nullptr),
             SQLITE_OK);
    QStringList shuffled = expected;
    std::reverse(shuffled.begin(), shuffled.end());
    std::rotate(shuffled.begin(), shuffled.begin() + shuffled.size() / 2, shuffled.end());
    for (const QString &s : shuffled)
        QCOMPARE(scalar(QStringLiteral("INSERT INTO t VALUES (?1)"), {s}), QVariant());

    sqlite3_stmt *statement = nullptr;
    QCOMPARE(sqlite3_prepare_v2(m_db, "SELECT x FROM t ORDER BY x", -1, &statement, nullptr),
             SQLITE_OK);
    QStringList sorted;
    while (sqlite3_step(statement) == SQLITE_ROW)
        sorted << QString::fromUtf8(
            reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    QCOMPARE(sorted, expected);
}

// An index is only sound over a total order: antisymmetric, transitive, equal only when equal.
void TestTextRules::orderIsTotalAndConsistent()
{
    const QStringList alphabet{u"a"_qs, u"A"_qs, u"á"_qs, u"n"_qs, u"ñ"_qs, u"Ñ"_qs,       u"0"_qs,
                               u"1"_qs, u"9"_qs, u" "_qs, u"¿"_qs, u"-"_qs, u"e\u0301"_qs, u"ω"_qs};
    QRandomGenerator random(7);
    QStringList words;
    for (int i = 0; i < 150; ++i) {
        QString w;
        const int length = int(random.bounded(5));
        for (int j = 0; j < length; ++j)
            w += alphabet.at(int(random.bounded(alphabet.size())));
        words << w;
    }
    sqlite3_stmt *compare = nullptr;
    QCOMPARE(sqlite3_prepare_v2(m_db, "SELECT (?1 < ?2 COLLATE ES) - (?1 > ?2 COLLATE ES)", -1,
                                &compare, nullptr),
             SQLITE_OK);
    auto cmp = [&](const QString &a, const QString &b) {
        const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
        sqlite3_bind_text(compare, 1, ua.constData(), int(ua.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(compare, 2, ub.constData(), int(ub.size()), SQLITE_TRANSIENT);
        sqlite3_step(compare);
        const int r = sqlite3_column_int(compare, 0);
        sqlite3_reset(compare);
        return r;
    };
    for (const QString &a : words) {
        for (const QString &b : words) {
            const int ab = cmp(a, b);
            QCOMPARE(ab, -cmp(b, a));
            QCOMPARE(ab == 0, a == b);
        }
    }
    QStringList sorted = words;
    std::sort(sorted.begin(), sorted.end(),
              [&](const QString &a, const QString &b) { return cmp(a, b) > 0; });
    for (int i = 0; i + 2 < sorted.size(); ++i) {
        for (int j = i + 1; j < sorted.size(); ++j)
            QVERIFY2(cmp(sorted.at(i), sorted.at(j)) >= 0,
                     qPrintable(sorted.at(i) + u" / "_qs + sorted.at(j)));
    }
    sqlite3_finalize(compare);
}

QTEST_GUILESS_MAIN(TestTextRules)
#include "tst_textrules.moc"
