// Spell checking: which words of a text are looked at, the dictionaries'
// encodings, the choice of a dictionary, suggestions, the personal word list.
#include "outilstest.h"

#include "orthographe/orthographe.h"

#include <QLocale>
#include <QStandardPaths>

namespace {

QString U(const char *texte)
{
    return QString::fromUtf8(texte);
}

QStringList Textes(const QString &texte, const QList<TOrthographe::Mot> &mots)
{
    QStringList liste;
    for (const TOrthographe::Mot &m : mots)
        liste << texte.mid(m.debut, m.longueur);
    return liste;
}

} // namespace

class TestOrthographe : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;

    static std::unique_ptr<TOrthographe> Installe(const QString &nom) { return TOrthographe::Ouvrir(nom); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dossier.isValid());
        OutilsTest::IsolerParametres(m_dossier);
        OutilsTest::IsolerOrthographe(m_dossier);
    }

    void mots_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QStringList>("mots");
        QTest::newRow("plain") << U("Le chat dort.") << QStringList{"Le", "chat", "dort"};
        QTest::newRow("elision kept whole") << U("l'école, l’été") << QStringList{U("l'école"), U("l’été")};
        QTest::newRow("hyphen splits") << U("arc-en-ciel") << QStringList{"arc", "en", "ciel"};
        QTest::newRow("numbers and mixed") << U("12 ans, 3e, A4 papier") << QStringList{"ans", "papier"};
        QTest::newRow("capitals are acronyms") << U("NASA et I am") << QStringList{"et", "I", "am"};
        QTest::newRow("cloze keywords") << U("{1:SHORTANSWER:=Paris}") << QStringList{"Paris"};
        QTest::newRow("addresses") << U("voir www.exemple.org, moi@ici.fr ou https://ici.fr/page")
                                   << QStringList{"voir", "ou"};
        QTest::newRow("sentence ends") << U("Fin. Suite.") << QStringList{"Fin", "Suite"};
        QTest::newRow("line breaks") << U("un\r\ndeux\u2029trois") << QStringList{"un", "deux", "trois"};
        QTest::newRow("nothing") << QString() << QStringList();
        QTest::newRow("over-long token") << QString(150, u'a') << QStringList();
    }

    void mots()
    {
        QFETCH(QString, texte);
        QFETCH(QStringList, mots);
        QCOMPARE(Textes(texte, TOrthographe::Mots(texte)), mots);
    }

    // A dictionary in ISO 8859-1: words reach it in its encoding, and its
    // suggestions come back as text.
    void encodage_data()
    {
        QTest::addColumn<QString>("mot");
        QTest::addColumn<bool>("correct");
        QTest::addColumn<QString>("suggestion"); // among the first five; empty: none expected
        QTest::newRow("accented word known") << U("été") << true << QString();
        QTest::newRow("plain word known") << U("chat") << true << QString();
        QTest::newRow("missing accent") << U("chateau") << false << U("château");
        QTest::newRow("wrong accent") << U("fenétre") << false << U("fenêtre");
        QTest::newRow("character outside the code page") << U("œuvre") << false << QString();
        QTest::newRow("Greek") << U("λόγος") << false << QString();
    }

    void encodage()
    {
        QFETCH(QString, mot);
        QFETCH(bool, correct);
        QFETCH(QString, suggestion);
        QString erreur;
        auto o = TOrthographe::Ouvrir(QStringLiteral("essai_LATIN1"), &erreur);
        QVERIFY2(o, qPrintable(erreur));
        QCOMPARE(o->Encodage(), QStringLiteral("ISO8859-1"));
        QCOMPARE(o->Correct(mot), correct);
        const QStringList suggestions = o->Suggestions(mot);
        QVERIFY(suggestions.size() <= 5);
        if (!suggestion.isEmpty())
            QVERIFY2(suggestions.contains(suggestion), qPrintable(suggestions.join(u',')));
        for (const QString &s : suggestions)
            QVERIFY2(!s.contains(QChar::ReplacementCharacter), qPrintable(s));
    }

    void refus_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QString>("message");
        QTest::newRow("not installed") << QStringLiteral("xx_YY") << QStringLiteral("essai_LATIN1");
        QTest::newRow("encoding not convertible")
            << QStringLiteral("essai_ISCII") << QStringLiteral("ISCII-DEVANAGARI");
        QTest::newRow("path, not a name") << QStringLiteral("../hunspell/essai_LATIN1") << QStringLiteral("installed");
    }

    void refus()
    {
        QFETCH(QString, nom);
        QFETCH(QString, message);
        QString erreur;
        QVERIFY(!TOrthographe::Ouvrir(nom, &erreur));
        QVERIFY2(erreur.contains(message), qPrintable(erreur));
    }

    void parDefaut_data()
    {
        QTest::addColumn<QStringList>("noms");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("attendu");
        // The interface is English here (no catalogue loaded).
        const QStringList tous{"de_DE", "en_GB", "en_US", "fr_FR"};
        QTest::newRow("the locale's variant") << tous << "en_GB"
                                              << "en_GB";
        QTest::newRow("other language: the main variant") << tous << "de_DE"
                                                          << "en_US";
        QTest::newRow("only another variant") << QStringList{"en_AU", "fr_FR"} << "fr_FR"
                                              << "en_AU";
        QTest::newRow("bare language") << QStringList{"en", "fr"} << "C"
                                       << "en";
        QTest::newRow("none of the language") << QStringList{"fr_FR", "fr_BE"} << "fr_FR"
                                              << "";
        QTest::newRow("nothing installed") << QStringList() << "en_US"
                                           << "";
    }

    void parDefaut()
    {
        QFETCH(QStringList, noms);
        QFETCH(QString, locale);
        QFETCH(QString, attendu);
        QCOMPARE(TOrthographe::ParDefaut(noms, QLocale(locale)), attendu);
    }

    void installes()
    {
        QStringList noms;
        for (const TOrthographe::Dictionnaire &d : TOrthographe::Installes())
            noms << d.nom;
        QVERIFY(noms.contains(QStringLiteral("essai_LATIN1")));
        QVERIFY(std::is_sorted(noms.cbegin(), noms.cend()));
        QCOMPARE(noms.count(QStringLiteral("essai_LATIN1")), 1);
    }

    // The system's dictionaries, when installed.
    void suggestionsInstallees_data()
    {
        QTest::addColumn<QString>("dictionnaire");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QStringList>("fautes");
        QTest::addColumn<QString>("suggestion"); // for the first fault
        QTest::newRow("fr: missing accent")
            << "fr_FR" << U("Une ecole du village") << QStringList{"ecole"} << U("école");
        QTest::newRow("fr: misspelt") << "fr_FR" << U("du fromaje et du pain") << QStringList{"fromaje"}
                                      << U("fromage");
        QTest::newRow("fr: typographic apostrophe") << "fr_FR" << U("l’école et l'été") << QStringList() << QString();
        QTest::newRow("en: misspelt") << "en_US" << U("The recieved letter") << QStringList{"recieved"}
                                      << U("received");
    }

    void suggestionsInstallees()
    {
        QFETCH(QString, dictionnaire);
        QFETCH(QString, texte);
        QFETCH(QStringList, fautes);
        QFETCH(QString, suggestion);
        auto o = TOrthographe::Ouvrir(dictionnaire);
        if (!o)
            QSKIP("dictionary not installed");
        QCOMPARE(Textes(texte, o->Fautes(texte)), fautes);
        if (!fautes.isEmpty()) {
            const QStringList s = o->Suggestions(fautes.first());
            QVERIFY(s.size() <= 5);
            QVERIFY2(s.contains(suggestion), qPrintable(s.join(u',')));
        }
    }

    // Ignored words last for the engine; added ones are written and come back
    // with the next dictionary opened, another engine's additions kept.
    void motsPersonnels()
    {
        const QString chemin = TOrthographe::CheminMotsPersonnels();
        QVERIFY(chemin.startsWith(m_dossier.path()));
        QFile::remove(chemin);
        auto o = Installe(QStringLiteral("essai_LATIN1"));
        QVERIFY(o);
        QVERIFY(!o->Correct(QStringLiteral("Amblopad")));
        QVERIFY(!o->Correct(QStringLiteral("ignorable")));
        o->Ignorer(QStringLiteral("ignorable"));
        QVERIFY(o->Correct(QStringLiteral("ignorable")));
        QVERIFY(o->Ajouter(QStringLiteral("Amblopad")));
        QVERIFY(o->Correct(QStringLiteral("Amblopad")));
        // Another editor adds a word meanwhile; neither addition is lost.
        auto autre = Installe(QStringLiteral("essai_LATIN1"));
        QVERIFY(autre->Ajouter(U("Zoé")));
        QVERIFY(o->Ajouter(U("Hervé")));
        QVERIFY(!o->Ajouter(QStringLiteral("deux\nlignes")));
        QCOMPARE(OutilsTest::LireFichier(chemin), U("Amblopad\nZoé\nHervé\n").toUtf8());

        auto suivant = Installe(QStringLiteral("essai_LATIN1"));
        QVERIFY(suivant->Correct(QStringLiteral("Amblopad")));
        QVERIFY(suivant->Correct(U("Zoé")));
        QVERIFY(!suivant->Correct(QStringLiteral("ignorable")));
        // Hunspell takes the word in: its capitalised forms are right too.
        QVERIFY(suivant->Correct(QStringLiteral("AMBLOPAD")));
        QVERIFY(suivant->Fautes(U("Amblopad chat Hervé")).isEmpty());
    }

    // A list that is not a plain file, or far too large, is neither read nor replaced.
    void motsPersonnelsHostiles()
    {
        const QString chemin = TOrthographe::CheminMotsPersonnels();
        QFile::remove(chemin);
        QVERIFY(QDir().mkpath(chemin));
        auto o = Installe(QStringLiteral("essai_LATIN1"));
        QVERIFY(!o->Ajouter(QStringLiteral("motte")));
        QVERIFY(o->Correct(QStringLiteral("motte")));
        QVERIFY(QFileInfo(chemin).isDir());
        QVERIFY(QDir(chemin).removeRecursively());

        QVERIFY(OutilsTest::EcrireFichier(chemin, QByteArray(5 << 20, 'a')));
        auto grand = Installe(QStringLiteral("essai_LATIN1"));
        QVERIFY(grand);
        QVERIFY(!grand->Ajouter(QStringLiteral("chats")));
        QCOMPARE(QFileInfo(chemin).size(), qint64(5 << 20));
        QFile::remove(chemin);
    }
};

QTEST_GUILESS_MAIN(TestOrthographe)
#include "tst_orthographe.moc"
