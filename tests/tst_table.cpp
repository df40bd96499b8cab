// The table of formats: every row's extension leads back to it, every format
// that is read and written opens again as itself with its cards, and the
// command-line tool takes exactly the letters the table writes.
#include "outilstest.h"

#include "formats/formats.h"
#include "formats/pertes.h"
#include "formats/table.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/outils.h"
#include "model/progression.h"

#include <QtTest>

class TestTable : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dossier;

    static std::unique_ptr<TFichierX> Exemple(QChar type)
    {
        auto f = std::make_unique<TFichierX>(type, u'x');
        f->InitialiserNouveau();
        const QString sep = f->Fragmenteur.isEmpty() ? Parametres.mcqor : f->Fragmenteur;
        f->AjouterFiche(QStringLiteral("Un"), QStringLiteral("Capitale ?"), "(*) Paris" + sep + "Lyon");
        f->AjouterFiche(QStringLiteral("Deux"), QStringLiteral("Fleuve ?"), "(*) Seine" + sep + "Loire");
        f->Modifie = false;
        return f;
    }

    // The name of a file of type in format lettre; CSV files read as that type.
    QString Preparer(const QString &prefixe, QChar lettre, QChar type)
    {
        Parametres.csvtyp = QString(type);
        return m_dossier.filePath(prefixe + lettre + type + u'.'
                                  + ExtensionDepuisMotif(QString::fromLatin1(Formats::Trouver(lettre)->Motif()), type));
    }

