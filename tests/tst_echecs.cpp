// Saves that fail part-way: a device that fails after N bytes, a folder that
// disappears, a name that cannot be created. The previous file must stay
// byte for byte, the document keep its name, format and unsaved changes, and
// the system's message reach the caller.
#include "outilstest.h"
#include "support/octetscrd.h"
#include "support/octetsnatif.h"

#include "formats/fiches/crd.h"
#include "formats/texte/csv.h"
#include "formats/formats.h"
#include "formats/quiz/moodle.h"
#include "formats/fiches/natif.h"
#include "formats/fiches/xml.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

const QByteArray AncienContenu("previous contents, not to be lost\r\n");

std::unique_ptr<TFichierX> Exemple(QChar type)
{
    auto f = std::make_unique<TFichierX>(type, u'x');
    f->InitialiserNouveau(TOptions());
    f->SetTitre(QStringLiteral("Essai"));
    f->AjouterFiche(QStringLiteral("Un"), QStringLiteral("Capitale ?"), QStringLiteral("Paris===Lyon"));
    f->AjouterFiche(QStringLiteral("Deux"), QStringLiteral("a;b,c"), QStringLiteral("x\r\ny"));
    f->Modifie = false;
    return f;
}

QString Extension(QChar format, QChar type)
{
    switch (format.unicode()) {
    case 'n':
        return QStringLiteral(".aq") + type.toLower();
    case 'x':
        return QStringLiteral(".xaq") + type.toLower();
    case 'c':
        return QStringLiteral(".crd");
    case 's':
        return QStringLiteral(".csv");
    case 't':
        return QStringLiteral(".txt");
    default:
        return QStringLiteral(".xml");
    }
}

// What the writer of format makes of f.
QByteArray Contenu(const TFichierX &f, QChar format, const TOptions &options = TOptions())
{
    switch (format.unicode()) {
    case 'n':
        return TFichierNatif::EcrireNatif(f);
    case 'x':
        return TFichierXML::EcrireXml(f, options);
    case 'c':
        return TFichierCrd::EcrireCardfile(f);
    case 's':
    case 't':
        return TFichierCSV::EcrireCSV(f, format, options);
    default:
        return TFichierMoodle::EcrireMoodle(f, options);
    }
}

QString Systeme(int erreur)
{
    return QString::fromLocal8Bit(std::strerror(erreur));
}

QString Natif(const QString &nom)
{
    return QDir::toNativeSeparators(nom);
}

enum class Echec { Octets, DossierDisparu, NomTropLong, CibleDossier, CheminParFichier, LectureSeule };

} // namespace

Q_DECLARE_METATYPE(Echec)

class TestEchecs : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_racine;
    int m_numero = 0;

    QString NouveauDossier()
    {
        const QString dossier = m_racine.filePath(QStringLiteral("cas%1").arg(++m_numero));
        QDir().mkpath(dossier);
        return dossier;
    }

