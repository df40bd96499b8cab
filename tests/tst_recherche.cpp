// Looking for a text with or without case, against the locale's upper case
// of both texts, wherever the match falls in the scan.
#include "model/fichierx.h"
#include "model/recherche.h"
#include "outilstest.h"

class TestRecherche : public QObject
{
    Q_OBJECT

private:
    static bool Attendu(const QString &texte, const QString &aiguille, bool casse)
    {
        if (texte.isEmpty())
            return false;
        if (casse)
            return texte.contains(aiguille);
        const QLocale l;
        return l.toUpper(texte).contains(l.toUpper(aiguille));
    }

private slots:
    // Every length of text up to past two vectors, every place of a match
    // (as typed, in the other case, one character off), in texts of ASCII,
    // of accents that pass the fast test and of characters that stop it.
    void partout_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("aiguille");
        QTest::addColumn<bool>("casse");
        QTest::newRow("one letter") << "fr_FR"
                                    << "q" << false;
        QTest::newRow("word") << "fr_FR"
                              << "qzxwv" << false;
        QTest::newRow("word, case") << "fr_FR"
                                    << "qZxwV" << true;
        QTest::newRow("accents") << "fr_FR"
                                 << "éCOLE" << false;
        QTest::newRow("dotless i and long s") << "en_US"
                                              << "ıs" << false;
        QTest::newRow("long s ends") << "en_US"
                                     << "sus" << false;
        QTest::newRow("title case letter") << "en_US"
                                           << "ǅa" << false;
        QTest::newRow("micro sign") << "fr_FR"
                                    << "µm" << false;
        QTest::newRow("longer than a vector") << "fr_FR"
                                              << "abcdefghijklmnopqr" << false;
        QTest::newRow("sharp s") << "de_DE"
                                 << "ss" << false;
        QTest::newRow("turkish") << "tr_TR"
                                 << "ik" << false;
    }

    void partout()
    {
        QFETCH(QString, locale);
        QFETCH(QString, aiguille);
        QFETCH(bool, casse);
        const QLocale avant;
        QLocale::setDefault(QLocale(locale));
        const TRecherche recherche(aiguille, casse);
        const QString variantes[] = {aiguille, aiguille.toUpper(), aiguille.toLower(),
                                     aiguille.left(aiguille.size() - 1) + u'#'};
        const QString fonds[] = {QStringLiteral("x"), QStringLiteral("é"), QStringLiteral("œ"), QStringLiteral("ß"),
                                 QStringLiteral("\U0001F600")};
        for (const QString &fond : fonds) {
            for (int n = 0; n <= 40; ++n) {
                const QString base = fond.repeated(n).left(n);
                for (const QString &v : variantes) {
                    for (int p = 0; p <= n; ++p) {
                        const QString texte = base.left(p) + v + base.mid(p);
                        QVERIFY2(recherche.Trouve(texte) == Attendu(texte, aiguille, casse),
                                 qPrintable(aiguille + QStringLiteral(" in ") + texte));
                    }
                }
                QVERIFY2(recherche.Trouve(base) == Attendu(base, aiguille, casse), qPrintable(base));
            }
        }
        QLocale::setDefault(avant);
    }

    // The texts of a card in one pass: a match never spans two texts, and
    // a text the pass cannot decide sends back to the texts one by one.
    void suite_data()
    {
        QTest::addColumn<QStringList>("textes");
        QTest::addColumn<QString>("aiguille");
        QTest::addColumn<int>("resultat");
        const QString longue = QStringLiteral("0123456789").repeated(3);
        QTest::newRow("in the title") << QStringList{"Abc", longue, longue} << "ABC" << int(TRecherche::Oui);
        QTest::newRow("at the very end") << QStringList{longue, longue, longue + "fin"} << "FIN"
                                         << int(TRecherche::Oui);
        QTest::newRow("across two texts")
            << QStringList{longue + "ab", "cd" + longue, ""} << "abcd" << int(TRecherche::Non);
        QTest::newRow("empty texts") << QStringList{"", "", ""} << "a" << int(TRecherche::Non);
        QTest::newRow("sharp s before") << QStringList{"straße", longue, longue + "x"} << "X"
                                        << int(TRecherche::Indecis);
        QTest::newRow("sharp s at the end")
            << QStringList{longue, longue, longue + "ß"} << "SS" << int(TRecherche::Indecis);
        QTest::newRow("match before a sharp s")
            << QStringList{"x" + longue, longue, "ß"} << "X" << int(TRecherche::Oui);
    }

    void suite()
    {
        QFETCH(QStringList, textes);
        QFETCH(QString, aiguille);
        QFETCH(int, resultat);
        const TRecherche recherche(aiguille, false, QLocale(QLocale::French));
        const TFicheX fiche(textes[0], textes[1], textes[2]);
        QStringView suite;
        QVERIFY(fiche.Suite(0, suite));
        QCOMPARE(int(recherche.TrouveDansSuite(suite)), resultat);
        if (resultat == TRecherche::Indecis) {
            const QLocale avant;
            QLocale::setDefault(QLocale(QLocale::French));
            for (const QString &texte : textes)
                QCOMPARE(recherche.Trouve(texte), Attendu(texte, aiguille, false));
            QLocale::setDefault(avant);
        }
    }
};

QTEST_GUILESS_MAIN(TestRecherche)
#include "tst_recherche.moc"
