// Locking between real processes: a document open for writing keeps every
// other Amblopad process out; open read-only it lets readers in but no
// writer; the lock stays on the file through a save in place and goes with
// the process that held it.
#include "outilstest.h"

#include "formats/formats.h"
#include "formats/fiches/natif.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString MessageOccupe(const QString &nom)
{
    return QStringLiteral("The file \"%1\" is in use by another program.").arg(QDir::toNativeSeparators(nom));
}

// The helper process holding a file.
class Aide
{
public:
    // utilisateur: the user id the helper runs as (-1: this process's own).
    // programme: the helper's executable (the one built beside the tests by default).
    Aide(const QString &nom, bool ecriture, const QString &reglages, int utilisateur = -1,
         const QString &programme = QStringLiteral(AMBLOPAD_AIDE_VERROU))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("AMBLOPAD_SETTINGS"), reglages);
        m_processus.setProcessEnvironment(env);
        if (utilisateur >= 0) {
            m_processus.setWorkingDirectory(QFileInfo(programme).absolutePath());
            m_processus.setChildProcessModifier([utilisateur] {
                if (::setgid(gid_t(utilisateur)) != 0 || ::setuid(uid_t(utilisateur)) != 0)
                    ::_exit(3);
            });
        }
        m_processus.start(programme, {nom, ecriture ? QStringLiteral("ecriture") : QStringLiteral("lecture")});
    }
    ~Aide()
    {
        if (m_processus.state() != QProcess::NotRunning) {
            m_processus.write("fin\n");
            m_processus.closeWriteChannel();
            if (!m_processus.waitForFinished(30000))
                m_processus.kill();
        }
    }
    // The next answer line.
    QString Reponse()
    {
        while (!m_processus.canReadLine()) {
            if (!m_processus.waitForReadyRead(30000))
                return QStringLiteral("(no answer)");
        }
        return QString::fromUtf8(m_processus.readLine()).trimmed();
    }
    QString Commande(const char *ligne)
    {
        m_processus.write(ligne);
        m_processus.write("\n");
        return Reponse();
    }
    void Terminer()
    {
        m_processus.write("fin\n");
        m_processus.closeWriteChannel();
        m_processus.waitForFinished(30000);
    }
    void Tuer()
    {
        m_processus.kill();
        m_processus.waitForFinished(30000);
    }

private:
    QProcess m_processus;
};

// Whether any user may walk down to the file: every folder above it lets others through.
bool AtteignableParTous(const QString &chemin)
{
    QDir dossier = QFileInfo(chemin).absoluteDir();
    for (;;) {
        struct stat etat;
        if (::stat(QFile::encodeName(dossier.absolutePath()).constData(), &etat) != 0 || !(etat.st_mode & S_IXOTH))
            return false;
        if (dossier.isRoot() || !dossier.cdUp())
            return true;
    }
}

} // namespace

class TestVerrous : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;
    QString m_reglages;
    QString m_nom;
    QByteArray m_contenu;

    // amblopad-cli ARGS: exit code and standard error.
    QPair<int, QString> Cli(const QStringList &arguments)
    {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("AMBLOPAD_SETTINGS"), m_reglages);
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(AMBLOPAD_CLI), arguments);
        if (!cli.waitForFinished(60000))
            return {-1, QStringLiteral("(no end)")};
        return {cli.exitCode(), QString::fromUtf8(cli.readAllStandardError()).trimmed()};
    }

    // This process opens the file as the editor does.
    QString OuvrirIci(bool ecriture)
    {
        try {
            auto f = Formats::Ouvrir(m_nom, ecriture, true, u'L', TOptions());
            return QString();
        } catch (const Erreur &e) {
            return e.message();
        }
    }