private slots:
    void initTestCase() { OutilsTest::IsolerParametres(m_racine); }

    void cleanup()
    {
        TFlux::InjecterEchecEcriture(-1);
        TFlux::InjecterTailleMaximale(-1);
        ParametresParDefaut();
    }

    void echec_data()
    {
        QTest::addColumn<QChar>("format");
        QTest::addColumn<QChar>("type");
        QTest::addColumn<Echec>("echec");
        QTest::addColumn<double>("part");  // where the device fails, as a share of the contents
        QTest::addColumn<bool>("enPlace"); // the document's own file, or save as another name

        struct Ecrivain
        {
            char format;
            char type;
            const char *nom;
        };
        const Ecrivain ecrivains[] = {{'n', 'Q', "native"},       {'x', 'Q', "XML"},         {'c', 'N', "Cardfile"},
                                      {'s', 'L', "CSV"},          {'t', 'L', "text export"}, {'m', 'M', "Moodle"},
                                      {'m', 'Q', "Moodle export"}};
        for (const Ecrivain &e : ecrivains) {
            const QChar format = QLatin1Char(e.format), type = QLatin1Char(e.type);
            for (const bool enPlace : {true, false}) {
                const char *ou = enPlace ? "in place" : "save as";
                for (const double part : {0.0, 0.001, 0.5, 0.999})
                    QTest::addRow("%s, %s, fails after %g of the bytes", e.nom, ou, part)
                        << format << type << Echec::Octets << part << enPlace;
                QTest::addRow("%s, %s, folder gone", e.nom, ou)
                    << format << type << Echec::DossierDisparu << 0.0 << enPlace;
            }
            QTest::addRow("%s, name too long", e.nom) << format << type << Echec::NomTropLong << 0.0 << false;
            QTest::addRow("%s, a folder in the way", e.nom) << format << type << Echec::CibleDossier << 0.0 << false;
            QTest::addRow("%s, path through a file", e.nom)
                << format << type << Echec::CheminParFichier << 0.0 << false;
            QTest::addRow("%s, read-only target", e.nom) << format << type << Echec::LectureSeule << 0.0 << false;
        }
    }

    void echec()
    {
        QFETCH(QChar, format);
        QFETCH(QChar, type);
        QFETCH(Echec, echec);
        QFETCH(double, part);
        QFETCH(bool, enPlace);

        auto f = Exemple(type);
        QByteArray attendu;
        try {
            attendu = Contenu(*f, format);
        } catch (const ErreurFormatAbsent &e) {
            QSKIP(qPrintable(e.message()));
        }
        const bool exporte = Formats::EstExport(*f, format);
        // An export is written beside a document kept in the native format.
        const QChar formatDocument = exporte ? QChar(u'n') : format;

        // The document lives in its own folder when that folder is to vanish.
        QString dossier = NouveauDossier();
        if (echec == Echec::DossierDisparu && enPlace) {
            dossier += QStringLiteral("/sous");
            QDir().mkpath(dossier);
        }
        const QString document = dossier + QStringLiteral("/doc") + Extension(formatDocument, type);
        Formats::Enregistrer(*f, document, formatDocument, true, TOptions());
        QCOMPARE(f->NomFichier, document);
        const QByteArray ancienDocument = OutilsTest::LireFichier(document);

        // The target and what stood there before.
        QString cible = document;
        if (exporte || !enPlace)
            cible = dossier + QStringLiteral("/autre") + Extension(format, type);
        int erreur = ENOSPC;
        QString message;
        switch (echec) {
        case Echec::Octets:
            if (cible != document)
                QVERIFY(OutilsTest::EcrireFichier(cible, AncienContenu));
            TFlux::InjecterEchecEcriture(qint64(part * attendu.size()));
            break;
        case Echec::DossierDisparu:
            if (enPlace) {
                QVERIFY(QDir(dossier).removeRecursively());
            } else {
                QDir().mkpath(dossier + QStringLiteral("/parti"));
                QVERIFY(QDir().rmdir(dossier + QStringLiteral("/parti")));
                cible = dossier + QStringLiteral("/parti/autre") + Extension(format, type);
            }
            erreur = ENOENT;
            break;
        case Echec::NomTropLong:
            cible = dossier + QLatin1Char('/') + QString(300, u'n') + Extension(format, type);
            erreur = ENAMETOOLONG;
            break;
        case Echec::CibleDossier:
            QDir().mkpath(cible);
            erreur = EISDIR;
            break;
        case Echec::CheminParFichier:
            QVERIFY(OutilsTest::EcrireFichier(dossier + QStringLiteral("/fichier"), AncienContenu));
            cible = dossier + QStringLiteral("/fichier/autre") + Extension(format, type);
            erreur = ENOTDIR;
            break;
        case Echec::LectureSeule:
            QVERIFY(OutilsTest::EcrireFichier(cible, AncienContenu));
            DefinirLectureSeule(cible, true);
            erreur = EACCES;
            break;
        }
        const QByteArray ancienneCible = OutilsTest::LireFichier(cible);
        const QStringList avant = QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

        // The user's unsaved change.
        f->AjouterFiche(QStringLiteral("Trois"), QStringLiteral("Nouvelle"), QStringLiteral("fiche"));
        attendu = Contenu(*f, format);
        QVERIFY(f->Modifie);

        const bool nouveau = cible != document || exporte;
        try {
            Formats::Enregistrer(*f, cible, format, nouveau, TOptions());
            QFAIL("the save did not report its failure");
        } catch (const ErreurFichier &e) {
            message = e.message();
        }
        TFlux::InjecterEchecEcriture(-1);

        // The system's words, about the file that was to be written.
        QVERIFY2(message.contains(Systeme(erreur)), qPrintable(message));
        QVERIFY2(message.contains(Natif(cible).left(100)), qPrintable(message));

        // Nothing on disk changed, nothing was left behind.
        if (!(echec == Echec::DossierDisparu && enPlace)) {
            QCOMPARE(OutilsTest::LireFichier(document), ancienDocument);
            QCOMPARE(OutilsTest::LireFichier(cible), ancienneCible);
            QCOMPARE(QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), avant);
        }

        // The document is as it was, and can still be saved.
        QCOMPARE(f->NomFichier, document);
        QCOMPARE(f->FormatFichier, formatDocument);
        QVERIFY(f->Modifie);
        QVERIFY(f->Modifiable);
        QCOMPARE(f->NombreFiches(), 3);
        if (echec == Echec::Octets) {
            Formats::Enregistrer(*f, cible, format, nouveau, TOptions());
            QCOMPARE(OutilsTest::LireFichier(cible), attendu);
            QCOMPARE(f->Modifie, exporte);
        }
    }

    // A file as found on disk in each format, opened, changed, then saved onto
    // itself (or as a new file under the same name) by a device that fails
    // part-way: the file keeps its bytes, the document its name, format and
    // changes, and the same save goes through once the device behaves.
    void fichierOuvert_data()
    {
        QTest::addColumn<QChar>("format");
        QTest::addColumn<QChar>("typeCsv");
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<QString>("nom");
        QTest::addColumn<int>("ajouts");   // cards added before the save
        QTest::addColumn<qint64>("apres"); // bytes written before the device fails
        QTest::addColumn<bool>("nouveau");

        QTest::newRow("Cardfile") << QChar(u'c') << QChar(u'L') << OctetsCrd::DeuxCartes()
                                  << QStringLiteral("echec.crd") << 1 << qint64(20) << false;
        const QByteArray csv("a;b;c\r\nd;e\r\n");
        QTest::newRow("CSV, in place") << QChar(u's') << QChar(u'L') << csv << QStringLiteral("echec.csv") << 200
                                       << qint64(10) << false;
        QTest::newRow("CSV, as new") << QChar(u's') << QChar(u'L') << csv << QStringLiteral("echec.csv") << 200
                                     << qint64(10) << true;
        QTest::newRow("native") << QChar(u'n') << QChar(u'L') << OctetsNatif::FichierDesordre()
                                << QStringLiteral("echec.aqn") << 1 << qint64(100) << false;
        QTest::newRow("Moodle") << QChar(u'm') << QChar(u'L')
                                << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n"
                                              "<question type=\"essay\"><name><text>old</text></name></question>"
                                              "\n</quiz>\n")
                                << QStringLiteral("intact.xml") << 1 << qint64(20) << false;
        TFichierX xml(u'Q', u'n');
        xml.AjouterFiche(QStringLiteral("n"), QStringLiteral("q"), QStringLiteral("r"));
        QTest::newRow("XML") << QChar(u'x') << QChar(u'L') << TFichierXML::EcrireXml(xml) << QStringLiteral("e.xaqq")
                             << 1 << qint64(10) << false;
    }

    void fichierOuvert()
    {
        QFETCH(QChar, format);
        QFETCH(QChar, typeCsv);
        QFETCH(QByteArray, contenu);
        QFETCH(QString, nom);
        QFETCH(int, ajouts);
        QFETCH(qint64, apres);
        QFETCH(bool, nouveau);
        // The CSV file above is written with ';'.
        TOptions options;
        options.separateurCsv = QStringLiteral(";");
        const QString dossier = NouveauDossier();
        const QString chemin = dossier + u'/' + nom;
        QVERIFY(OutilsTest::EcrireFichier(chemin, contenu));
        auto f = Formats::Ouvrir(chemin, true, true, typeCsv, options);
        QCOMPARE(f->FormatFichier, format);
        const int avant = f->NombreFiches();
        for (int i = 0; i < ajouts; ++i)
            f->AjouterFiche(QString(), QStringLiteral("ligne %1").arg(i), QStringLiteral("ligne %1\r\nsuite").arg(i));

        TFlux::InjecterEchecEcriture(apres);
        QVERIFY_THROWS_EXCEPTION(ErreurFichier, Formats::Enregistrer(*f, chemin, format, nouveau, options));
        TFlux::InjecterEchecEcriture(-1);
        QCOMPARE(OutilsTest::LireFichier(chemin), contenu);
        QVERIFY(f->Modifie);
        QCOMPARE(f->NomFichier, chemin);
        QCOMPARE(f->FormatFichier, format);
        QCOMPARE(f->NombreFiches(), avant + ajouts);
        QCOMPARE(QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{nom});

        // The document still owns its file and can be saved once the device recovers.
        Formats::Enregistrer(*f, chemin, format, false, options);
        QVERIFY(!f->Modifie);
        QCOMPARE(OutilsTest::LireFichier(chemin), Contenu(*f, format, options));
        f.reset();
        const auto relu = Formats::Ouvrir(chemin, true, true, typeCsv, options);
        QCOMPARE(relu->NombreFiches(), avant + ajouts);
        QVERIFY(relu->Modifiable);
    }

    // A new document that was never saved: a failed first save leaves it nameless.
    void premierEnregistrement_data()
    {
        QTest::addColumn<QChar>("format");
        QTest::addColumn<QChar>("type");
        QTest::newRow("native") << QChar(u'n') << QChar(u'Q');
        QTest::newRow("XML") << QChar(u'x') << QChar(u'Q');
        QTest::newRow("Cardfile") << QChar(u'c') << QChar(u'N');
        QTest::newRow("CSV") << QChar(u's') << QChar(u'L');
        QTest::newRow("Moodle") << QChar(u'm') << QChar(u'M');
    }

    void premierEnregistrement()
    {
        QFETCH(QChar, format);
        QFETCH(QChar, type);
        auto f = Exemple(type);
        try {
            Contenu(*f, format);
        } catch (const ErreurFormatAbsent &e) {
            QSKIP(qPrintable(e.message()));
        }
        f->Modifie = true;
        const QString dossier = NouveauDossier();
        const QString nom = dossier + QStringLiteral("/nouveau") + Extension(format, type);
        TFlux::InjecterEchecEcriture(10);
        QVERIFY_THROWS_EXCEPTION(ErreurFichier, Formats::Enregistrer(*f, nom, format, true, TOptions()));
        TFlux::InjecterEchecEcriture(-1);
        QVERIFY(f->NomFichier.isEmpty());
        QVERIFY(!f->Flux);
        QVERIFY(f->Modifie);
        QCOMPARE(f->FormatFichier, QChar(u'x'));
        QVERIFY(QDir(dossier).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }

    // A file larger than the largest one that can be opened is not written:
    // saved, it could not be read back. At the limit it is written.
    void tropGrand_data() { premierEnregistrement_data(); }

    void tropGrand()
    {
        QFETCH(QChar, format);
        QFETCH(QChar, type);
        auto f = Exemple(type);
        try {
            Contenu(*f, format);
        } catch (const ErreurFormatAbsent &e) {
            QSKIP(qPrintable(e.message()));
        }
        const QString dossier = NouveauDossier();
        const QString document = dossier + QStringLiteral("/doc") + Extension(format, type);
        Formats::Enregistrer(*f, document, format, true, TOptions());
        const QByteArray ancien = OutilsTest::LireFichier(document);
        f->AjouterFiche(QStringLiteral("Trois"), QStringLiteral("Nouvelle"), QStringLiteral("fiche"));
        const QByteArray attendu = Contenu(*f, format);

        TFlux::InjecterTailleMaximale(attendu.size() - 1);
        for (const bool nouveau : {false, true}) {
            const QString cible = nouveau ? dossier + QStringLiteral("/autre") + Extension(format, type) : document;
            try {
                Formats::Enregistrer(*f, cible, format, nouveau, TOptions());
                QFAIL("a file too large to open again was saved");
            } catch (const ErreurIdInvalide &e) {
                QVERIFY2(e.message().contains(Natif(cible)), qPrintable(e.message()));
            }
        }
        QCOMPARE(OutilsTest::LireFichier(document), ancien);
        QCOMPARE(QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QFileInfo(document).fileName()});
        QCOMPARE(f->NomFichier, document);
        QVERIFY(f->Modifie);

        TFlux::InjecterTailleMaximale(attendu.size());
        Formats::Enregistrer(*f, document, format, false, TOptions());
        QCOMPARE(OutilsTest::LireFichier(document), attendu);
        QVERIFY(!f->Modifie);
    }

    // The command-line tool passes the message on and fails.
    void ligneDeCommande()
    {
        const QString dossier = NouveauDossier();
        const QString source = dossier + QStringLiteral("/source.aqq");
        auto f = Exemple(u'Q');
        Formats::Enregistrer(*f, source, u'n', true, TOptions());
        f.reset();
        const QString cible = dossier + QStringLiteral("/parti/cible.aqq");
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("AMBLOPAD_SETTINGS"), dossier + QStringLiteral("/cli.ini"));
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(AMBLOPAD_CLI), {QStringLiteral("convert"), source, cible});
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), 1);
        const QString erreur = QString::fromLocal8Bit(cli.readAllStandardError());
        QVERIFY2(erreur.contains(Systeme(ENOENT)) && erreur.contains(Natif(cible)), qPrintable(erreur));
        QVERIFY(!QFileInfo::exists(cible));
    }
};

QTEST_GUILESS_MAIN(TestEchecs)
#include "tst_echecs.moc"