private slots:
    void initTestCase()
    {
        OutilsTest::IsolerParametres(m_dossier);
        DefinirSeparateurCsv(QStringLiteral(","));
    }

    void lignes_data()
    {
        QTest::addColumn<QChar>("lettre");
        for (const Formats::TFormat *f : Formats::Table())
            QTest::newRow(f->Nom()) << f->Lettre();
    }
    void lignes()
    {
        QFETCH(QChar, lettre);
        const Formats::TFormat *f = Formats::Trouver(lettre);
        QVERIFY(f);
        QCOMPARE(Formats::Lettres().count(lettre), 1);
        QVERIFY(!Formats::Nom(lettre).isEmpty());
        // The first row of an extension owns it (txt: the text export).
        const QString extension = ExtensionDepuisMotif(QString::fromLatin1(f->Motif()), u'Q');
        const QChar proprietaire = Formats::FormatDepuisExtension(QStringLiteral("a.") + extension);
        QVERIFY(proprietaire != u'?');
        QCOMPARE(ExtensionDepuisMotif(QString::fromLatin1(Formats::Trouver(proprietaire)->Motif()), u'Q'), extension);
    }

    // Each readable format written for a type it holds, then opened again.
    void allerRetour_data()
    {
        QTest::addColumn<QChar>("lettre");
        QTest::addColumn<QChar>("type");
        for (const Formats::TFormat *f : Formats::Table()) {
            if (!f->Lisible() || !f->Ecrivable())
                continue;
            for (QChar type : QStringLiteral("LMQR")) {
                TFichierX essai(type, u'x');
                if (!f->Accepte(essai))
                    continue;
                QTest::addRow("%s %c", f->Nom(), char(type.unicode())) << f->Lettre() << type;
            }
        }
    }
    void allerRetour()
    {
        QFETCH(QChar, lettre);
        QFETCH(QChar, type);
        auto f = Exemple(type);
        const QString nom = Preparer(QStringLiteral("a"), lettre, type);
        Formats::Enregistrer(*f, nom, lettre, true);
        f.reset(); // releases the file
        QCOMPARE(Formats::Reconnaitre(nom), lettre);
        auto relu = Formats::Ouvrir(nom, false, true, type);
        const Formats::TFormat *format = Formats::Trouver(lettre);
        QCOMPARE(relu->FormatFichier, format->FormatLu());
        if (format->A(Formats::Importation))
            QVERIFY(relu->NomFichier.isEmpty() && relu->Modifie);
        QCOMPARE(relu->NombreFiches(), 2);
    }

    // What a format says a save loses is what the save loses: a character no
    // code page holds ("\u014B") in every question and answer; the copies a
    // re-read gets back and those the report counts make up all of them.
    void pertesAnnoncees_data() { allerRetour_data(); }
    void pertesAnnoncees()
    {
        QFETCH(QChar, lettre);
        QFETCH(QChar, type);
        const QString eng(QChar(0x014B));
        auto f = std::make_unique<TFichierX>(type, u'x');
        f->InitialiserNouveau();
        const QString sep = f->Fragmenteur.isEmpty() ? Parametres.mcqor : f->Fragmenteur;
        f->AjouterFiche(QStringLiteral("Un"), "Capitale " + eng + " ?", "(*) Paris" + eng + sep + "Lyon");
        f->AjouterFiche(QStringLiteral("Deux"), "Fleuve " + eng + " ?", "(*) Seine" + sep + "Loire" + eng);
        const auto compter = [&eng](const TFichierX &g) {
            qsizetype n = 0;
            for (int i = 0; i < g.NombreFiches(); ++i)
                n += g.Fiche(i).Champ1().count(eng) + g.Fiche(i).Champ2().count(eng);
            return n;
        };
        const qsizetype ecrits = compter(*f);
        QVERIFY(ecrits >= 2); // a numbered card keeps no question
        const Formats::Rapport rapport = Formats::PertesEnregistrement(*f, lettre);
        const Formats::Perte *perte = rapport.De(Formats::Perte::Caracteres);
        const QString nom = Preparer(QStringLiteral("pertes"), lettre, type);
        Formats::Enregistrer(*f, nom, lettre, true);
        f.reset();
        const auto relu = Formats::Ouvrir(nom, false, true, type);
        QCOMPARE(relu->NombreFiches(), 2);
        QCOMPARE(compter(*relu) + (perte ? perte->nombre : 0), ecrits);
        if (perte)
            QCOMPARE(perte->caractere, char32_t(0x014B));
    }

    // Every writer and every reader stops when the user cancels: the save
    // leaves no file, the open gives no card file and lets the file go.
    void annulation_data() { allerRetour_data(); }
    void annulation()
    {
        QFETCH(QChar, lettre);
        QFETCH(QChar, type);
        auto f = Exemple(type);
        const QString nom = Preparer(QStringLiteral("annule"), lettre, type);
        int rapports = 0;
        const auto annuler = [&rapports](qint64, qint64) {
            ++rapports;
            return false;
        };
        {
            const TProgression progression(annuler);
            QVERIFY_THROWS_EXCEPTION(ErreurAnnulation, Formats::Enregistrer(*f, nom, lettre, true));
        }
        QCOMPARE(rapports, 1);
        QVERIFY(!QFileInfo::exists(nom));
        QVERIFY(f->NomFichier.isEmpty()); // the card file did not take the name
        Formats::Enregistrer(*f, nom, lettre, true);
        f.reset();
        {
            const TProgression progression(annuler);
            QVERIFY_THROWS_EXCEPTION(ErreurAnnulation, Formats::Ouvrir(nom, true, true, type));
        }
        QCOMPARE(rapports, 2);
        QCOMPARE(Formats::Ouvrir(nom, true, true, type)->NombreFiches(), 2);
    }

    // A file cut short or holding garbage where its body was: the reader
    // refuses it with a message of its own (or, for formats whose every
    // prefix is a file, reads what is there); it never writes the file.
    void endommage_data()
    {
        QTest::addColumn<QChar>("lettre");
        QTest::addColumn<QChar>("type");
        QTest::addColumn<int>("degat");
        const char *noms[] = {"coupe", "bruit", "vide"};
        for (const Formats::TFormat *f : Formats::Table()) {
            if (!f->Lisible() || !f->Ecrivable())
                continue;
            for (QChar type : QStringLiteral("LMQR")) {
                TFichierX essai(type, u'x');
                if (!f->Accepte(essai))
                    continue;
                for (int degat = 0; degat < 3; ++degat)
                    QTest::addRow("%s %c %s", f->Nom(), char(type.unicode()), noms[degat])
                        << f->Lettre() << type << degat;
                break;
            }
        }
    }
    void endommage()
    {
        QFETCH(QChar, lettre);
        QFETCH(QChar, type);
        QFETCH(int, degat);
        auto f = Exemple(type);
        const QString nom = Preparer(QStringLiteral("degat%1").arg(degat), lettre, type);
        Formats::Enregistrer(*f, nom, lettre, true);
        f.reset();
        QFile fichier(nom);
        QVERIFY(fichier.open(QIODevice::ReadOnly));
        QByteArray octets = fichier.readAll();
        fichier.close();
        if (degat == 0) {
            octets.truncate(octets.size() / 2);
        } else if (degat == 1) {
            for (qsizetype i = octets.size() / 4; i < octets.size() * 3 / 4; ++i)
                octets[i] = char((i * 131) ^ 0x5A);
        } else {
            octets.clear();
        }
        QVERIFY(fichier.open(QIODevice::WriteOnly | QIODevice::Truncate));
        fichier.write(octets);
        fichier.close();
        try {
            const auto relu = Formats::Ouvrir(nom, true, true, type, nullptr, lettre);
            QVERIFY(relu);
            QVERIFY(relu->NombreFiches() <= 2);
        } catch (const Erreur &e) {
            QVERIFY(!e.message().isEmpty());
        }
        QVERIFY(fichier.open(QIODevice::ReadOnly));
        QCOMPARE(fichier.readAll(), octets);
    }

    // A file written in a format is never taken for another one by its
    // content: formats known by content know it under any name, the others
    // (plain-text ones, known by their extension) leave it unknown.
    void parContenu_data() { allerRetour_data(); }
    void parContenu()
    {
        QFETCH(QChar, lettre);
        QFETCH(QChar, type);
        auto f = Exemple(type);
        const QString nom = Preparer(QStringLiteral("contenu"), lettre, type);
        Formats::Enregistrer(*f, nom, lettre, true);
        f.reset();
        const QString sansExtension = m_dossier.filePath(QStringLiteral("contenu-%1%2.dat").arg(lettre).arg(type));
        QFile::remove(sansExtension);
        QVERIFY(QFile::copy(nom, sansExtension));
        const QChar reconnu = Formats::Reconnaitre(sansExtension);
        QVERIFY2(reconnu == lettre || reconnu == u'?', qPrintable(QString(reconnu)));
        QCOMPARE(Formats::Reconnaitre(nom), lettre);
    }

    void cliLettres()
    {
        const QString parametres = m_dossier.filePath(QStringLiteral("cli.ini"));
        const QString source = m_dossier.filePath(QStringLiteral("cli.xaqq"));
        auto f = Exemple(u'Q');
        Formats::Enregistrer(*f, source, u'x', true);
        f.reset();
        for (char c = 'a'; c <= 'z'; ++c) {
            const Formats::TFormat *ligne = Formats::Trouver(QLatin1Char(c));
            const auto r = OutilsTest::LancerCli({QStringLiteral("convert"), source,
                                                  m_dossier.filePath(QStringLiteral("cli-%1.out").arg(c)),
                                                  QStringLiteral("--to"), QString(QLatin1Char(c))},
                                                 parametres);
            // 2: a usage error, the letter is no format the tool writes.
            QCOMPARE(r.code == 2, !ligne || !ligne->Ecrivable());
        }
    }
};

QTEST_GUILESS_MAIN(TestTable)
#include "tst_table.moc"
