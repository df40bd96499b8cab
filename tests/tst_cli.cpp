// amblopad-cli as a process: usage errors, exit codes, messages.
#include "outilstest.h"

#include <QProcess>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

class TestCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;

    struct Resultat
    {
        int code;
        QByteArray sortie;
        QByteArray erreur;
    };

    Resultat Lancer(const QStringList &arguments)
    {
        const auto r = OutilsTest::LancerCli(arguments, m_dossier.filePath(QStringLiteral("cli.ini")));
        return {r.code, r.sortie, r.erreurs};
    }

    QString Fichier(const QString &nom, const QByteArray &contenu)
    {
        const QString chemin = m_dossier.filePath(nom);
        OutilsTest::EcrireFichier(chemin, contenu);
        return chemin;
    }

private slots:
    void initTestCase() { OutilsTest::IsolerParametres(m_dossier); }

    void usage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("rien") << QStringList{};
        QTest::newRow("commande inconnue") << QStringList{"export", "a"};
        QTest::newRow("info sans fichier") << QStringList{"info"};
        QTest::newRow("dump deux fichiers") << QStringList{"dump", "a", "b"};
        QTest::newRow("convert un fichier") << QStringList{"convert", "a"};
        QTest::newRow("type minuscule") << QStringList{"info", "a", "--type", "q"};
        QTest::newRow("type long") << QStringList{"info", "a", "--type", "QM"};
        QTest::newRow("type sans valeur") << QStringList{"info", "a", "--type"};
        QTest::newRow("format inconnu") << QStringList{"convert", "a", "b", "--to", "z"};
        QTest::newRow("to hors convert") << QStringList{"dump", "a", "--to", "x"};
        QTest::newRow("option inconnue") << QStringList{"info", "a", "--vite"};
        QTest::newRow("extension inconnue") << QStringList{"convert", "a.xaqq", "b.doc"};
    }

    void usage()
    {
        QFETCH(QStringList, arguments);
        const Resultat r = Lancer(arguments);
        QCOMPARE(r.code, 2);
        QVERIFY(r.erreur.contains("Usage:"));
        QVERIFY(r.sortie.isEmpty());
    }

    void infoReconnaitLeFormat()
    {
        const QString nom = Fichier(QStringLiteral("a.xaqq"),
                                    "<?xml version=\"1.0\"?>\n<AMBLORINE TYPE=\"Q\">\n<TITRE>t</TITRE>\n</AMBLORINE>\n");
        const Resultat r = Lancer({QStringLiteral("info"), nom});
        QCOMPARE(r.code, 0);
        QVERIFY(r.sortie.startsWith("format: x\n"));
    }

    void infoNonReconnu()
    {
        const Resultat r = Lancer({QStringLiteral("info"), Fichier(QStringLiteral("p.txt"), "plain")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.sortie, QByteArray("format: ?\n"));
    }

    void fichierRefuse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("message");
        const QString texte = Fichier(QStringLiteral("n.txt"), "plain");
        const QString absent = m_dossier.filePath(QStringLiteral("absent.xaqq"));
        QTest::newRow("dump non reconnu") << QStringList{"dump", texte} << QByteArray("The file was not recognized!\n");
        QTest::newRow("convert non reconnu") << QStringList{"convert", texte, "x.xaqq"} << QByteArray("The file was not recognized!\n");
        // libxml2 has its own say on broken encodings; only the message may reach the user.
        const QString encodage = Fichier(QStringLiteral("encodage.xaqq"),
                                         "<?xml version=\"1.0\" encoding=\"ISO-8859-7\"?>\n"
                                         "<AMBLORINE><TITRE>\xff\xfe\x80</TITRE></AMBLORINE>\n");
        QTest::newRow("xml mal encode") << QStringList{"dump", encodage}
                                        << QString::fromUtf8("Erreur dans l'écriture du code XML !\n").toUtf8();
        QTest::newRow("info absent") << QStringList{"info", absent} << QByteArray("No such file or directory");
        QTest::newRow("dump absent") << QStringList{"dump", absent} << QByteArray("No such file or directory");
    }

    void fichierRefuse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, message);
        const Resultat r = Lancer(arguments);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.erreur.contains(message), r.erreur.constData());
        QVERIFY(!r.erreur.contains("Usage:"));
        QCOMPARE(r.erreur.count('\n'), 1); // the message alone
    }

    // Pipes, sockets and devices are neither read nor replaced, and nothing
    // waits on them: the process ends at once with a message.
    void pasUnFichier_data()
    {
        QTest::addColumn<QString>("genre");
        QTest::addColumn<bool>("sortie"); // the special file is convert's output
        for (const char *genre : {"fifo", "socket", "device"}) {
            QTest::newRow(qPrintable(QStringLiteral("info %1").arg(QLatin1String(genre))))
                << QString::fromLatin1(genre) << false;
            QTest::newRow(qPrintable(QStringLiteral("convert onto %1").arg(QLatin1String(genre))))
                << QString::fromLatin1(genre) << true;
        }
    }

    void pasUnFichier()
    {
        QFETCH(QString, genre);
        QFETCH(bool, sortie);
        const QString chemin = m_dossier.filePath(QStringLiteral("special-") + genre + QStringLiteral(".xaqq"));
        const QByteArray c = QFile::encodeName(chemin);
        ::unlink(c.constData());
        int prise = -1;
        if (genre == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(c.constData(), 0600), 0);
        } else if (genre == QLatin1String("socket")) {
            prise = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un adresse{};
            adresse.sun_family = AF_UNIX;
            QVERIFY(size_t(c.size()) < sizeof(adresse.sun_path));
            qstrcpy(adresse.sun_path, c.constData());
            QCOMPARE(::bind(prise, reinterpret_cast<sockaddr *>(&adresse), sizeof(adresse)), 0);
        } else if (::mknod(c.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
            QSKIP("making a device node needs root");
        }
        const QString source = Fichier(QStringLiteral("source.xaqq"),
                                       "<?xml version=\"1.0\"?><AMBLORINE><TYPE>L</TYPE></AMBLORINE>");
        const Resultat r = sortie ? Lancer({"convert", source, chemin, "--to", "x"}) : Lancer({"info", chemin});
        if (prise >= 0)
            ::close(prise);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.erreur.contains("It is not a regular file."), r.erreur.constData());
        struct stat etat;
        QCOMPARE(::lstat(c.constData(), &etat), 0);
        QVERIFY(!S_ISREG(etat.st_mode));
        QCOMPARE(QDir(m_dossier.path()).entryList({QStringLiteral(".special-*")}, QDir::Files | QDir::Hidden),
                 QStringList());
    }

    void listeUneColonneRelue()
    {
        // A Lists file with one-line answers is written without any separator;
        // it must open again.
        const QString entree = Fichier(QStringLiteral("liste.csv"), "un\r\ndeux\r\n");
        const QString copie = m_dossier.filePath(QStringLiteral("copie.csv"));
        QCOMPARE(Lancer({QStringLiteral("convert"), entree, copie, QStringLiteral("--type"),
                         QStringLiteral("L")}).code, 0);
        QCOMPARE(OutilsTest::LireFichier(copie), QByteArray("un\r\ndeux\r\n"));
        const Resultat r = Lancer({QStringLiteral("info"), copie, QStringLiteral("--type"),
                                   QStringLiteral("L")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.sortie, QByteArray("format: s\ntype: L\ncards: 2\ntitle: \n"));
    }

    void parametresJamaisEcrits()
    {
        Lancer({QStringLiteral("info"), Fichier(QStringLiteral("b.txt"), "x")});
        QVERIFY(!QFile::exists(m_dossier.filePath(QStringLiteral("cli.ini"))));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
