// The table of formats: every row's extension leads back to it, every format
// that is read and written opens again as itself with its cards, and the
// command-line tool takes exactly the letters the table writes.
#include "outilstest.h"

#include "formats/formats.h"
#include "formats/pertes.h"
#include "formats/table.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/options.h"
#include "model/outils.h"
#include "model/progression.h"

#include <QtTest>
#include <functional>

// Every format that reads and writes, with each type it holds (the first
// alone when premier).
static void FormatsEtTypes(const std::function<void(const Formats::TFormat &, QChar)> &ajouter, bool premier = false)
{
    for (const Formats::TFormat *f : Formats::Table()) {
        if (!f->Lisible() || !f->Ecrivable())
            continue;
        for (QChar type : QStringLiteral("LMQR")) {
            TFichierX essai(type, u'x');
            if (!f->Accepte(essai))
                continue;
            ajouter(*f, type);
            if (premier)
                break;
        }
    }
}

class TestTable : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dossier;
    TOptions m_options;
    int m_numero = 0;

    static std::unique_ptr<TFichierX> Exemple(QChar type)
    {
        auto f = std::make_unique<TFichierX>(type, u'x');
        f->InitialiserNouveau(TOptions());
        const QString sep = f->Fragmenteur.isEmpty() ? TOptions().separateurQcm : f->Fragmenteur;
        f->AjouterFiche(QStringLiteral("Un"), QStringLiteral("Capitale ?"), "(*) Paris" + sep + "Lyon");
        f->AjouterFiche(QStringLiteral("Deux"), QStringLiteral("Fleuve ?"), "(*) Seine" + sep + "Loire");
        f->Modifie = false;
        return f;
    }

    // The name of a file of type in format lettre; CSV files read as that type.
    QString Preparer(const QString &prefixe, QChar lettre, QChar type)
    {
        m_options.typesCsv = QString(type);
        return m_dossier.filePath(prefixe + lettre + type + u'.'
                                  + ExtensionDepuisMotif(QString::fromLatin1(Formats::Trouver(lettre)->Motif()), type));
    }

