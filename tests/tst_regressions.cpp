// Replays the fuzz regression inputs and every seed file through every reader
// of the ordinary build: each must give a card file or a clean refusal (an
// Erreur), and a card file that was read must survive its own writer.
#include "outilstest.h"

#include "formats/fiches/crd.h"
#include "formats/formats.h"
#include "formats/texte/csv.h"
#include "formats/quiz/gift.h"
#include "formats/quiz/moodle.h"
#include "formats/fiches/natif.h"
#include "formats/fiches/xml.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/outils.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>
#include <exception>
#include <functional>
#include <memory>

namespace {

const QString DossierFuzz = QStringLiteral(AMBLOPAD_TEST_DATA "/../../fuzz");

// Every file below the folders that feed the fuzzers.
QStringList Entrees()
{
    QStringList fichiers;
    const QStringList dossiers = {DossierFuzz + QStringLiteral("/regressions"),
                                  DossierFuzz + QStringLiteral("/graines"), QStringLiteral(AMBLOPAD_TEST_DATA)};
    for (const QString &dossier : dossiers) {
        QDirIterator it(dossier, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            fichiers << it.next();
    }
    fichiers.sort();
    return fichiers;
}

// Outcome of one read: empty when it gave a card file or an Erreur,
// else what went wrong.
QString Essayer(const std::function<void()> &lecture)
{
    try {
        lecture();
    } catch (const Erreur &) {
        return QString();
    } catch (const std::exception &e) {
        return QStringLiteral("unexpected exception: ") + QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("unexpected exception of unknown type");
    }
    return QString();
}

// A writer may refuse a card file (too long a field...) but what it writes
// must read back with the same cards.
template <typename Ecrire, typename Relire>
void AllerRetour(const TFichierX &f, Ecrire ecrire, Relire relire)
{
    QByteArray octets;
    try {
        octets = ecrire(f);
    } catch (const Erreur &) {
        return;
    }
    std::unique_ptr<TFichierX> relu;
    try {
        relu = relire(octets);
    } catch (const Erreur &e) {
        QFAIL(qPrintable(QStringLiteral("its own output refused: ") + e.message()));
    }
    QCOMPARE(relu->NombreFiches(), f.NombreFiches());
}

} // namespace

class TestRegressions : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;

private slots:
    void initTestCase()
    {
        OutilsTest::IsolerParametres(m_dossier);
        QVERIFY(QFileInfo(DossierFuzz + QStringLiteral("/regressions")).isDir());
    }

    void cleanup() { ParametresParDefaut(); }

    void lecteurs_data()
    {
        QTest::addColumn<QByteArray>("octets");
        const QStringList fichiers = Entrees();
        QVERIFY(fichiers.size() >= 10);
        for (const QString &fichier : fichiers) {
            const QByteArray octets = OutilsTest::LireFichier(fichier);
            QTest::newRow(qPrintable(QDir(DossierFuzz + QStringLiteral("/..")).relativeFilePath(fichier))) << octets;
        }
    }

    void lecteurs()
    {
        QFETCH(QByteArray, octets);
        QString echec;

        for (const bool complet : {true, false}) {
            echec = Essayer([&] {
                auto f = TFichierNatif::LireNatif(octets, complet);
                if (complet)
                    AllerRetour(*f, TFichierNatif::EcrireNatif,
                                [](const QByteArray &o) { return TFichierNatif::LireNatif(o, true); });
            });
            QVERIFY2(echec.isEmpty(), qPrintable(QStringLiteral("native: ") + echec));

            echec = Essayer([&] {
                auto f = TFichierXML::LireXml(octets, complet);
                TFichierXML::EcrireXml(*f);
            });
            QVERIFY2(echec.isEmpty(), qPrintable(QStringLiteral("XML: ") + echec));
        }

        echec = Essayer([&] {
            bool avecImages = false;
            auto f = TFichierCrd::LireCardfile(octets, avecImages);
            AllerRetour(*f, TFichierCrd::EcrireCardfile,
                        [](const QByteArray &o) { return TFichierCrd::LireCardfile(o); });
        });
        QVERIFY2(echec.isEmpty(), qPrintable(QStringLiteral("Cardfile: ") + echec));

        echec = Essayer([&] {
            auto f = TFichierMoodle::LireMoodle(octets);
            TFichierMoodle::EcrireMoodle(*f);
        });
        QVERIFY2(echec.isEmpty(), qPrintable(QStringLiteral("Moodle: ") + echec));

        echec = Essayer([&] {
            int n = 0;
            auto f = TFichierGift::LireGift(octets, n);
            AllerRetour(
                *f,
                [](const TFichierX &g) {
                    int a = 0;
                    return TFichierGift::EcrireGift(g, a);
                },
                [](const QByteArray &o) {
                    int perdus = 0;
                    return TFichierGift::LireGift(o, perdus);
                });
        });
        QVERIFY2(echec.isEmpty(), qPrintable(QStringLiteral("GIFT: ") + echec));

        echec = Essayer([&] {
            auto f = TFichierAiken::LireAiken(octets);
            int n = 0;
            TFichierAiken::LireAiken(TFichierAiken::EcrireAiken(*f, n));
        });
        QVERIFY2(echec.isEmpty(), qPrintable(QStringLiteral("Aiken: ") + echec));

        // CSV with each separator, in the code page and in UTF-8.
        for (const char *separateur : {",", ";", "\\t", "\\s"}) {
            for (const bool utf8 : {false, true}) {
                TOptions options;
                options.separateurCsv = QString::fromLatin1(separateur);
                options.utf8Csv = utf8;
                for (const QChar type : {u'L', u'Q', u'N'}) {
                    echec = Essayer([&] {
                        auto f = TFichierCSV::LireCSV(octets, type, options);
                        TFichierCSV::EcrireCSV(*f, u's', options);
                        TFichierCSV::EcrireCSV(*f, u't', options);
                    });
                    QVERIFY2(echec.isEmpty(),
                             qPrintable(QStringLiteral("CSV %1: ").arg(QLatin1String(separateur)) + echec));
                }
            }
        }

        for (const char *nom : {"a.csv", "a.xaqq", "a.aqq", "a.crd", "a.xml", "a"}) {
            QChar lettre;
            echec = Essayer([&] { lettre = ReconnaitreFormatTete(octets, QLatin1String(nom), TOptions()); });
            QVERIFY2(echec.isEmpty(), qPrintable(QStringLiteral("recognition: ") + echec));
            QVERIFY(QStringLiteral("nxcsm?").contains(lettre));
        }
    }
};

QTEST_GUILESS_MAIN(TestRegressions)
#include "tst_regressions.moc"
