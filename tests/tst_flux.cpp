// The document's file stream: locks, safe rewrite, the save contract.
#include "formats/contrat.h"
#include "model/erreurs.h"
#include "model/flux.h"
#include "outilstest.h"

#include <QProcess>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

    static struct stat Etat(const QString &nom)
    {
        struct stat etat
        {
        };
        ::lstat(QFile::encodeName(nom).constData(), &etat);
        return etat;
    }

    // Descriptors of this process open on files of the test folder.
    QList<int> DescripteursDuDossier() const
    {
        QList<int> liste;
        const QDir fd(QStringLiteral("/proc/self/fd"));
        for (const QString &n : fd.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            const QString cible = QFile::symLinkTarget(fd.filePath(n));
            if (cible.startsWith(QDir(m_dossier.path()).canonicalPath() + u'/'))
                liste << n.toInt();
        }
        return liste;
    }

    QStringList Restes() const
    {
        return QDir(m_dossier.path())
            .entryList(QStringList{QStringLiteral(".*.??????"), QStringLiteral(".*.??????~")},
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
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadUser | QFile::WriteUser);
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

    // Saving through a link writes the file it points to, existing or not.
    void lienPendant()
    {
        const QString lien = m_dossier.filePath(QStringLiteral("lien.xaqq"));
        const QString cible = m_dossier.filePath(QStringLiteral("pas-encore.xaqq"));
        QVERIFY(QFile::link(cible, lien));
        TFlux::Remplacer(lien, "nouveau", nullptr);
        QVERIFY(QFileInfo(lien).isSymLink());
        QCOMPARE(OutilsTest::LireFichier(cible), QByteArray("nouveau"));
        TFlux::Remplacer(lien, "encore", nullptr);
        QVERIFY(QFileInfo(lien).isSymLink());
        QCOMPARE(OutilsTest::LireFichier(cible), QByteArray("encore"));
    }

    // A file with other hard links, or another owner, is rewritten in place:
    // every name sees the new content, the owner and the mode stay; a failed
    // write leaves the old content everywhere, and no copy stays behind.
    void liensDursEtProprietaire_data()
    {
        QTest::addColumn<bool>("liens");
        QTest::addColumn<bool>("autreProprietaire");
        QTest::addColumn<bool>("document"); // the document's own stream saves in place
        QTest::addColumn<qint64>("echec");
        QTest::newRow("hard link, save in place") << true << false << true << qint64(-1);
        QTest::newRow("hard link, save as") << true << false << false << qint64(-1);
        QTest::newRow("hard link, write fails") << true << false << true << qint64(5);
        QTest::newRow("other owner") << false << true << true << qint64(-1);
        QTest::newRow("other owner, save as") << false << true << false << qint64(-1);
        QTest::newRow("other owner and link, write fails") << true << true << false << qint64(3);
    }

    void liensDursEtProprietaire()
    {
        QFETCH(bool, liens);
        QFETCH(bool, autreProprietaire);
        QFETCH(bool, document);
        QFETCH(qint64, echec);
        if (autreProprietaire && ::geteuid() != 0)
            QSKIP("giving a file to another user needs root");
        const QByteArray ancien("le contenu d'avant, assez long");
        const QString nom = Fichier(QStringLiteral("lie.xaqq"), ancien);
        const QString autre = m_dossier.filePath(QStringLiteral("autre-nom.xaqq"));
        QFile::remove(autre);
        const QByteArray c = QFile::encodeName(nom);
        QCOMPARE(::chmod(c.constData(), 0640), 0);
        if (liens)
            QCOMPARE(::link(c.constData(), QFile::encodeName(autre).constData()), 0);
        if (autreProprietaire)
            QCOMPARE(::chown(c.constData(), 4242, 4343), 0);
        const struct stat avant = Etat(nom);

        std::unique_ptr<TFlux> flux = document ? TFlux::Ouvrir(nom, true) : nullptr;
        TFlux::InjecterEchecEcriture(echec);
        std::unique_ptr<TFlux> nouveau;
        try {
            nouveau = TFlux::Remplacer(nom, "le nouveau", flux.get());
            QVERIFY(echec < 0);
        } catch (const ErreurFichier &e) {
            QVERIFY2(echec >= 0, qPrintable(e.message()));
        }
        TFlux::InjecterEchecEcriture(-1);
        const QByteArray attendu = echec < 0 ? QByteArray("le nouveau") : ancien;
        QCOMPARE(OutilsTest::LireFichier(nom), attendu);
        const struct stat apres = Etat(nom);
        if (liens)
            QCOMPARE(apres.st_ino, avant.st_ino);
        QCOMPARE(apres.st_nlink, avant.st_nlink);
        QCOMPARE(apres.st_uid, avant.st_uid);
        QCOMPARE(apres.st_gid, avant.st_gid);
        QCOMPARE(apres.st_mode, avant.st_mode);
        if (liens)
            QCOMPARE(OutilsTest::LireFichier(autre), attendu);
        QCOMPARE(QDir(m_dossier.path()).entryList({QStringLiteral(".lie.*")}, QDir::Files | QDir::Hidden),
                 QStringList());
        if (nouveau) {
            flux.reset(); // the new stream holds the lock alone
            QVERIFY_THROWS_EXCEPTION(ErreurFichier, TFlux::Ouvrir(nom, false));
            QCOMPARE(nouveau->LireTout(), attendu);
        }
        QFile::remove(autre);
        QFile::remove(nom);
    }

    QStringList Compagnons(const QString &nom) const
    {
        return QDir(m_dossier.path()).entryList({u'.' + nom + QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
    }

    // A rewrite in place that a kill cut short left the file partial and its
    // copy of the old content, held by nobody: the next open or save of the
    // file puts the old content back first. A copy that a living save holds,
    // or one that cannot be put back, stays, and the error names it.
    void reecritureInterrompue_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("tenue");     // a living process holds the copy
        QTest::addColumn<qint64>("echec");   // the write-failure hook while putting back
        QTest::addColumn<QByteArray>("fin"); // the file's content afterwards
        const QByteArray ancien("<?xml ancien contenu complet ?>");
        QTest::newRow("open for writing") << "ouvrir" << false << qint64(-1) << ancien;
        QTest::newRow("open read-only") << "lire" << false << qint64(-1) << ancien;
        QTest::newRow("open by a link") << "lien" << false << qint64(-1) << ancien;
        QTest::newRow("save over it") << "sauver" << false << qint64(-1) << QByteArray("sauve");
        QTest::newRow("save over it, putting back fails") << "sauver" << false << qint64(6) << QByteArray("<?xml nouv");
        QTest::newRow("copy held by a living save") << "lire" << true << qint64(-1) << QByteArray("<?xml nouv");
        QTest::newRow("putting back fails") << "ouvrir" << false << qint64(6) << QByteArray("<?xml nouv");
    }

    void reecritureInterrompue()
    {
        QFETCH(QString, action);
        QFETCH(bool, tenue);
        QFETCH(qint64, echec);
        QFETCH(QByteArray, fin);
        const QByteArray ancien("<?xml ancien contenu complet ?>");
        const QString nom = Fichier(QStringLiteral("coupe.xaqq"), "<?xml nouv");
        const QString autre = m_dossier.filePath(QStringLiteral("coupe-lien.xaqq"));
        QFile::remove(autre);
        QCOMPARE(::link(QFile::encodeName(nom).constData(), QFile::encodeName(autre).constData()), 0);
        const QString copie = Fichier(QStringLiteral(".coupe.xaqq.Ab12Cd~"), ancien);
        const QString inachevee = Fichier(QStringLiteral(".coupe.xaqq.Xy34Zw"), "<?xml anc");
        const int tenant = tenue ? ::open(QFile::encodeName(copie).constData(), O_RDONLY | O_CLOEXEC) : -1;
        if (tenue)
            QCOMPARE(::flock(tenant, LOCK_EX | LOCK_NB), 0);
        TFlux::InjecterEchecEcriture(echec);
        QString message;
        try {
            if (action == QLatin1String("sauver")) {
                TFlux::Remplacer(nom, "sauve", nullptr);
            } else if (action == QLatin1String("lien")) {
                const QString symbolique = m_dossier.filePath(QStringLiteral("coupe-symbolique.xaqq"));
                QFile::remove(symbolique);
                QVERIFY(QFile::link(nom, symbolique));
                TFlux::Ouvrir(symbolique, false);
                QFile::remove(symbolique);
            } else {
                QCOMPARE(TFlux::Ouvrir(nom, action == QLatin1String("ouvrir"))->LireTout(), fin);
            }
        } catch (const ErreurFichier &e) {
            message = e.message();
        }
        TFlux::InjecterEchecEcriture(-1);
        if (tenant >= 0)
            ::close(tenant);
        QCOMPARE(OutilsTest::LireFichier(nom), fin);
        QCOMPARE(OutilsTest::LireFichier(autre), fin);
        const bool copieReste = tenue || echec >= 0;
        QCOMPARE(QFile::exists(copie), copieReste);
        if (copieReste && !tenue) {
            QVERIFY2(message.contains(QLatin1String(".coupe.xaqq.Ab12Cd~")), qPrintable(message));
            QCOMPARE(OutilsTest::LireFichier(copie), ancien);
            // Once it can, the next open puts the old content back.
            QCOMPARE(TFlux::Ouvrir(nom, false)->LireTout(), ancien);
            QVERIFY(!QFile::exists(copie));
        } else {
            QCOMPARE(message.isEmpty(), echec < 0);
        }
        // What a save never finished goes with the next save only.
        QCOMPARE(QFile::exists(inachevee), action != QLatin1String("sauver") || echec >= 0);
        QFile::remove(copie);
        QFile::remove(inachevee);
        QFile::remove(autre);
    }

    // A real kill -9 of a process saving over a file with two names: whatever
    // moment it came, the next open finds the old content or the new one
    // under both names, and nothing left beside them.
    void tueEnCours_data()
    {
        QTest::addColumn<bool>("liens");
        QTest::addColumn<qint64>("arret"); // bytes of the new content written when killed
        QTest::addColumn<bool>("nouveauAttendu");
        QTest::addColumn<QString>("ensuite"); // "ouvrir", "lire" or "sauver"
        const qint64 taille = 200000;
        QTest::newRow("in place, before the first byte") << true << qint64(0) << false << "ouvrir";
        QTest::newRow("in place, half written") << true << taille / 2 << false << "ouvrir";
        QTest::newRow("in place, half written, read-only") << true << taille / 2 << false << "lire";
        QTest::newRow("in place, written, not yet cut") << true << taille << false << "lire";
        QTest::newRow("in place, half written, saved again") << true << taille / 2 << false << "sauver";
        QTest::newRow("in place, not killed") << true << qint64(-1) << true << "ouvrir";
        QTest::newRow("renamed, half written") << false << taille / 2 << false << "sauver";
        QTest::newRow("renamed, not killed") << false << qint64(-1) << true << "ouvrir";
    }

    void tueEnCours()
    {
        QFETCH(bool, liens);
        QFETCH(qint64, arret);
        QFETCH(bool, nouveauAttendu);
        QFETCH(QString, ensuite);
        const qint64 taille = 200000;
        QByteArray ancien(300000, 'a');
        ancien.prepend("ANCIEN");
        const QString nom = Fichier(QStringLiteral("tue.xaqq"), ancien);
        const QString autre = m_dossier.filePath(QStringLiteral("tue-lien.xaqq"));
        QFile::remove(autre);
        if (liens)
            QCOMPARE(::link(QFile::encodeName(nom).constData(), QFile::encodeName(autre).constData()), 0);

        QProcess aide;
        aide.start(QStringLiteral(AMBLOPAD_AIDE_FLUX),
                   {QStringLiteral("enplace"), nom, QString::number(taille), QString::number(arret)});
        QVERIFY(aide.waitForStarted());
        QVERIFY(aide.waitForReadyRead(60000));
        const QByteArray reponse = aide.readLine().trimmed();
        if (arret >= 0) {
            QCOMPARE(reponse, QByteArray("arret"));
            QCOMPARE(::kill(pid_t(aide.processId()), SIGKILL), 0);
            QVERIFY(aide.waitForFinished(60000));
            QCOMPARE(aide.exitStatus(), QProcess::CrashExit);
            // The kill did cut the rewrite short: the file alone is not whole.
            if (liens && arret > 0 && arret < taille)
                QVERIFY(OutilsTest::LireFichier(nom).startsWith("nnnnn"));
        } else {
            QCOMPARE(reponse, QByteArray("sauve"));
            QVERIFY(aide.waitForFinished(60000));
        }

        const QByteArray nouveau(taille, 'n');
        QByteArray attendu = nouveauAttendu ? nouveau : ancien;
        if (ensuite == QLatin1String("sauver")) {
            TFlux::Remplacer(nom, "encore", nullptr);
            attendu = "encore";
        } else {
            QCOMPARE(TFlux::Ouvrir(nom, ensuite == QLatin1String("ouvrir"))->LireTout(), attendu);
        }
        QCOMPARE(OutilsTest::LireFichier(nom), attendu);
        if (liens)
            QCOMPARE(OutilsTest::LireFichier(autre), attendu);
        if (ensuite == QLatin1String("sauver") || liens)
            QCOMPARE(Compagnons(QStringLiteral("tue.xaqq")), QStringList());
        QFile::remove(autre);
        QFile::remove(nom);
        for (const QString &reste : Compagnons(QStringLiteral("tue.xaqq")))
            QFile::remove(m_dossier.filePath(reste));
    }

    // On a file system mounted read-only, saving says so rather than
    // "Permission denied", and a file opens read-only.
    void systemeLectureSeule()
    {
        const QString point = m_dossier.filePath(QStringLiteral("monte"));
        QVERIFY(QDir().mkpath(point));
        QProcess aide;
        aide.start(QStringLiteral(AMBLOPAD_AIDE_FLUX), {QStringLiteral("lectureseule"), point});
        QVERIFY(aide.waitForFinished(60000));
        const QList<QByteArray> lignes = aide.readAllStandardOutput().trimmed().split('\n');
        if (lignes.value(0) == "impossible")
            QSKIP("mounting a file system needs root");
        QCOMPARE(lignes.size(), 4);
        for (int i = 0; i < 3; ++i)
            QVERIFY2(lignes.at(i).startsWith("erreur: ") && lignes.at(i).endsWith("The file system is read-only."),
                     lignes.at(i).constData());
        QVERIFY2(lignes.at(0).contains("Cannot create file"), lignes.at(0).constData());
        QCOMPARE(lignes.at(3), QByteArray("ouvert (lecture seule)"));
    }

    // A root process saving a file keeps its owner, by a rename when it may.
    void proprietaireGarde()
    {
        if (::geteuid() != 0)
            QSKIP("giving a file to another user needs root");
        const QString nom = Fichier(QStringLiteral("a-autrui.xaqq"), "ancien");
        QCOMPARE(::chown(QFile::encodeName(nom).constData(), 4242, 4343), 0);
        TFlux::Remplacer(nom, "nouveau", nullptr);
        QCOMPARE(Etat(nom).st_uid, uid_t(4242));
        QCOMPARE(Etat(nom).st_gid, gid_t(4343));
        QCOMPARE(OutilsTest::LireFichier(nom), QByteArray("nouveau"));
    }

    // What interrupted saves left is removed by the next save; a temporary
    // file some process still holds is not.
    void restesOtes()
    {
        const QString nom = Fichier(QStringLiteral("restes.xaqq"), "x");
        const QString vieux1 = Fichier(QStringLiteral(".restes.xaqq.Ab12Cd"), QByteArray(100, 'a'));
        const QString vieux2 = Fichier(QStringLiteral(".restes.xaqq.zzzzzz"), "b");
        const QString tenu = Fichier(QStringLiteral(".restes.xaqq.EnCour"), "c");
        const QString autre = Fichier(QStringLiteral(".autre.xaqq.Ab12Cd"), "d");
        const int fd = ::open(QFile::encodeName(tenu).constData(), O_RDONLY | O_CLOEXEC);
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        TFlux::Remplacer(nom, "y", nullptr);
        ::close(fd);
        QVERIFY(!QFile::exists(vieux1));
        QVERIFY(!QFile::exists(vieux2));
        QVERIFY(QFile::exists(tenu));
        QVERIFY(QFile::exists(autre));
        QFile::remove(tenu);
        QFile::remove(autre);
    }

    // No descriptor on a document or a save reaches a child process.
    void fermesALExec()
    {
        const QString nom = Fichier(QStringLiteral("exec.xaqq"), "x");
        const QString lie = m_dossier.filePath(QStringLiteral("exec-lien.xaqq"));
        auto lecture = TFlux::Ouvrir(nom, false);
        auto copie = TFlux::Remplacer(m_dossier.filePath(QStringLiteral("exec2.xaqq")), "z", nullptr);
        lecture.reset();
        auto ecriture = TFlux::Ouvrir(nom, true);
        auto remplace = TFlux::Remplacer(nom, "y", ecriture.get());
        QCOMPARE(::link(QFile::encodeName(nom).constData(), QFile::encodeName(lie).constData()), 0);
        auto enPlace = TFlux::Remplacer(nom, "w", remplace.get());
        const QList<int> descripteurs = DescripteursDuDossier();
        QVERIFY(descripteurs.size() >= 3);
        for (int fd : descripteurs)
            QVERIFY2(::fcntl(fd, F_GETFD) & FD_CLOEXEC, qPrintable(QString::number(fd)));
        QFile::remove(lie);
    }

    // Past the file-size limit a save fails like on a full disk; the process lives on.
    void limiteDeTaille()
    {
        const QByteArray ancien("avant");
        const QString nom = Fichier(QStringLiteral("limite.xaqq"), ancien);
        struct rlimit avant;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &avant), 0);
        struct rlimit limite = avant;
        limite.rlim_cur = 1000;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limite), 0);
        QString message;
        try {
            TFlux::Remplacer(nom, QByteArray(5000, 'x'), nullptr);
        } catch (const ErreurFichier &e) {
            message = e.message();
        }
        ::setrlimit(RLIMIT_FSIZE, &avant);
        QVERIFY2(message.contains(QLatin1String("File too large")), qPrintable(message));
        QCOMPARE(OutilsTest::LireFichier(nom), ancien);
        QVERIFY(Restes().isEmpty());
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
