#include "db/TextRules.h"

#include <QRandomGenerator>
#include <QStringList>
#include <QTest>

#include <sqlite3.h>

#include <cstring>
#include <string>
#include <vector>

using db::like::kAnyOne;
using db::like::kAnyRun;

// The LIKE and the order as the engine runs them, held against the plainest way to get the
// same answers: every match decided by the textbook table over pattern and text, every order
// by the collation itself.
class TestTextMatching : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void likeAgreesWithPlainMatcher_data();
    void likeAgreesWithPlainMatcher();
    void longPatternsAgainstLongTitles_data();
    void longPatternsAgainstLongTitles();
    void sortKeysOrderAsTheCollation_data();
    void sortKeysOrderAsTheCollation();

private:
    int like(const std::string &text, const std::string &pattern);
    int collate(const std::string &a, const std::string &b);

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_like = nullptr;
    sqlite3_stmt *m_collate = nullptr;
};

namespace {

// Whole-text wildcard match by dynamic programming: reach[j] says whether the first j keys of
// the text can be matched by the pattern read so far.
bool plainMatch(const std::vector<char32_t> &pattern, const std::vector<char32_t> &text)
{
    std::vector<char> reach(text.size() + 1, 0), next(text.size() + 1, 0);
    reach[0] = 1;
    for (const char32_t p : pattern) {
        std::fill(next.begin(), next.end(), 0);
        for (std::size_t j = 0; j <= text.size(); ++j) {
            if (p == kAnyRun)
                next[j] = reach[j] || (j > 0 && next[j - 1]);
            else if (j > 0 && reach[j - 1] && (p == kAnyOne || p == text[j - 1]))
                next[j] = 1;
        }
        reach.swap(next);
    }
    return reach[text.size()];
}

std::string randomText(QRandomGenerator &random, const QStringList &alphabet, int maxLength)
{
    std::string text;
    const int length = int(random.bounded(maxLength + 1));
    for (int i = 0; i < length; ++i) {
        const QString &piece = alphabet.at(int(random.bounded(alphabet.size())));
        // "\xff" stands for a byte that is not UTF-8; QString cannot hold it.
        text += piece == u"\\xff"_qs ? std::string("\xff") : piece.toStdString();
    }
    return text;
}

int sign(int v)
{
    return (v > 0) - (v < 0);
}

} // namespace

