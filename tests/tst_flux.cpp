// The document's file stream: locks, safe rewrite, the save contract.
#include "formats/contrat.h"
#include "model/erreurs.h"
#include "model/flux.h"
#include "outilstest.h"

class TestFlux : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;

    QString Fichier(const QString &nom, const QByteArray &contenu)
    {
        const QString chemin = m_dossier.filePath(nom);
        QFile::setPermissions(chemin, QFile::ReadOwner | QFile::WriteOwner);
        OutilsTest::EcrireFichier(chemin, contenu);
        return chemin;
    }

    QStringList Restes() const
    {
        return QDir(m_dossier.path()).entryList(QStringList{QStringLiteral(".*.??????")},
                                                QDir::Files | QDir::Hidden);
    }

private slots:
    void initTestCase() { OutilsTest::IsolerParametres(m_dossier); }
    void cleanup() { TFlux::InjecterEchecEcriture(-1); }

    void verrous()
    {
        const QString nom = Fichier(QStringLiteral("verrou.xaqq"), "abc");
        {
            auto ecriture = TFlux::Ouvrir(nom, true);
            QVERIFY_THROWS_EXCEPTION(ErreurFichier, TFlux::Ouvrir(nom, true));
            QVERIFY_THROWS_EXCEPTION(ErreurFichier, TFlux::Ouvrir(nom, false));
            QCOMPARE(ecriture->LireTout(), QByteArray("abc"));
        }
        {
            auto lecture1 = TFlux::Ouvrir(nom, false);
            auto lecture2 = TFlux::Ouvrir(nom, false);
            QCOMPARE(lecture2->Lire(1, 10), QByteArray("bc"));
            try {
                TFlux::Ouvrir(nom, true);
                QFAIL("a file open read-only elsewhere was opened for writing");
            } catch (const ErreurFichier &e) {
                QVERIFY(e.message().contains(QLatin1String("in use")));
            }
        }
        auto apres = TFlux::Ouvrir(nom, true); // every lock went with its stream
        QVERIFY(apres->Ecriture());
    }

    void ouvertureImpossible()
    {
        try {
            TFlux::Ouvrir(m_dossier.filePath(QStringLiteral("absent")), false);
            QFAIL("no error");
        } catch (const ErreurFichier &e) {
            QVERIFY(e.message().contains(QLatin1String("No such file")));
        }
        QVERIFY_THROWS_EXCEPTION(ErreurFichier, TFlux::Ouvrir(m_dossier.path(), false));
    }

    void lectureSeule()
    {
        const QString nom = Fichier(QStringLiteral("ro.xaqq"), "xyz");
        QVERIFY(!EstLectureSeule(nom));
        DefinirLectureSeule(nom, true);
        QVERIFY(EstLectureSeule(nom));
        QVERIFY_THROWS_EXCEPTION(ErreurFichier, TFlux::Ouvrir(nom, true));
        QVERIFY(TFlux::Ouvrir(nom, false));
        QVERIFY_THROWS_EXCEPTION(ErreurFichier, TFlux::Remplacer(nom, "new", nullptr));
        QCOMPARE(OutilsTest::LireFichier(nom), QByteArray("xyz"));
        DefinirLectureSeule(nom, false);
    }

    void remplacerGardeLeVerrou()
    {
        const QString nom = Fichier(QStringLiteral("garde.xaqq"), "ancien");
        QFile::setPermissions(nom, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        auto ancien = TFlux::Ouvrir(nom, true);
        auto nouveau = TFlux::Remplacer(nom, "nouveau contenu", ancien.get());
        ancien.reset();
        QCOMPARE(OutilsTest::LireFichier(nom), QByteArray("nouveau contenu"));
        QCOMPARE(nouveau->LireTout(), QByteArray("nouveau contenu"));
        QVERIFY_THROWS_EXCEPTION(ErreurFichier, TFlux::Ouvrir(nom, false));
        QCOMPARE(QFile::permissions(nom) & 0x7777,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadUser
                     | QFile::WriteUser);
        QVERIFY(Restes().isEmpty());
    }

    void remplacerRefuseUnFichierTenuAilleurs()
    {
        const QString nom = Fichier(QStringLiteral("tenu.xaqq"), "a moi");
        auto autre = TFlux::Ouvrir(nom, false);
        QVERIFY_THROWS_EXCEPTION(ErreurFichier, TFlux::Remplacer(nom, "ecrase", nullptr));
        QCOMPARE(OutilsTest::LireFichier(nom), QByteArray("a moi"));
    }

    void echecEnCoursDEcriture_data()
    {
        QTest::addColumn<qint64>("apres");
        QTest::newRow("aucun octet") << qint64(0);
        QTest::newRow("dix octets") << qint64(10);
        QTest::newRow("presque tout") << qint64(4095);
    }

    void echecEnCoursDEcriture()
    {
        QFETCH(qint64, apres);
        const QByteArray ancien("le contenu d'avant, octet pour octet\r\n\x00\xFF", 40);
        const QString nom = Fichier(QStringLiteral("echec.xaqq"), ancien);
        TFichierX fichier(u'Q', u'x');
        fichier.Flux = TFlux::Ouvrir(nom, true);
        fichier.NomFichier = nom;
        fichier.AjouterFiche(QStringLiteral("a"), QStringLiteral("b"));
        TFlux::InjecterEchecEcriture(apres);
        try {
            Contrat::TerminerEnregistrement(fichier, nom, false, u'n', QByteArray(4096, 'n'));
            QFAIL("the failed write was reported as a success");
        } catch (const ErreurFichier &e) {
            QVERIFY(e.message().contains(QLatin1String("No space left")));
        }
        QCOMPARE(OutilsTest::LireFichier(nom), ancien);
        QCOMPARE(fichier.FormatFichier, QChar(u'x'));
        QVERIFY(fichier.Modifie);
        QCOMPARE(fichier.NomFichier, nom);
        QCOMPARE(fichier.Flux->LireTout(), ancien);
        QVERIFY(Restes().isEmpty());
        TFlux::InjecterEchecEcriture(-1);
        Contrat::TerminerEnregistrement(fichier, nom, false, u'n', "ok");
        QCOMPARE(OutilsTest::LireFichier(nom), QByteArray("ok"));
        QVERIFY(!fichier.Modifie);
        QCOMPARE(fichier.FormatFichier, QChar(u'n'));
    }

    void dossierDisparu()
    {
        TFichierX fichier(u'N', u'x');
        fichier.Modifie = true;
        const QString nom = m_dossier.filePath(QStringLiteral("parti/x.xaqn"));
        try {
            Contrat::TerminerEnregistrement(fichier, nom, true, u'x', "x");
            QFAIL("no error");
        } catch (const ErreurFichier &e) {
            QVERIFY(e.message().contains(QLatin1String("No such file or directory")));
        }
        QVERIFY(fichier.NomFichier.isEmpty());
        QVERIFY(!fichier.Flux);
        QVERIFY(fichier.Modifie);
    }

    void nouveauFichierEtExport()
    {
        TFichierX fichier(u'N', u'x');
        const QString nom = m_dossier.filePath(QStringLiteral("neuf.xaqn"));
        Contrat::TerminerEnregistrement(fichier, nom, true, u'x', "neuf");
        QVERIFY(fichier.Flux);
        QVERIFY(fichier.Modifiable);
        QCOMPARE(fichier.NomFichier, nom);
        QVERIFY_THROWS_EXCEPTION(ErreurFichier, TFlux::Ouvrir(nom, true));

        fichier.Modifie = true;
        const QString texte = m_dossier.filePath(QStringLiteral("export.txt"));
        Contrat::EcrireExport(fichier, texte, "export");
        QCOMPARE(OutilsTest::LireFichier(texte), QByteArray("export"));
        QVERIFY(TFlux::Ouvrir(texte, true)); // an export is not kept open
        QCOMPARE(fichier.NomFichier, nom);
        QCOMPARE(fichier.FormatFichier, QChar(u'x'));
        QVERIFY(fichier.Modifie);
    }

    void chargement()
    {
        const QString nom = Fichier(QStringLiteral("charge.xaqq"), "x");
        TFichierX fichier(u'Q', u'x');
        fichier.Modifie = true;
        Contrat::TerminerChargement(fichier, nom, TFlux::Ouvrir(nom, false), false);
        QCOMPARE(fichier.NomFichier, nom);
        QVERIFY(!fichier.Modifiable);
        QVERIFY(!fichier.Modifie);
        QVERIFY(fichier.Flux && !fichier.Flux->Ecriture());
    }
};

QTEST_GUILESS_MAIN(TestFlux)
#include "tst_flux.moc"