private slots:
    void initTestCase()
    {
        OutilsTest::IsolerParametres(m_dossier);
        m_reglages = m_dossier.filePath(QStringLiteral("autre-processus.ini"));
        m_nom = m_dossier.filePath(QStringLiteral("partage.aqq"));
        TFichierX f(u'Q', u'n');
        f.SetTitre(QStringLiteral("Partage"));
        f.AjouterFiche(QStringLiteral("Capitale ?"), QStringLiteral("Paris"));
        m_contenu = TFichierNatif::EcrireNatif(f);
    }

    void init() { QVERIFY(OutilsTest::EcrireFichier(m_nom, m_contenu)); }

    // This process holds the file; amblopad-cli reads it (info) or writes
    // over it (convert onto it).
    void tenuIci_data()
    {
        QTest::addColumn<bool>("ecriture");
        QTest::addColumn<bool>("autreEcrit");
        QTest::addColumn<bool>("permis");
        QTest::newRow("writing, other reads") << true << false << false;
        QTest::newRow("writing, other writes") << true << true << false;
        QTest::newRow("read-only, other reads") << false << false << true;
        QTest::newRow("read-only, other writes") << false << true << false;
    }

    void tenuIci()
    {
        QFETCH(bool, ecriture);
        QFETCH(bool, autreEcrit);
        QFETCH(bool, permis);
        auto document = Formats::Ouvrir(m_nom, ecriture, true, u'L', TOptions());
        const QString source = m_dossier.filePath(QStringLiteral("source.aqq"));
        QVERIFY(OutilsTest::EcrireFichier(source, m_contenu + QByteArray()));
        const auto [code, erreur] = autreEcrit
            ? Cli({QStringLiteral("convert"), source, m_nom, QStringLiteral("--to"), QStringLiteral("n")})
            : Cli({QStringLiteral("info"), m_nom});
        if (permis) {
            QVERIFY2(code == 0, qPrintable(erreur));
        } else {
            QCOMPARE(code, 1);
            QCOMPARE(erreur, MessageOccupe(m_nom));
        }
        QCOMPARE(OutilsTest::LireFichier(m_nom), m_contenu);
        QCOMPARE(document->NombreFiches(), 1);
    }

    // Another process holds the file; this one tries.
    void tenuAilleurs_data()
    {
        QTest::addColumn<bool>("ecriture");
        QTest::addColumn<bool>("iciEcrit");
        QTest::addColumn<bool>("permis");
        QTest::newRow("writing, this one reads") << true << false << false;
        QTest::newRow("writing, this one writes") << true << true << false;
        QTest::newRow("read-only, this one reads") << false << false << true;
        QTest::newRow("read-only, this one writes") << false << true << false;
    }

    void tenuAilleurs()
    {
        QFETCH(bool, ecriture);
        QFETCH(bool, iciEcrit);
        QFETCH(bool, permis);
        Aide aide(m_nom, ecriture, m_reglages);
        QCOMPARE(aide.Reponse(), QStringLiteral("ouvert"));
        const QString erreur = OuvrirIci(iciEcrit);
        QCOMPARE(erreur, permis ? QString() : MessageOccupe(m_nom));
        // A save as over the held file is refused the same way, and writes nothing.
        if (!permis || iciEcrit) {
            TFichierX f(u'Q', u'n');
            QVERIFY_THROWS_EXCEPTION(ErreurFichier, Formats::Enregistrer(f, m_nom, u'n', true, TOptions()));
            QCOMPARE(OutilsTest::LireFichier(m_nom), m_contenu);
        }
        // Once the holder is gone, the file is free.
        aide.Terminer();
        QCOMPARE(OuvrirIci(true), QString());
    }

    // Saving in place replaces the file: the new file is locked at once.
    void sauverEnPlaceGardeLeVerrou()
    {
        auto document = Formats::Ouvrir(m_nom, true, true, u'L', TOptions());
        document->AjouterFiche(QStringLiteral("Fleuve ?"), QStringLiteral("Seine"));
        Formats::Enregistrer(*document, m_nom, u'n', false, TOptions());
        QVERIFY(!document->Modifie);
        const auto [code, erreur] = Cli({QStringLiteral("info"), m_nom});
        QCOMPARE(code, 1);
        QCOMPARE(erreur, MessageOccupe(m_nom));
        Aide lecteur(m_nom, false, m_reglages);
        QCOMPARE(lecteur.Reponse(), QStringLiteral("erreur: ") + MessageOccupe(m_nom));
        lecteur.Terminer(); // gone before the file is tried again
        document.reset();
        QCOMPARE(Cli({QStringLiteral("info"), m_nom}).first, 0);
    }

    void sauverEnPlaceAilleurs()
    {
        Aide aide(m_nom, true, m_reglages);
        QCOMPARE(aide.Reponse(), QStringLiteral("ouvert"));
        QCOMPARE(aide.Commande("sauver"), QStringLiteral("sauve"));
        QCOMPARE(OuvrirIci(false), MessageOccupe(m_nom));
        QCOMPARE(aide.Commande("sauver"), QStringLiteral("sauve"));
        QCOMPARE(OuvrirIci(true), MessageOccupe(m_nom));
        aide.Terminer();
        QCOMPARE(OuvrirIci(true), QString());
    }

    // A holder that dies without closing frees the file too.
    void processusTue()
    {
        Aide aide(m_nom, true, m_reglages);
        QCOMPARE(aide.Reponse(), QStringLiteral("ouvert"));
        QCOMPARE(OuvrirIci(false), MessageOccupe(m_nom));
        aide.Tuer();
        QCOMPARE(OuvrirIci(true), QString());
        QCOMPARE(OutilsTest::LireFichier(m_nom), m_contenu);
    }

    // Another user, who may read the file but not write it, opens it read-only
    // rather than being refused; the file stays as it was.
    void autreUtilisateur()
    {
        if (::geteuid() != 0)
            QSKIP("running the helper as another user needs root");
        QFile::setPermissions(m_dossier.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                                  | QFile::ExeOther);
        QFile::setPermissions(m_nom, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        // The helper runs from a copy in a folder of its own: the build tree may
        // lie where other users cannot enter.
        QTemporaryDir copie;
        const QString programme = copie.filePath(QStringLiteral("aide_verrou"));
        QVERIFY(QFile::copy(QStringLiteral(AMBLOPAD_AIDE_VERROU), programme));
        const auto tous = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
            | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(copie.path(), tous) && QFile::setPermissions(programme, tous));
        if (!AtteignableParTous(programme) || !AtteignableParTous(m_nom))
            QSKIP("the temporary folder lies where other users cannot enter");
        Aide autre(m_nom, true, m_reglages, 65534, programme);
        QCOMPARE(autre.Reponse(), QStringLiteral("ouvert (lecture seule)"));
        QCOMPARE(OuvrirIci(false), QString()); // a reader's lock
        QCOMPARE(OuvrirIci(true), MessageOccupe(m_nom));
        autre.Terminer();
        QCOMPARE(OutilsTest::LireFichier(m_nom), m_contenu);
    }

    // Two readers in other processes at once, while this one reads too.
    void lecteursMultiples()
    {
        Aide premier(m_nom, false, m_reglages);
        Aide second(m_nom, false, m_reglages);
        QCOMPARE(premier.Reponse(), QStringLiteral("ouvert"));
        QCOMPARE(second.Reponse(), QStringLiteral("ouvert"));
        QCOMPARE(OuvrirIci(false), QString());
        QCOMPARE(Cli({QStringLiteral("info"), m_nom}).first, 0);
    }
};

QTEST_GUILESS_MAIN(TestVerrous)
#include "tst_verrous.moc"
