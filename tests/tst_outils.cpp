// Text and file-type utilities, code pages.
#include "formats/formats.h"
#include "formats/zip.h"
#include "model/erreurs.h"
#include "model/outils.h"
#include "model/pagecode.h"
#include "outilstest.h"

class TestOutils : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;

    QString Ecrire(const QString &nom, const QByteArray &octets)
    {
        const QString chemin = m_dossier.filePath(nom);
        OutilsTest::EcrireFichier(chemin, octets);
        return chemin;
    }

private slots:
    void initTestCase() { OutilsTest::IsolerParametres(m_dossier); }

    void echapper_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("echappe");
        QTest::newRow("exemple") << QStringLiteral(" a\\b\r\n") << QStringLiteral("\\sa\\\\b\\n");
        QTest::newRow("tab") << QStringLiteral("\t") << QStringLiteral("\\t");
        QTest::newRow("vide") << QString() << QString();
        QTest::newRow("CR seul") << QStringLiteral("a\rb") << QStringLiteral("a\rb");
        QTest::newRow("barre puis s") << QStringLiteral("\\s") << QStringLiteral("\\\\s");
        QTest::newRow("espaces aux bouts") << QStringLiteral("  x\t") << QStringLiteral("\\s\\sx\\t");
        QTest::newRow("LF CR") << QStringLiteral("\n\r") << QStringLiteral("\n\r");
    }

    void echapper()
    {
        QFETCH(QString, texte);
        QFETCH(QString, echappe);
        QCOMPARE(Echapper(texte), echappe);
        if (!texte.contains(u'\r') || texte.contains(QLatin1String("\r\n")))
            QCOMPARE(Desechapper(Echapper(texte)), texte);
    }

    void desechapper_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("resultat");
        QTest::newRow("espace echappe rogne") << QStringLiteral("  \\s  ") << QStringLiteral(" ");
        QTest::newRow("x rogne") << QStringLiteral("  x  ") << QStringLiteral("x");
        QTest::newRow("inconnu garde") << QStringLiteral("a\\qb") << QStringLiteral("a\\qb");
        QTest::newRow("barre finale") << QStringLiteral("ab\\") << QStringLiteral("ab\\");
        QTest::newRow("sequence") << QStringLiteral("\\\\\\s\\n\\t") << QStringLiteral("\\ \r\n\t");
        QTest::newRow("controle aux bouts") << QStringLiteral("\r\na\n") << QStringLiteral("a");
    }

    void desechapper()
    {
        QFETCH(QString, texte);
        QFETCH(QString, resultat);
        QCOMPARE(Desechapper(texte), resultat);
    }

    // Every line end becomes CR LF; a text that has only CR LF is shared, not copied.
    void lignesCrLf_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("resultat");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("no line end") << QStringLiteral("abc") << QStringLiteral("abc");
        QTest::newRow("LF") << QStringLiteral("a\nb\n") << QStringLiteral("a\r\nb\r\n");
        QTest::newRow("CR LF kept") << QStringLiteral("a\r\nb") << QStringLiteral("a\r\nb");
        QTest::newRow("lone CR, last") << QStringLiteral("a\r") << QStringLiteral("a\r\n");
        QTest::newRow("LF CR") << QStringLiteral("\n\r") << QStringLiteral("\r\n\r\n");
        QTest::newRow("CR LF then LF") << QStringLiteral("x\r\n\ny") << QStringLiteral("x\r\n\r\ny");
        QTest::newRow("CR CR LF") << QStringLiteral("\r\r\n") << QStringLiteral("\r\n\r\n");
        QTest::newRow("100,000 lines") << QStringLiteral("ab\n").repeated(100000)
                                       << QStringLiteral("ab\r\n").repeated(100000);
    }

    void lignesCrLf()
    {
        QFETCH(QString, texte);
        QFETCH(QString, resultat);
        const QString r = LignesCrLf(texte);
        QCOMPARE(r, resultat);
        if (texte == resultat && !texte.isEmpty())
            QCOMPARE(r.constData(), texte.constData());
    }

    void couperLignes_data()
    {
        QTest::addColumn<QByteArray>("texte");
        QTest::addColumn<QList<int>>("debuts");
        QTest::newRow("vide") << QByteArray() << QList<int>{1};
        QTest::newRow("130 lettres") << QByteArray(130, 'a') << QList<int>{1, 61, 121, 131};
        QTest::newRow("60 lettres") << QByteArray(60, 'a') << QList<int>{1, 61};
        QTest::newRow("61 lettres") << QByteArray(61, 'a') << QList<int>{1, 61, 62};
        // A space at position 61 ends the first line after it (61 characters).
        QTest::newRow("espace en 61") << QByteArray(60, 'a') + ' ' + QByteArray(5, 'b') << QList<int>{1, 62, 67};
        QTest::newRow("espace en 62") << QByteArray(61, 'a') + ' ' + QByteArray(5, 'b') << QList<int>{1, 61, 68};
        QTest::newRow("CR") << QByteArray("ab\r\ncd") + QByteArray(60, 'e') << QList<int>{1, 4, 64, 67};
        QTest::newRow("mots") << QByteArray("un deux ") + QByteArray(55, 'x') + QByteArray(" fin")
                              << QList<int>{1, 9, 68};
    }

    void couperLignes()
    {
        QFETCH(QByteArray, texte);
        QFETCH(QList<int>, debuts);
        std::vector<int> obtenus;
        const int nombre = CouperLignes(texte, obtenus);
        QCOMPARE(nombre, int(debuts.size()) - 1);
        QCOMPARE(QList<int>(obtenus.begin(), obtenus.end()), debuts);
        QCOMPARE(NombreLignes(texte), nombre);
        for (size_t i = 0; i + 1 < obtenus.size(); ++i)
            QVERIFY(obtenus[i + 1] - obtenus[i] <= 61);
    }

    void couperLignesPlafond()
    {
        std::vector<int> debuts;
        const QByteArray long_(300 * 60, 'z');
        QCOMPARE(CouperLignes(long_, debuts), 251);
        QCOMPARE(debuts.size(), size_t(252));
        QCOMPARE(debuts.back(), 251 * 60 + 1); // text beyond line 251 is not covered
        QCOMPARE(CouperLignes(QByteArray(251 * 60, 'z'), debuts), 251);
        QCOMPARE(debuts.back(), 251 * 60 + 1);
    }

    void reconnaitreFormat_data()
    {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QByteArray>("tete");
        QTest::addColumn<QChar>("format");
        QByteArray natif(200, '\0');
        natif[62] = char(0xC1);
        natif[63] = 'Q';
        natif[64] = 7;
        QByteArray oem = natif;
        oem[62] = 'A';
        QByteArray versionHaute = natif;
        versionHaute[64] = 0x20;
        QByteArray court = natif.left(64);
        QByteArray titreXml = natif;
        titreXml[0] = 5;
        titreXml.replace(1, 5, "<?xml");
        QByteArray commentaires = QByteArray("<!--") + QByteArray(250, '-') + "-->"
            + "<?xml version=\"1.0\"?><AMBLORINE>";
        QByteArray utf16 = QByteArray("<\0?\0x\0m\0l\0 \0<\0A\0M\0B\0L\0", 22);

        QTest::newRow("xml amblorine") << "a.xaqq" << QByteArray("<?xml version=\"1.0\"?>\n<AMBLORINE TYPE=\"Q\">")
                                       << QChar(u'x');
        QTest::newRow("xml quiz") << "q.xml" << QByteArray("<?xml version=\"1.0\"?>\n<quiz>") << QChar(u'm');
        QTest::newRow("xml autre") << "o.xml" << QByteArray("<?xml version=\"1.0\"?>\n<html>") << QChar(u'?');
        QTest::newRow("xml apres commentaires") << "c.xml" << commentaires << QChar(u'?');
        QTest::newRow("utf16") << "u.xaqq" << utf16 << QChar(u'?');
        QTest::newRow("natif ansi") << "n.aqq" << natif << QChar(u'n');
        QTest::newRow("natif oem") << "n.aqq" << oem << QChar(u'n');
        QTest::newRow("natif version haute") << "n.aqq" << versionHaute << QChar(u'?');
        QTest::newRow("natif 64 octets") << "n.aqq" << court << QChar(u'?');
        QTest::newRow("natif titre xml") << "n.aqq" << titreXml << QChar(u'?');
        QTest::newRow("csv point-virgule") << "data.CSV" << QByteArray("a;b\r\n") << QChar(u's');
        QTest::newRow("txt point-virgule") << "data.txt" << QByteArray("a;b\r\n") << QChar(u'?');
        QTest::newRow("csv une colonne") << "data.csv" << QByteArray("ab\r\n") << QChar(u's');
        QTest::newRow("csv vide") << "vide.csv" << QByteArray() << QChar(u's');
        QTest::newRow("csv binaire") << "data.csv" << QByteArray("ab\0cd", 5) << QChar(u'?');
        QTest::newRow("csv separateur apres zero") << "z.csv" << QByteArray("ab\0;", 4) << QChar(u'?');
        QTest::newRow("MGC") << "a.crd" << QByteArray("MGC\0\0", 5) << QChar(u'c');
        QTest::newRow("RRG") << "a.crd" << QByteArray("RRG\0\0", 5) << QChar(u'c');
        QTest::newRow("DKO") << "a.crd" << QByteArray("DKO") << QChar(u'c');
        QTest::newRow("mgc minuscules") << "a.crd" << QByteArray("mgc") << QChar(u'?');
        QTest::newRow("vide") << "vide.xaqq" << QByteArray() << QChar(u'?');
    }

    void reconnaitreFormat()
    {
        QFETCH(QString, nom);
        QFETCH(QByteArray, tete);
        QFETCH(QChar, format);
        TOptions options;
        options.separateurCsv = QStringLiteral(";");
        QCOMPARE(ReconnaitreFormat(Ecrire(nom, tete), options), format);
    }

    void reconnaitreFormatNeLitQueLaTete()
    {
        // "<AMBL" beyond byte 255 does not count.
        QByteArray octets = "<?xml version=\"1.0\"?>" + QByteArray(300, ' ') + "<AMBLORINE/>";
        QCOMPARE(ReconnaitreFormat(Ecrire(QStringLiteral("loin.xaqq"), octets), TOptions()), QChar(u'?'));
    }

    void reconnaitreFormatFichierAbsent()
    {
        QVERIFY_THROWS_EXCEPTION(ErreurFichier,
                                 ReconnaitreFormat(m_dossier.filePath(QStringLiteral("absent.xaqq")), TOptions()));
    }

    void separateurCsv()
    {
        DefinirSeparateurCsv(QStringLiteral("\\t"));
        QCOMPARE(SeparateurCsv(), QChar(u'\t'));
        QCOMPARE(SeparateurCsvTexte(), QStringLiteral("\\t"));
        DefinirSeparateurCsv(QStringLiteral(" | "));
        QCOMPARE(SeparateurCsv(), QChar(u'|'));
        DefinirSeparateurCsv(QString());
        QCOMPARE(SeparateurCsv(), PremierCar(SeparateurListeLocal()));
        QVERIFY(SeparateurCsvTexte().isEmpty());
    }

    void nomAffiche_data()
    {
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<QString>("affiche");
        QTest::newRow("C:") << "C:\\docs\\a.xml"
                            << "a.xml";
        QTest::newRow("c: minuscule") << "c:\\a.xml"
                                      << "a.xml";
        QTest::newRow("d:") << "d:\\a.xml"
                            << "a.xml on d:";
        QTest::newRow("serveur") << "\\\\srv\\share\\a.xml"
                                 << "a.xml on srv";
        QTest::newRow("serveur seul") << "\\\\srv"
                                      << "srv on srv";
        QTest::newRow("unix") << "/home/moi/notes.xaqn"
                              << "notes.xaqn";
        QTest::newRow("vide") << ""
                              << "";
    }

    void nomAffiche()
    {
        QFETCH(QString, chemin);
        QFETCH(QString, affiche);
        QCOMPARE(NomAffiche(chemin), affiche);
    }

    void nomsEtExtensions()
    {
        QCOMPARE(NomSansExtension(QStringLiteral("/a/b/c.tar.gz")), QStringLiteral("c.tar"));
        QCOMPARE(NomSansExtension(QStringLiteral("C:\\x\\sans")), QStringLiteral("sans"));
        QCOMPARE(ExtensionDepuisMotif(QStringLiteral("xaq*"), u'Q'), QStringLiteral("xaqq"));
        QCOMPARE(ExtensionDepuisMotif(QStringLiteral("AQ*"), u'R'), QStringLiteral("aqr"));
        QCOMPARE(ExtensionDepuisMotif(QStringLiteral("CSV"), u'L'), QStringLiteral("csv"));
        QCOMPARE(SansEspaces(QStringLiteral(" a b ")), QStringLiteral("ab"));
        QCOMPARE(PremierCar(QString()), QChar(u' '));
    }

    void lettresOuiNon()
    {
        const QByteArray oui = "JOSTY";
        for (int c = 0; c < 256; ++c)
            QCOMPARE(EstLettreOui(char(c)), oui.contains(char(c)));
        QCOMPARE(LettreOuiNon(true), QChar(u'O'));
        QCOMPARE(LettreOuiNon(false), QChar(u'N'));
    }

    void espacesFinaux()
    {
        QByteArray s("ab  ");
        OterEspacesFinaux(s);
        QCOMPARE(s, QByteArray("ab"));
        QByteArray blancs("   ");
        OterEspacesFinaux(blancs);
        QVERIFY(blancs.isEmpty());
    }

    void pagesDeCode_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("texte");
        QTest::newRow("1252") << 1252 << QByteArray("\xE9t\xE9 \x80 \x9C") << QStringLiteral("été € œ");
        QTest::newRow("1250") << 1250 << QByteArray("\x8A\x9A\xE8") << QStringLiteral("Ššč");
        QTest::newRow("1251") << 1251 << QByteArray("\xCF\xF0\xE8") << QStringLiteral("При");
        QTest::newRow("850") << 850 << QByteArray("\x82\x85\x87\x90") << QStringLiteral("éàçÉ");
        QTest::newRow("437") << 437 << QByteArray("\x82\xE1\x9B") << QStringLiteral("éß¢");
        QTest::newRow("utf8") << 65001 << QByteArray("\xC3\xA9") << QStringLiteral("é");
    }

    void pagesDeCode()
    {
        QFETCH(int, page);
        QFETCH(QByteArray, octets);
        QFETCH(QString, texte);
        QVERIFY(PageCode::Connue(page));
        QCOMPARE(PageCode::Decoder(octets, page), texte);
        QCOMPARE(PageCode::Encoder(texte, page), octets);
    }

    void caracteresIntraduisibles()
    {
        // Never Qt's 0x1A substitute: a question mark, one per character.
        QCOMPARE(PageCode::Encoder(QStringLiteral("a€😀b"), 850), QByteArray("a??b"));
        QCOMPARE(PageCode::Encoder(QStringLiteral("Ж"), 1252), QByteArray("?"));
        QVERIFY(!PageCode::Representable(U'Ж', 1252));
        QVERIFY(PageCode::Representable(U'Ж', 1251));
        QVERIFY(PageCode::Representable(U'😀', 65001));
        // An unknown code page falls back to the system's.
        QVERIFY(!PageCode::Connue(12345));
        QCOMPARE(PageCode::Decoder(QByteArray("\xE9"), 12345), QStringLiteral("é"));
    }

    // The count before a save agrees with the '?' the encoder writes.
    void irrepresentables_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("nombre");
        QTest::addColumn<uint>("premier");
        QTest::newRow("ascii") << QStringLiteral("a?b") << 1252 << 0 << 0u;
        QTest::newRow("latin in 1252") << QStringLiteral("été €") << 1252 << 0 << 0u;
        QTest::newRow("greek in 1252") << QStringLiteral("x Ωμέγα") << 1252 << 5 << 0x3A9u;
        QTest::newRow("greek in 1253") << QStringLiteral("x Ωμέγα") << 1253 << 0 << 0u;
        QTest::newRow("outside the bmp: one") << QStringLiteral("a😀b€") << 850 << 2 << 0x1F600u;
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + u'a' << 1252 << 1 << 0xD800u;
        QTest::newRow("utf-8 holds all") << QStringLiteral("Ω😀") << 65001 << 0 << 0u;
    }

    void irrepresentables()
    {
        QFETCH(QString, texte);
        QFETCH(int, page);
        QFETCH(int, nombre);
        QFETCH(uint, premier);
        char32_t trouve = 0;
        QCOMPARE(int(PageCode::Irrepresentables(texte, page, &trouve)), nombre);
        QCOMPARE(uint(trouve), premier);
        if (page != 65001)
            QCOMPARE(int(PageCode::Encoder(texte, page).count('?') - texte.count(u'?')), nombre);
    }

    void nomsEncodage()
    {
        QCOMPARE(PageCode::NomEncodage(1250), QStringLiteral("windows-1250"));
        QCOMPARE(PageCode::NomEncodage(65001), QStringLiteral("UTF-8"));
        QCOMPARE(PageCode::DepuisNomEncodage(QStringLiteral("Windows-1252")), 1252);
        QCOMPARE(PageCode::DepuisNomEncodage(QStringLiteral("ISO-8859-1")), 1252);
        QCOMPARE(PageCode::DepuisNomEncodage(QStringLiteral("IBM850")), 850);
        QCOMPARE(PageCode::DepuisNomEncodage(QStringLiteral("utf-8")), 65001);
        QCOMPARE(PageCode::DepuisNomEncodage(QStringLiteral("klingon")), 0);
    }

    // A package's references become entry names, never a path out of it.
    void cheminZip_data()
    {
        QTest::addColumn<QString>("dossier");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("racine") << QString() << "item1.xml"
                                << "item1.xml";
        QTest::newRow("dossier") << "quiz/"
                                 << "item1.xml"
                                 << "quiz/item1.xml";
        QTest::newRow("remonte dedans") << "a/b/"
                                        << "../c.xml"
                                        << "a/c.xml";
        QTest::newRow("echappements") << QString() << "dossier%20un/%C3%A9.xml"
                                      << QString::fromUtf8("dossier un/é.xml");
        QTest::newRow("point") << "a/"
                               << "./b.xml"
                               << "a/b.xml";
        QTest::newRow("sort par ..") << "a/"
                                     << "../../etc/passwd" << QString();
        QTest::newRow("sort encode") << QString() << "%2E%2E/x" << QString();
        QTest::newRow("absolu") << "a/"
                                << "/etc/passwd" << QString();
        QTest::newRow("url") << QString() << "http://example.com/x.xml" << QString();
        QTest::newRow("fichier") << QString() << "file:///etc/passwd" << QString();
        QTest::newRow("antislash") << QString() << "..\\x.xml" << QString();
        QTest::newRow("vide") << QString() << QString() << QString();
    }

    void cheminZip()
    {
        QFETCH(QString, dossier);
        QFETCH(QString, reference);
        QFETCH(QString, attendu);
        QCOMPARE(Zip::Chemin(dossier, reference), attendu);
    }
};

QTEST_GUILESS_MAIN(TestOutils)

#include "tst_outils.moc"
