// Settings that cannot be trusted: truncated files, values of the wrong kind,
// stores that cannot be read; and the program writes no store but its own.
#include "model/outils.h"
#include "outilstest.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <sys/stat.h>
#include <sys/types.h>

namespace {

// Every setting, its value as stored in the INI file by this test, and how
// to see the value the program holds.
struct Reglage
{
    const char *nom;
    const char *valeur;
    std::function<QString()> lu;
};

QString Nombre(int n)
{
    return QString::number(n);
}
QString Booleen(bool b)
{
    return b ? QStringLiteral("1") : QStringLiteral("0");
}

const QList<Reglage> &Reglages()
{
    static const QList<Reglage> liste = {
        {"or", "ou", [] { return Parametres.or_; }},
        {"xdelim", "!?", [] { return Parametres.xdelim; }},
        {"ignor", "le la les", [] { return Parametres.ignor; }},
        {"foname", "Courier", [] { return Parametres.foname; }},
        {"fosize", "14", [] { return Nombre(Parametres.fosize); }},
        {"open", "/tmp/a.xaqq", [] { return Parametres.open; }},
        {"openum", "7", [] { return Nombre(Parametres.openum); }},
        {"recent", "/tmp/b.aqq", [] { return Parametres.recent; }},
        {"recnum", "3", [] { return Nombre(Parametres.recnum); }},
        {"minsp", "1", [] { return Booleen(Parametres.minsp); }},
        {"fulscr", "1", [] { return Booleen(Parametres.fulscr); }},
        {"height", "480", [] { return Nombre(Parametres.height); }},
        {"width", "640", [] { return Nombre(Parametres.width); }},
        {"topmst", "1", [] { return Booleen(Parametres.topmst); }},
        {"sign", "Moi", [] { return Parametres.sign; }},
        {"reopen", "0", [] { return Booleen(Parametres.reopen); }},
        {"uninst", "1", [] { return Booleen(Parametres.uninst); }},
        {"opened", "1", [] { return Booleen(Parametres.opened); }},
        {"alltyp", "0", [] { return Booleen(Parametres.alltyp); }},
        {"types", "QMR", [] { return Parametres.types; }},
        {"frmats", "nx", [] { return Parametres.frmats; }},
        {"lstfon", "Arial", [] { return Parametres.lstfon; }},
        {"lstfos", "9", [] { return Nombre(Parametres.lstfos); }},
        {"xslfil", "style.xsl", [] { return Parametres.xslfil; }},
        {"xmlutf", "0", [] { return Booleen(Parametres.xmlutf); }},
        {"lfonly", "0", [] { return Booleen(Parametres.lfonly); }},
        {"mcqor", "##", [] { return Parametres.mcqor; }},
        {"mcqfrm", "html", [] { return Parametres.mcqfrm; }},
        {"mcqnor", "6", [] { return Nombre(Parametres.mcqnor); }},
        {"comma", "\\\\t", [] { return SeparateurCsvTexte(); }},
        {"csvtyp", "LN", [] { return Parametres.csvtyp; }},
        {"csvutf", "1", [] { return Booleen(Parametres.csvutf); }},
        {"ncwnf", "1", [] { return Booleen(Parametres.ncwnf); }},
        {"spell", "0", [] { return Booleen(Parametres.spell); }},
        {"spldic", "fr_CA", [] { return Parametres.spldic; }},
    };
    return liste;
}

// What each setting reads as when the file holds nothing.
QMap<QString, QString> Defauts()
{
    ParametresParDefaut();
    QMap<QString, QString> defauts;
    for (const Reglage &r : Reglages())
        defauts.insert(QLatin1String(r.nom), r.lu());
    return defauts;
}

QByteArray FichierComplet()
{
    QByteArray octets("[General]\n");
    for (const Reglage &r : Reglages())
        octets += QByteArray(r.nom) + '=' + r.valeur + '\n';
    return octets;
}

} // namespace

class TestParametresRobustes : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;
    QString m_fichier;

    void Lire(const QByteArray &contenu)
    {
        QFile::remove(m_fichier);
        QVERIFY(OutilsTest::EcrireFichier(m_fichier, contenu));
        LireParametres();
    }