private slots:
    void initTestCase()
    {
        OutilsTest::IsolerParametres(m_dossier);
        m_options.separateurCsv = QStringLiteral(",");
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
        FormatsEtTypes([](const Formats::TFormat &f, QChar type) {
            QTest::addRow("%s %c", f.Nom(), char(type.unicode())) << f.Lettre() << type;
        });
    }
    void allerRetour()
    {
        QFETCH(QChar, lettre);
        QFETCH(QChar, type);
        auto f = Exemple(type);
        const QString nom = Preparer(QStringLiteral("a"), lettre, type);
        Formats::Enregistrer(*f, nom, lettre, true, m_options);
        f.reset(); // releases the file
        QCOMPARE(Formats::Reconnaitre(nom, m_options), lettre);
        auto relu = Formats::Ouvrir(nom, false, true, type, m_options);
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
        f->InitialiserNouveau(m_options);
        const QString sep = f->Fragmenteur.isEmpty() ? m_options.separateurQcm : f->Fragmenteur;
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
        const Formats::Rapport rapport = Formats::PertesEnregistrement(*f, lettre, m_options);
        const Formats::Perte *perte = rapport.De(Formats::Perte::Caracteres);
        const QString nom = Preparer(QStringLiteral("pertes"), lettre, type);
        Formats::Enregistrer(*f, nom, lettre, true, m_options);
        f.reset();
        const auto relu = Formats::Ouvrir(nom, false, true, type, m_options);
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
            QVERIFY_THROWS_EXCEPTION(ErreurAnnulation, Formats::Enregistrer(*f, nom, lettre, true, m_options));
        }
        QCOMPARE(rapports, 1);
        QVERIFY(!QFileInfo::exists(nom));
        QVERIFY(f->NomFichier.isEmpty()); // the card file did not take the name
        Formats::Enregistrer(*f, nom, lettre, true, m_options);
        f.reset();
        {
            const TProgression progression(annuler);
            QVERIFY_THROWS_EXCEPTION(ErreurAnnulation, Formats::Ouvrir(nom, true, true, type, m_options));
        }
        QCOMPARE(rapports, 2);
        QCOMPARE(Formats::Ouvrir(nom, true, true, type, m_options)->NombreFiches(), 2);
    }

    // The options given to the dispatcher reach the writer and the reader:
    // a file written with an option shows it, and reads back with the same
    // options as the cards it was written from.
    void optionsTransmises_data()
    {
        QTest::addColumn<QChar>("lettre");
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QString>("reglage");
        QTest::addColumn<QByteArray>("attendu");
        QTest::newRow("CSV separator") << QChar(u's') << QChar(u'L') << "separateurCsv" << QByteArray("\tLyon");
        QTest::newRow("CSV escaped space")
            << QChar(u's') << QChar(u'N') << "separateurCsvEspace" << QByteArray("Capitale \"(*)");
        QTest::newRow("CSV UTF-8") << QChar(u's') << QChar(u'L') << "utf8Csv" << QByteArray("\xC5\x8B");
        QTest::newRow("XML CR LF") << QChar(u'x') << QChar(u'Q') << "crlfXml" << QByteArray("</TITRE>\r\n");
        QTest::newRow("XML code page") << QChar(u'x') << QChar(u'L') << "pageXml" << QByteArray("&#331;");
        QTest::newRow("Moodle format") << QChar(u'm') << QChar(u'M') << "formatMoodle"
                                       << QByteArray("<questiontext format=\"html\">");
        QTest::newRow("Moodle MCQ separator")
            << QChar(u'm') << QChar(u'M') << "separateurQcm" << QByteArray("<answer fraction=\"0\"");
        QTest::newRow("GIFT MCQ separator") << QChar(u'g') << QChar(u'M') << "separateurQcm" << QByteArray("~Lyon");
    }
    void optionsTransmises()
    {
        QFETCH(QChar, lettre);
        QFETCH(QChar, type);
        QFETCH(QString, reglage);
        QFETCH(QByteArray, attendu);
        TOptions options;
        options.typesCsv = QString(type);
        if (reglage == QLatin1String("separateurCsv"))
            options.separateurCsv = QStringLiteral("\\t");
        else if (reglage == QLatin1String("separateurCsvEspace"))
            options.separateurCsv = QStringLiteral("\\s");
        else if (reglage == QLatin1String("utf8Csv"))
            options.utf8Csv = true;
        else if (reglage == QLatin1String("crlfXml"))
            options.lfSeul = false;
        else if (reglage == QLatin1String("pageXml"))
            options.utf8Xml = false;
        else if (reglage == QLatin1String("formatMoodle"))
            options.formatMoodle = QStringLiteral("html");
        else if (reglage == QLatin1String("separateurQcm"))
            options.separateurQcm = QStringLiteral("@@");
        auto f = std::make_unique<TFichierX>(type, u'x', options);
        f->InitialiserNouveau(options);
        const QString eng(QChar(0x014B)); // in no code page
        const QString fragmenteur = f->Fragmenteur;
        const QString sep = f->Espacement + fragmenteur + f->Espacement;
        f->AjouterFiche(QStringLiteral("Un"), QStringLiteral("Capitale"), "(*) Paris " + eng + sep + "Lyon");
        f->AjouterFiche(QStringLiteral("Deux"), QStringLiteral("Fleuve"), "(*) Seine" + sep + "Loire");
        const std::vector<TFicheX> avant = f->Fiches;
        const QString nom = Preparer(QStringLiteral("options") + QString::number(++m_numero), lettre, type);
        Formats::Enregistrer(*f, nom, lettre, true, options);
        f.reset();
        const QByteArray octets = OutilsTest::LireFichier(nom);
        QVERIFY2(octets.contains(attendu), octets.constData());
        QCOMPARE(Formats::Reconnaitre(nom, options), lettre);
        const auto relu = Formats::Ouvrir(nom, false, true, type, options);
        QCOMPARE(relu->Fragmenteur, fragmenteur);
        QCOMPARE(relu->NombreFiches(), int(avant.size()));
        // Written in a code page, the character comes back as '?'.
        const bool garde = octets.contains("\xC5\x8B") || octets.contains("&#331;");
        for (int i = 0; i < relu->NombreFiches(); ++i)
            QCOMPARE(relu->Fiche(i).Champ2(),
                     garde ? avant[size_t(i)].Champ2() : avant[size_t(i)].Champ2().replace(eng, QStringLiteral("?")));
    }

    // A file cut short or holding garbage where its body was: the reader
    // refuses it with a message of its own (or, for formats whose every
    // prefix is a file, reads what is there); it never writes the file.
    void endommage_data()
    {
        QTest::addColumn<QChar>("lettre");
        QTest::addColumn<QChar>("type");
        QTest::addColumn<int>("degat");
        FormatsEtTypes(
            [](const Formats::TFormat &f, QChar type) {
                const char *noms[] = {"coupe", "bruit", "vide"};
                for (int degat = 0; degat < 3; ++degat)
                    QTest::addRow("%s %c %s", f.Nom(), char(type.unicode()), noms[degat])
                        << f.Lettre() << type << degat;
            },
            true);
    }
    void endommage()
    {
        QFETCH(QChar, lettre);
        QFETCH(QChar, type);
        QFETCH(int, degat);
        auto f = Exemple(type);
        const QString nom = Preparer(QStringLiteral("degat%1").arg(degat), lettre, type);
        Formats::Enregistrer(*f, nom, lettre, true, m_options);
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
            const auto relu = Formats::Ouvrir(nom, true, true, type, m_options, nullptr, lettre);
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
        Formats::Enregistrer(*f, nom, lettre, true, m_options);
        f.reset();
        const QString sansExtension = m_dossier.filePath(QStringLiteral("contenu-%1%2.dat").arg(lettre).arg(type));
        QFile::remove(sansExtension);
        QVERIFY(QFile::copy(nom, sansExtension));
        const QChar reconnu = Formats::Reconnaitre(sansExtension, m_options);
        QVERIFY2(reconnu == lettre || reconnu == u'?', qPrintable(QString(reconnu)));
        QCOMPARE(Formats::Reconnaitre(nom, m_options), lettre);
    }

    void cliLettres()
    {
        const QString parametres = m_dossier.filePath(QStringLiteral("cli.ini"));
        const QString source = m_dossier.filePath(QStringLiteral("cli.xaqq"));
        auto f = Exemple(u'Q');
        Formats::Enregistrer(*f, source, u'x', true, m_options);
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