void TestTextMatching::init()
{
    QCOMPARE(sqlite3_open(":memory:", &m_db), SQLITE_OK);
    db::installTextRules(m_db);
    QCOMPARE(sqlite3_prepare_v2(m_db, "SELECT ?1 LIKE ?2", -1, &m_like, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_prepare_v2(m_db, "SELECT (?1 > ?2 COLLATE ES) - (?1 < ?2 COLLATE ES)", -1,
                                &m_collate, nullptr),
             SQLITE_OK);
}

void TestTextMatching::cleanup()
{
    sqlite3_finalize(m_like);
    sqlite3_finalize(m_collate);
    sqlite3_close(m_db);
    m_db = nullptr;
}

int TestTextMatching::like(const std::string &text, const std::string &pattern)
{
    sqlite3_bind_text(m_like, 1, text.data(), int(text.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(m_like, 2, pattern.data(), int(pattern.size()), SQLITE_TRANSIENT);
    const int result = sqlite3_step(m_like) == SQLITE_ROW ? sqlite3_column_int(m_like, 0) : -1;
    sqlite3_reset(m_like);
    return result;
}

int TestTextMatching::collate(const std::string &a, const std::string &b)
{
    sqlite3_bind_text(m_collate, 1, a.data(), int(a.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(m_collate, 2, b.data(), int(b.size()), SQLITE_TRANSIENT);
    sqlite3_step(m_collate);
    const int result = sqlite3_column_int(m_collate, 0);
    sqlite3_reset(m_collate);
    return result;
}

void TestTextMatching::likeAgreesWithPlainMatcher_data()
{
    QTest::addColumn<QStringList>("textAlphabet");
    QTest::addColumn<QStringList>("patternExtras");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<int>("cases");

    const QStringList wild{u"%"_qs, u"_"_qs};
    QTest::newRow("ascii, case") << QStringList{u"a"_qs, u"B"_qs, u"b"_qs, u" "_qs} << wild << 12
                                 << 4000;
    QTest::newRow("repeats that trap backtracking")
        << QStringList{u"a"_qs, u"a"_qs, u"a"_qs, u"b"_qs} << (wild + QStringList{u"%"_qs, u"_"_qs})
        << 24 << 4000;
    QTest::newRow("accents and ñ")
        << QStringList{u"e"_qs, u"é"_qs, u"É"_qs, u"n"_qs, u"ñ"_qs, u"Ñ"_qs, u"u"_qs, u"ü"_qs}
        << wild << 10 << 4000;
    QTest::newRow("combining marks and tilde")
        << QStringList{u"n"_qs, u"\u0303"_qs, u"\u0301"_qs, u"\u0318"_qs, u"a"_qs} << wild << 10
        << 4000;
    QTest::newRow("other scripts, beyond the BMP")
        << QStringList{u"ω"_qs, u"Ω"_qs, u"ш"_qs, u"𝒜"_qs, u"𐐀"_qs, u"𐐨"_qs, u"x"_qs} << wild << 10
        << 4000;
    QTest::newRow("not UTF-8, NUL")
        << QStringList{u"\\xff"_qs, u"a"_qs, QString(QChar(0)), u"é"_qs} << wild << 10 << 4000;
    QTest::newRow("only wildcards")
        << QStringList{u"a"_qs, u"ñ"_qs} << QStringList{u"%"_qs, u"_"_qs, u"_"_qs, u"_"_qs} << 16
        << 4000;
    // Runs of more than 64 keys take several machine words, and keys rare in the run keep
    // their positions instead of a mask.
    QTest::newRow("runs longer than a machine word")
        << QStringList{u"a"_qs, u"a"_qs, u"a"_qs, u"b"_qs, u"ñ"_qs, u"x"_qs, u"y"_qs}
        << (QStringList(15, u"_"_qs) << u"%"_qs) << 400 << 300;
}

void TestTextMatching::likeAgreesWithPlainMatcher()
{
    QFETCH(QStringList, textAlphabet);
    QFETCH(QStringList, patternExtras);
    QFETCH(int, maxLength);
    QFETCH(int, cases);
    QRandomGenerator random(1414);
    const QStringList patternAlphabet = textAlphabet + patternExtras;
    for (int i = 0; i < cases; ++i) {
        const std::string text = randomText(random, textAlphabet, maxLength);
        std::string pattern = randomText(random, patternAlphabet, maxLength / 2 + 2);
        // Half the patterns are cut from the text itself, so that many of them match; a
        // character's bytes stay whole.
        if (i % 2 && !text.empty()) {
            pattern = text.substr(random.bounded(int(text.size())));
            for (char &c : pattern) {
                if (random.bounded(4) == 0 && static_cast<unsigned char>(c) < 0x80)
                    c = patternExtras.at(random.bounded(patternExtras.size())).at(0).toLatin1();
            }
            if (random.bounded(2))
                pattern = '%' + pattern;
        }
        const bool expected = plainMatch(db::like::foldPattern(pattern.data(), int(pattern.size())),
                                         db::like::foldText(text.data(), int(text.size())));
        QVERIFY2(like(text, pattern) == int(expected),
                 qPrintable(QStringLiteral("'%1' LIKE '%2'")
                                .arg(QString::fromUtf8(text), QString::fromUtf8(pattern))));
    }
}

void TestTextMatching::longPatternsAgainstLongTitles_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");

    const QString as = QString(100000, u'a');
    QTest::newRow("20,000 _ within %") << u"%"_qs + QString(20000, u'_') + u"%"_qs << as << true;
    QTest::newRow("more _ than the text has")
        << u"%"_qs + QString(100001, u'_') + u"%"_qs << as << false;
    QTest::newRow("_ and a letter missing at the end")
        << u"%"_qs + QString(20000, u'_') + u"b%"_qs << as << false;
    QTest::newRow("_ and the letter found at the end")
        << u"%"_qs + QString(20000, u'_') + u"b%"_qs << as + u"b"_qs << true;
    QString alternating;
    for (int i = 0; i < 10000; ++i)
        alternating += u"a_"_qs;
    QTest::newRow("a_ repeated, no b") << u"%"_qs + alternating + u"b%"_qs << as << false;
    QTest::newRow("a_ repeated, b last")
        << u"%"_qs + alternating + u"b%"_qs << as + u"ñb"_qs << true;
    QTest::newRow("long word, one letter off")
        << u"%"_qs + QString(5000, u'a') + u"b%"_qs << as << false;
    QTest::newRow("many % and letters")
        << QString(u"%a"_qs).repeated(20000) + u"%"_qs << as << true;
    QTest::newRow("Greek word, repeated letters")
        << u"%"_qs + QString(5000, u'ω') + u"ψ%"_qs << QString(100000, u'Ω') + u"Ψ"_qs << true;
}

// What a pasted title can ask of two long titles: right answers, here, and no freeze (the
// timing is a benchmark's).
void TestTextMatching::longPatternsAgainstLongTitles()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    QCOMPARE(like(text.toStdString(), pattern.toStdString()), int(matches));
}

void TestTextMatching::sortKeysOrderAsTheCollation_data()
{
    QTest::addColumn<QStringList>("alphabet");

    QTest::newRow("letters, case, accents, ñ")
        << QStringList{u"a"_qs, u"A"_qs, u"á"_qs, u"n"_qs, u"ñ"_qs, u"Ñ"_qs, u"o"_qs, u"z"_qs};
    QTest::newRow("numbers, blanks, punctuation")
        << QStringList{u"0"_qs, u"1"_qs, u"9"_qs, u" "_qs, u","_qs, u"¿"_qs, u"-"_qs, u"a"_qs};
    QTest::newRow("marks, tilde, other digits")
        << QStringList{u"n"_qs, u"\u0303"_qs, u"e\u0301"_qs, u"٣"_qs, u"5"_qs, u"ω"_qs};
    QTest::newRow("not UTF-8, NUL, beyond the BMP")
        << QStringList{u"\\xff"_qs, QString(QChar(0)), u"𝒜"_qs, u"a"_qs, u"1"_qs};
}

// Keys computed once per text must sort exactly as the collation compares, ties included.
void TestTextMatching::sortKeysOrderAsTheCollation()
{
    QFETCH(QStringList, alphabet);
    QRandomGenerator random(1415);
    std::vector<std::string> texts;
    for (int i = 0; i < 300; ++i)
        texts.push_back(randomText(random, alphabet, 7));
    for (int i = 0; i < 100; ++i) // shared beginnings, as sorted titles have
        texts.push_back(texts[std::size_t(i)] + randomText(random, alphabet, 3));
    std::vector<std::string> keys;
    for (const std::string &t : texts)
        keys.push_back(db::spanishSortKey(t.data(), int(t.size())));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        for (std::size_t j = 0; j < texts.size(); ++j) {
            const std::string &ka = keys[i], &kb = keys[j];
            int byKeys = sign(std::memcmp(ka.data(), kb.data(), std::min(ka.size(), kb.size())));
            if (byKeys == 0)
                byKeys = sign(int(ka.size()) - int(kb.size()));
            QVERIFY2(
                byKeys == collate(texts[i], texts[j]),
                qPrintable(QString::fromUtf8(texts[i]) + u" / "_qs + QString::fromUtf8(texts[j])));
        }
    }
}

QTEST_GUILESS_MAIN(TestTextMatching)
#include "tst_textmatching.moc"