private slots:
    void initTestCase()
    {
        OutilsTest::IsolerParametres(m_dossier);
        m_fichier = m_dossier.filePath(QStringLiteral("settings.ini"));
    }

    void cleanup() { qputenv("AMBLOPAD_SETTINGS", QFile::encodeName(m_fichier)); }

    // The whole file, as a reference: every value is taken.
    void fichierComplet()
    {
        Lire(FichierComplet());
        for (const Reglage &r : Reglages()) {
            QString attendu = QString::fromUtf8(r.valeur);
            if (qstrcmp(r.nom, "comma") == 0)
                attendu = QStringLiteral("\\t");
            QCOMPARE(r.lu(), attendu);
        }
    }

    // Cut at every byte: a setting whose line is whole is read, one whose line
    // is missing keeps its default, and nothing else happens.
    void tronqueAChaqueOctet()
    {
        const QByteArray complet = FichierComplet();
        const QMap<QString, QString> defauts = Defauts();
        Lire(complet);
        QMap<QString, QString> complets;
        for (const Reglage &r : Reglages())
            complets.insert(QLatin1String(r.nom), r.lu());

        for (qsizetype taille = 0; taille <= complet.size(); ++taille) {
            const QByteArray tronque = complet.left(taille);
            Lire(tronque);
            for (const Reglage &r : Reglages()) {
                const QByteArray ligne = '\n' + QByteArray(r.nom) + '=';
                const qsizetype debut = complet.indexOf(ligne) + 1;
                const qsizetype fin = complet.indexOf('\n', debut) + 1;
                const QString nom = QLatin1String(r.nom);
                // openum and recnum are read only with the file they belong to.
                qsizetype finParent = 0;
                if (nom == QLatin1String("openum") || nom == QLatin1String("recnum")) {
                    const QByteArray parent = nom == QLatin1String("openum") ? "\nopen=" : "\nrecent=";
                    finParent = complet.indexOf('\n', complet.indexOf(parent) + 1) + 1;
                }
                const QString lu = r.lu();
                if (taille >= fin && taille >= finParent)
                    QVERIFY2(lu == complets.value(nom),
                             qPrintable(QStringLiteral("%1 cut at %2: %3").arg(nom).arg(taille).arg(lu)));
                else if (taille <= debut)
                    QVERIFY2(lu == defauts.value(nom),
                             qPrintable(QStringLiteral("%1 cut at %2: %3").arg(nom).arg(taille).arg(lu)));
            }
            QVERIFY(Parametres.types.size() <= 255 && !Parametres.types.isEmpty());
            QVERIFY(!Parametres.frmats.isEmpty());
        }
    }

    // Values no setting can take: each setting keeps its default.
    void mauvaisGenre_data()
    {
        QTest::addColumn<QByteArray>("valeur");
        QTest::addColumn<bool>("texte"); // still a text for the text settings
        QTest::newRow("rectangle") << QByteArray("@Rect(1 2 3 4)") << false;
        QTest::newRow("size") << QByteArray("@Size(10 20)") << false;
        QTest::newRow("point") << QByteArray("@Point(1 2)") << false;
        QTest::newRow("variant, damaged") << QByteArray("@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\xff)") << false;
        QTest::newRow("variant, unknown type") << QByteArray("@Variant(\\0\\0\\x3\\xe8\\0)") << false;
        QTest::newRow("variant, cut") << QByteArray("@Variant(\\0\\0") << true;
        QTest::newRow("list") << QByteArray("1, 2, 3") << true;
    }

    void mauvaisGenre()
    {
        QFETCH(QByteArray, valeur);
        QFETCH(bool, texte);
        const QMap<QString, QString> defauts = Defauts();
        QByteArray contenu("[General]\n");
        for (const Reglage &r : Reglages())
            contenu += QByteArray(r.nom) + '=' + valeur + '\n';
        Lire(contenu);
        for (const Reglage &r : Reglages()) {
            const QString nom = QLatin1String(r.nom);
            // A list of texts is still a text (the commas were the user's),
            // and so is what only looks like a value of another kind.
            const QString defaut = defauts.value(nom);
            const bool nombre = !defaut.isEmpty() && defaut.at(0).isDigit();
            if (texte && !nombre)
                continue;
            QVERIFY2(r.lu() == defaut, qPrintable(nom + QStringLiteral(": ") + r.lu()));
        }
    }

    // Numbers that are not 32-bit numbers keep the default.
    void nombresInvalides_data()
    {
        QTest::addColumn<QByteArray>("valeur");
        QTest::newRow("too large") << QByteArray("99999999999999999999");
        QTest::newRow("beyond 32 bits") << QByteArray("4294967296");
        QTest::newRow("below 32 bits") << QByteArray("-2147483649");
        QTest::newRow("decimal") << QByteArray("10.5");
        QTest::newRow("hexadecimal") << QByteArray("0x10");
        QTest::newRow("word") << QByteArray("douze");
        QTest::newRow("control bytes") << QByteArray("\x01\x02");
        QTest::newRow("bad UTF-8") << QByteArray("\xff\xfe\xc3");
    }

    void nombresInvalides()
    {
        QFETCH(QByteArray, valeur);
        Lire("[General]\nfosize=" + valeur + "\nlstfos=" + valeur + "\nwidth=" + valeur + "\nopen=x\nopenum=" + valeur
             + "\nreopen=" + valeur + "\nxmlutf=" + valeur + "\n");
        QCOMPARE(Parametres.fosize, 10);
        QCOMPARE(Parametres.lstfos, 12);
        QCOMPARE(Parametres.width, 607);
        QCOMPARE(Parametres.openum, 0);
        QVERIFY(Parametres.reopen);
        QVERIFY(Parametres.xmlutf);
    }

    // Values no user sets by hand: each keeps its default, however large.
    void bornes_data()
    {
        QTest::addColumn<QByteArray>("ligne");
        QTest::addColumn<QString>("nom");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("width too large") << QByteArray("width=2147483647") << "width"
                                         << "607";
        QTest::newRow("height negative") << QByteArray("height=-5") << "height"
                                         << "367";
        QTest::newRow("width tiny") << QByteArray("width=1") << "width"
                                    << "607";
        QTest::newRow("font size zero") << QByteArray("fosize=0") << "fosize"
                                        << "10";
        QTest::newRow("list font size huge") << QByteArray("lstfos=100000") << "lstfos"
                                             << "12";
        QTest::newRow("card position negative") << QByteArray("open=/tmp/a.aqq\nopenum=-3") << "openum"
                                                << "0";
        QTest::newRow("recent path too long") << "recent=/" + QByteArray(5000, 'a') << "recent"
                                              << "";
        QTest::newRow("open path too long") << "open=/" + QByteArray(5000, 'a') << "open"
                                            << "";
        QTest::newRow("signature too long") << "sign=" + QByteArray(100000, 's') << "sign"
                                            << "";
        QTest::newRow("answer slots huge") << QByteArray("mcqnor=1000000") << "mcqnor"
                                           << "4";
    }

    void bornes()
    {
        QFETCH(QByteArray, ligne);
        QFETCH(QString, nom);
        QFETCH(QString, attendu);
        Lire("[General]\n" + ligne + "\n");
        for (const Reglage &r : Reglages())
            if (nom == QLatin1String(r.nom))
                QCOMPARE(r.lu(), attendu);
    }

    // A store read only in part (a value dropped, or far too large to read)
    // is copied aside once before the program rewrites it.
    void copieDeCote_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<bool>("lu"); // its other values were taken
        QTest::newRow("a value dropped") << "[General]\nfoname=Courier\nrecent=/" + QByteArray(5000, 'r') + '\n'
                                         << true;
        QTest::newRow("200 MB store") << "[General]\nfoname=Courier\nrecent=/" + QByteArray(3 << 20, 'r') + '\n'
                                      << false;
    }

    void copieDeCote()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(bool, lu);
        const QString bak = m_fichier + QStringLiteral(".bak");
        QFile::remove(bak);
        Lire(contenu);
        QCOMPARE(Parametres.foname, lu ? QStringLiteral("Courier") : Defauts().value(QStringLiteral("foname")));
        LireParametres();
        QVERIFY(Parametres.recent.isEmpty());
        Parametres.open = QStringLiteral("/tmp/nouveau.aqq");
        EcrireParametres(false);
        QCOMPARE(OutilsTest::LireFichier(bak), contenu);
        QVERIFY(QFileInfo(m_fichier).size() < 4096);
        LireParametres();
        QCOMPARE(Parametres.open, QStringLiteral("/tmp/nouveau.aqq"));
        // Once: a later partial read leaves the first copy alone.
        QVERIFY(OutilsTest::EcrireFichier(m_fichier, "[General]\nwidth=1\n"));
        LireParametres();
        EcrireParametres(false);
        QCOMPARE(OutilsTest::LireFichier(bak), contenu);
        QFile::remove(bak);
    }

    // Stores that cannot be read: defaults, and nothing written in their place.
    void illisible_data()
    {
        QTest::addColumn<QString>("genre");
        QTest::newRow("named pipe") << QStringLiteral("fifo");
        QTest::newRow("link loop") << QStringLiteral("boucle");
        QTest::newRow("device") << QStringLiteral("device");
        QTest::newRow("huge binary") << QStringLiteral("binaire");
    }

    void illisible()
    {
        QFETCH(QString, genre);
        QString chemin = m_dossier.filePath(QStringLiteral("illisible-") + genre);
        if (genre == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(chemin).constData(), 0600), 0);
        } else if (genre == QLatin1String("boucle")) {
            QVERIFY(QFile::link(chemin, chemin));
        } else if (genre == QLatin1String("device")) {
            chemin = QStringLiteral("/dev/zero");
        } else {
            QByteArray bruit(4 << 20, '\0');
            for (qsizetype i = 0; i < bruit.size(); ++i)
                bruit[i] = char((i * 7919) >> 3);
            QVERIFY(OutilsTest::EcrireFichier(chemin, bruit));
        }
        const QFileInfo avant(chemin);
        qputenv("AMBLOPAD_SETTINGS", QFile::encodeName(chemin));
        Parametres.fosize = 99;
        LireParametres();
        QCOMPARE(Parametres.fosize, 10);
        QCOMPARE(Parametres.types, QStringLiteral("RNLQM"));
        // The device is only read: a fault here must not cost the machine /dev/zero.
        if (genre != QLatin1String("binaire") && genre != QLatin1String("device")) {
            EcrireParametres(true);
            const QFileInfo apres(chemin);
            QCOMPARE(apres.isSymLink(), avant.isSymLink());
            QCOMPARE(apres.isFile(), avant.isFile());
        }
    }

    // Without AMBLOPAD_SETTINGS the store is the current user's own file;
    // with it, that file alone. Another user's store is never touched.
    void seulementLeSien()
    {
        QTemporaryDir racine;
        const QString moi = racine.filePath(QStringLiteral("moi/.config"));
        const QString autre = racine.filePath(QStringLiteral("autre/.config"));
        QDir().mkpath(moi);
        QDir().mkpath(autre);
        const QString fichierAutre = autre + QStringLiteral("/Amblorine.ini");
        const QByteArray contenuAutre("[General]\nfoname=Autre\nopen=/home/autre/a.aqq\n");
        QVERIFY(OutilsTest::EcrireFichier(fichierAutre, contenuAutre));

        const QByteArray ancienXdg = qgetenv("XDG_CONFIG_HOME");
        const QByteArray ancienHome = qgetenv("HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(moi));
        qputenv("HOME", QFile::encodeName(racine.filePath(QStringLiteral("moi"))));
        qunsetenv("AMBLOPAD_SETTINGS");
        const QString chemin = CheminParametres();
        const bool chezMoi = chemin.startsWith(moi + QLatin1Char('/'));
        QString ecritChezMoi;
        if (chezMoi) {
            LireParametres();
            Parametres.open = QStringLiteral("/home/moi/b.aqq");
            EcrireParametres(true);
            ecritChezMoi = QSettings(chemin, QSettings::IniFormat).value(QStringLiteral("open")).toString();
        }
        // With the variable set, the user's store is left alone.
        const QString designe = racine.filePath(QStringLiteral("designe.ini"));
        qputenv("AMBLOPAD_SETTINGS", QFile::encodeName(designe));
        const QByteArray avant = chezMoi ? OutilsTest::LireFichier(chemin) : QByteArray();
        LireParametres();
        Parametres.open = QStringLiteral("/home/moi/c.aqq");
        EcrireParametres(true);
        const QByteArray apres = chezMoi ? OutilsTest::LireFichier(chemin) : QByteArray();
        qputenv("XDG_CONFIG_HOME", ancienXdg);
        qputenv("HOME", ancienHome);

        QVERIFY2(chezMoi, qPrintable(chemin));
        QCOMPARE(ecritChezMoi, QStringLiteral("/home/moi/b.aqq"));
        QCOMPARE(apres, avant);
        QCOMPARE(OutilsTest::LireFichier(fichierAutre), contenuAutre);
        QCOMPARE(QSettings(designe, QSettings::IniFormat).value(QStringLiteral("open")).toString(),
                 QStringLiteral("/home/moi/c.aqq"));
        QCOMPARE(QDir(autre).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("Amblorine.ini")});
    }
};

QTEST_GUILESS_MAIN(TestParametresRobustes)
#include "tst_parametres_robustes.moc"
