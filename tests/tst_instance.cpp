// The single instance: the exchange between instances in one process (the
// asking one on its own thread), then the real program started several times.

#undef QT_NO_CAST_FROM_ASCII

#include "outilstest.h"

#include "editor/instance.h"
#include "formats/formats.h"
#include "model/fichierx.h"

#include <QLocalSocket>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QUuid>
#include <atomic>
#include <memory>
#include <thread>

#include <QSysInfo>
#include <cerrno>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

struct Resultat
{
    bool transmis = false;
    int nombre = 0;
};

// A new instance asks from its own thread, as a second process would, while
// this thread's event loop lets the running ones answer.
Resultat Demander(const QString &cle, const QStringList &lignes)
{
    Resultat resultat;
    std::atomic<bool> fini{false};
    std::thread fil([&] {
        TInstances nouvelle(cle);
        resultat.transmis = nouvelle.TransmettreSiActives(lignes);
        resultat.nombre = nouvelle.NombreEnCours();
        fini = true;
    });
    while (!fini)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    fil.join();
    QCoreApplication::processEvents();
    return resultat;
}

QString CleUnique()
{
    return QStringLiteral("amblopad-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

// A socket file nobody listens on, as a killed instance leaves behind.
bool SocketAbandonne(const QString &chemin)
{
    const QByteArray nom = QFile::encodeName(chemin);
    sockaddr_un adresse{};
    adresse.sun_family = AF_UNIX;
    if (size_t(nom.size()) >= sizeof(adresse.sun_path))
        return false;
    memcpy(adresse.sun_path, nom.constData(), size_t(nom.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr *>(&adresse), sizeof(adresse)) == 0;
    ::close(fd);
    return ok;
}

} // namespace

class TestInstance : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dossier;
    std::vector<std::unique_ptr<QProcess>> m_processus;
    int m_numero = 0;

    QString Creer(const QString &nom)
    {
        const QString chemin = m_dossier.filePath(nom);
        TFichierX f(u'Q', u'x');
        f.AjouterFiche(QStringLiteral("t"), QStringLiteral("q"), QStringLiteral("r"));
        Formats::Enregistrer(f, chemin, u'x', true, TOptions());
        return chemin;
    }

    // A settings file of its own per test: instances of other tests never meet these.
    QString Parametres(const QMap<QString, QVariant> &valeurs)
    {
        const QString ini = m_dossier.filePath(QStringLiteral("p%1.ini").arg(++m_numero));
        QSettings s(ini, QSettings::IniFormat);
        for (auto it = valeurs.begin(); it != valeurs.end(); ++it)
            s.setValue(it.key(), it.value());
        s.sync();
        return ini;
    }

    QProcess &Lancer(const QString &ini, const QStringList &arguments, const QString &dossier = QString())
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("AMBLOPAD_SETTINGS", ini);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("AMBLOPAD_TEST_TRACE", "1");
        // Recovery copies another run left in the user's folder would be
        // offered in a dialog that no one answers here.
        env.insert("XDG_DATA_HOME", m_dossier.filePath(QStringLiteral("donnees")));
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::SeparateChannels);
        if (!dossier.isEmpty())
            p->setWorkingDirectory(dossier);
        p->start(QStringLiteral(AMBLOPAD_EXE), arguments);
        m_processus.push_back(std::move(p));
        return *m_processus.back();
    }

    // The next caption the editor shows; empty when it ended first.
    static QString Legende(QProcess &p)
    {
        for (;;) {
            while (p.canReadLine()) {
                const QString ligne = QString::fromUtf8(p.readLine()).trimmed();
                if (ligne.startsWith("caption: "))
                    return ligne.mid(9);
            }
            if (p.state() == QProcess::NotRunning)
                return QString();
            p.waitForReadyRead(30000);
            if (p.state() == QProcess::NotRunning && !p.canReadLine())
                return QString();
        }
    }

    static QString Titre(const QString &chemin) { return QStringLiteral("Amblopad - ") + chemin; }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dossier.isValid());
        OutilsTest::IsolerParametres(m_dossier);
    }

    void cleanup()
    {
        for (auto &p : m_processus) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
        }
        m_processus.clear();
    }

    void echappement_data()
    {
        QTest::addColumn<QString>("ligne");
        QTest::newRow("plain") << "/home/a b/file.xaqq";
        QTest::newRow("backslash") << "C:\\cards\\n.xaqq";
        QTest::newRow("line breaks") << "a\nb\r\nc\\n";
        QTest::newRow("trailing backslash") << "end\\";
        QTest::newRow("accents") << QString::fromUtf8("/tmp/fiches é€.xaqq");
        QTest::newRow("empty") << "";
    }

    void echappement()
    {
        QFETCH(QString, ligne);
        const QString echappee = TInstances::EchapperLigne(ligne);
        QVERIFY(!echappee.contains(u'\n'));
        QVERIFY(!echappee.contains(u'\r'));
        QCOMPARE(TInstances::DesechapperLigne(echappee), ligne);
    }

    void transmission_data()
    {
        QTest::addColumn<QList<bool>>("drapeaux"); // running instances, in start order
        QTest::addColumn<bool>("transmis");
        QTest::addColumn<int>("recepteur");
        QTest::newRow("none running") << QList<bool>{} << false << -1;
        QTest::newRow("one active") << QList<bool>{true} << true << 0;
        QTest::newRow("one inactive") << QList<bool>{false} << false << -1;
        QTest::newRow("both active: the first") << QList<bool>{true, true} << true << 0;
        QTest::newRow("second inactive") << QList<bool>{true, false} << false << -1;
        QTest::newRow("first inactive") << QList<bool>{false, true} << false << -1;
    }

    // All flags on: the lines go to the first instance only, in order.
    void transmission()
    {
        QFETCH(QList<bool>, drapeaux);
        QFETCH(bool, transmis);
        QFETCH(int, recepteur);
        const QString cle = CleUnique();
        std::vector<std::unique_ptr<TInstances>> enCours;
        std::vector<std::unique_ptr<QSignalSpy>> espions;
        for (bool actif : drapeaux) {
            enCours.push_back(std::make_unique<TInstances>(cle));
            QVERIFY(enCours.back()->Publier(actif));
            espions.push_back(std::make_unique<QSignalSpy>(enCours.back().get(), &TInstances::LignesRecues));
        }
        const QStringList lignes{"/a/first file.xaqq", "second\nline", ""};
        const Resultat r = Demander(cle, lignes);
        QCOMPARE(r.transmis, transmis);
        QCOMPARE(r.nombre, int(drapeaux.size()) + 1);
        for (int i = 0; i < int(espions.size()); ++i) {
            if (i == recepteur) {
                QTRY_COMPARE(espions[size_t(i)]->count(), 1);
                QCOMPARE(espions[size_t(i)]->at(0).at(0).toStringList(), lignes);
            } else {
                QCOMPARE(espions[size_t(i)]->count(), 0);
            }
        }
    }

    // A socket left by a crashed instance neither answers nor blocks the slot.
    void socketAbandonne()
    {
        const QString cle = CleUnique();
        QString nom;
        {
            TInstances premiere(cle);
            QVERIFY(premiere.Publier(true));
            nom = premiere.NomServeur();
        }
        QVERIFY(!QFileInfo::exists(nom)); // a clean end removes it
        QVERIFY(SocketAbandonne(nom));
        QVERIFY(QFileInfo::exists(nom));

        const Resultat r = Demander(cle, {"x"});
        QVERIFY(!r.transmis);
        QCOMPARE(r.nombre, 1);
        TInstances suivante(cle);
        QVERIFY(suivante.Publier(true));
        QCOMPARE(suivante.NomServeur(), nom);
        QSignalSpy espion(&suivante, &TInstances::LignesRecues);
        QVERIFY(Demander(cle, {"y"}).transmis);
        QTRY_COMPARE(espion.count(), 1);
    }

    // A request that is not ours gets nothing and does not disturb the instance.
    void requeteEtrangere()
    {
        const QString cle = CleUnique();
        TInstances instance(cle);
        QVERIFY(instance.Publier(true));
        QSignalSpy espion(&instance, &TInstances::LignesRecues);
        for (const QByteArray &requete :
             {QByteArray("HELLO\n"), QByteArray("LINES -3\n"), QByteArray("LINES 99999999999999\n")}) {
            std::atomic<bool> fini{false};
            QByteArray reponse;
            std::thread fil([&] {
                QLocalSocket s;
                s.connectToServer(instance.NomServeur());
                if (s.waitForConnected(5000)) {
                    s.write(requete);
                    s.waitForBytesWritten(5000);
                    s.waitForReadyRead(5000);
                    reponse = s.readAll();
                }
                fini = true;
            });
            while (!fini)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            fil.join();
            QVERIFY(reponse.isEmpty());
        }
        QCOMPARE(espion.count(), 0);
        QVERIFY(Demander(cle, {"z"}).transmis);
        QTRY_COMPARE(espion.count(), 1);
    }

    // Connections are bounded in number and in size: a flood neither grows
    // the instance nor keeps a real request out.
    void limitesDesConnexions()
    {
        const QString cle = CleUnique();
        TInstances instance(cle);
        QVERIFY(instance.Publier(true));
        const QByteArray chemin = QFile::encodeName(instance.NomServeur());
        auto connecter = [&] {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            sockaddr_un adresse{};
            adresse.sun_family = AF_UNIX;
            qstrncpy(adresse.sun_path, chemin.constData(), sizeof(adresse.sun_path));
            ::connect(fd, reinterpret_cast<sockaddr *>(&adresse), sizeof(adresse));
            return fd;
        };
        std::vector<int> silencieux;
        for (int i = 0; i < 40; ++i) {
            silencieux.push_back(connecter());
            QCoreApplication::processEvents();
        }
        QTRY_VERIFY(instance.ConnexionsOuvertes() > 0);
        QVERIFY(instance.ConnexionsOuvertes() <= 8);

        // Far more than any list of paths, without a line break: dropped.
        const int bavard = connecter();
        QTRY_VERIFY(instance.ConnexionsOuvertes() > 0);
        const QByteArray bloc(64 << 10, 'x');
        qint64 envoye = 0;
        bool coupe = false;
        for (int tour = 0; tour < 2000 && !coupe; ++tour) {
            const ssize_t n = ::send(bavard, bloc.constData(), size_t(bloc.size()), MSG_NOSIGNAL);
            if (n > 0)
                envoye += n;
            else if (errno != EAGAIN)
                coupe = true;
            QCoreApplication::processEvents();
        }
        QVERIFY(coupe);
        QVERIFY(envoye <= (1 << 20));
        ::close(bavard);
        for (int fd : silencieux)
            ::close(fd);

        QSignalSpy espion(&instance, &TInstances::LignesRecues);
        QVERIFY(Demander(cle, {"apres"}).transmis);
        QTRY_COMPARE(espion.count(), 1);
    }

    // Slots left by killed instances are cleared by the next start.
    void emplacementsAbandonnes()
    {
        const QString cle = CleUnique();
        QString troisieme;
        {
            TInstances premiere(cle);
            QVERIFY(premiere.Publier(true));
            troisieme = premiere.NomServeur();
        }
        QVERIFY(troisieme.endsWith(QLatin1String("-0")));
        troisieme.chop(1);
        troisieme += u'3';
        QVERIFY(SocketAbandonne(troisieme));
        QProcess mort;
        mort.start(QStringLiteral("true"));
        QVERIFY(mort.waitForStarted());
        const qint64 pid = mort.processId(); // a process that is gone once it has ended
        QVERIFY(mort.waitForFinished());
        QVERIFY(OutilsTest::EcrireFichier(troisieme + QStringLiteral(".lock"),
                                          QByteArray::number(pid) + "\namblopad\n"
                                              + QSysInfo::machineHostName().toUtf8() + '\n'));
        TInstances suivante(cle);
        QVERIFY(suivante.Publier(true));
        QVERIFY(!QFileInfo::exists(troisieme));
        QVERIFY(!QFileInfo::exists(troisieme + QStringLiteral(".lock")));
    }

    // ------------------------------------------------------------ the program

    // Started again with "unique instance" on, the program hands the path to
    // the running window and ends; the path already shown changes nothing.
    void deuxProgrammes()
    {
        const QString a = Creer("A.xaqq");
        const QString b = Creer("B.xaqq");
        const QString ini = Parametres({{"uninst", 1}, {"reopen", 0}});
        QProcess &premier = Lancer(ini, {});
        QCOMPARE(Legende(premier), QStringLiteral("Amblopad: micro Data Base"));

        // A relative path, from another folder: the running one gets it absolute.
        QProcess &second = Lancer(ini, {"A.xaqq"}, m_dossier.path());
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(!second.readAllStandardOutput().contains("caption:"));
        QCOMPARE(Legende(premier), Titre(a));

        QProcess &memeFichier = Lancer(ini, {a});
        QVERIFY(memeFichier.waitForFinished(30000));
        QCOMPARE(memeFichier.exitCode(), 0);
        QProcess &autre = Lancer(ini, {b});
        QVERIFY(autre.waitForFinished(30000));
        // Nothing happened for A: the next captions are B's closing of A and B.
        QCOMPARE(Legende(premier), QStringLiteral("Amblopad"));
        QCOMPARE(Legende(premier), Titre(b));

        // Killed, it leaves its socket; the next start runs on its own and
        // takes the later ones' paths.
        premier.kill();
        QVERIFY(premier.waitForFinished(30000));
        QProcess &troisieme = Lancer(ini, {a});
        QCOMPARE(Legende(troisieme), Titre(a));
        QProcess &quatrieme = Lancer(ini, {b});
        QVERIFY(quatrieme.waitForFinished(30000));
        QCOMPARE(quatrieme.exitCode(), 0);
        QCOMPARE(Legende(troisieme), QStringLiteral("Amblopad"));
        QCOMPARE(Legende(troisieme), Titre(b));
    }

    // The running instance's own flag decides; a second running instance
    // does not reopen the last file.
    void instanceNonUnique()
    {
        const QString a = Creer("C.xaqq");
        const QString b = Creer("D.xaqq");
        const QString ini = Parametres({{"uninst", 0}, {"reopen", 1}, {"opened", 1}, {"open", a}});
        QProcess &premier = Lancer(ini, {b});
        QCOMPARE(Legende(premier), Titre(b));
        {
            QSettings s(ini, QSettings::IniFormat);
            s.setValue("uninst", 1);
        }
        QProcess &second = Lancer(ini, {});
        QCOMPARE(Legende(second), QStringLiteral("Amblopad: micro Data Base"));
        QVERIFY(second.state() == QProcess::Running);

        // Alone, the program reopens the last file.
        second.kill();
        premier.kill();
        QVERIFY(second.waitForFinished(30000));
        QVERIFY(premier.waitForFinished(30000));
        {
            QSettings s(ini, QSettings::IniFormat);
            s.setValue("uninst", 0);
        }
        QProcess &seul = Lancer(ini, {});
        QCOMPARE(Legende(seul), Titre(a));
    }
};

QTEST_MAIN(TestInstance)
#include "tst_instance.moc"
