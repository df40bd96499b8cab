// Settings: defaults, reading, the split of what is written at exit.
#include "model/outils.h"
#include "outilstest.h"

#include <QSettings>

class TestParametres : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;
    QString m_fichier;

    void Preparer(const QByteArray &contenu)
    {
        QFile::remove(m_fichier);
        if (!contenu.isNull())
            QVERIFY(OutilsTest::EcrireFichier(m_fichier, contenu));
    }

    QSettings Magasin() const { return QSettings(m_fichier, QSettings::IniFormat); }

    // A member of the options, as text.
    static QString Champ(const TOptions &o, const QString &nom)
    {
        const std::pair<const char *, QString> champs[] = {
            {"ouVisible", o.ouVisible},
            {"ponctuation", o.ponctuation},
            {"motsIgnores", o.motsIgnores},
            {"signature", o.signature},
            {"feuilleStyle", o.feuilleStyle},
            {"separateurQcm", o.separateurQcm},
            {"reponsesQcm", QString::number(o.reponsesQcm)},
            {"lfSeul", QString::number(o.lfSeul)},
            {"utf8Xml", QString::number(o.utf8Xml)},
            {"espacesMinimaux", QString::number(o.espacesMinimaux)},
            {"separateurCsv", o.separateurCsv},
            {"carSeparateurCsv", QString(o.CarSeparateurCsv())},
            {"utf8Csv", QString::number(o.utf8Csv)},
            {"typesCsv", o.typesCsv},
            {"formatMoodle", o.formatMoodle},
        };
        for (const auto &[cle, valeur] : champs) {
            if (nom == QLatin1String(cle))
                return valeur;
        }
        return QStringLiteral("<no such member>");
    }

private slots:
    void initTestCase()
    {
        m_fichier = m_dossier.filePath(QStringLiteral("reglages.ini"));
        qputenv("AMBLOPAD_SETTINGS", QFile::encodeName(m_fichier));
    }

    void defautsSurMagasinVide()
    {
        Preparer(QByteArray());
        Parametres.fosize = 99;
        LireParametres();
        const TParametres &p = Parametres;
        QCOMPARE(p.width, 607);
        QCOMPARE(p.height, 367);
        QVERIFY(!p.fulscr);
        QCOMPARE(p.foname, QStringLiteral("Lucida Sans Typewriter"));
        QCOMPARE(p.fosize, 10);
        QCOMPARE(p.lstfon, QStringLiteral("MS Reference Sans Serif"));
        QCOMPARE(p.lstfos, 12);
        QCOMPARE(p.types, QStringLiteral("RNLQM"));
        QCOMPARE(p.frmats, QStringLiteral("xscmt"));
        QCOMPARE(p.or_, QStringLiteral("or"));
        QCOMPARE(p.xdelim, QStringLiteral("!\"',-.:;?"));
        QCOMPARE(p.ignor, QStringLiteral("a an the"));
        QCOMPARE(p.mcqor, QStringLiteral("==="));
        QCOMPARE(p.csvtyp, QStringLiteral("L"));
        QCOMPARE(p.mcqnor, 4);
        QVERIFY(p.reopen && p.alltyp && p.xmlutf && p.lfonly && p.spell);
        QVERIFY(p.spldic.isEmpty());
        QVERIFY(!p.uninst && !p.opened && !p.topmst && !p.minsp && !p.csvutf && !p.ncwnf);
        QVERIFY(p.open.isEmpty() && p.recent.isEmpty() && p.sign.isEmpty());
        QCOMPARE(SeparateurCsv(), PremierCar(SeparateurListeLocal()));
    }

    void lecture()
    {
        Preparer("[General]\n"
                 "or=ou\nfosize=14\nopen=/tmp/a.xaqq\nopenum=7\nrecent=\nrecnum=3\n"
                 "fulscr=5\nuninst=1\nxmlutf=0\ntypes=QM\nfrmats=\nsign=Moi\n"
                 "comma=\\\\t\nmcqnor=2\n");
        LireParametres();
        const TParametres &p = Parametres;
        QCOMPARE(p.or_, QStringLiteral("ou"));
        QCOMPARE(p.fosize, 14);
        QCOMPARE(p.open, QStringLiteral("/tmp/a.xaqq"));
        QCOMPARE(p.openum, 7);
        QCOMPARE(p.recnum, 0); // read only when recent is set
        QVERIFY(p.fulscr);     // any non-zero number is true
        QVERIFY(p.uninst);
        QVERIFY(!p.xmlutf);
        QCOMPARE(p.types, QStringLiteral("QM"));
        QCOMPARE(p.frmats, QStringLiteral("xscmt"));
        QCOMPARE(p.sign, QStringLiteral("Moi"));
        QCOMPARE(p.mcqnor, 2);
        QCOMPARE(SeparateurCsv(), QChar(u'\t'));
        QCOMPARE(SeparateurCsvTexte(), QStringLiteral("\\t"));
    }

    void mauvaisGenreGardeLeDefaut_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::newRow("texte pour nombre") << QByteArray("[General]\nfosize=abc\nreopen=oui\nwidth=1,2\n");
        QTest::newRow("vide") << QByteArray("[General]\nfosize=\nreopen=\n");
        QTest::newRow("tronque") << QByteArray("[General]\nfosize");
        QTest::newRow("binaire") << QByteArray("\x00\xFF\xFE[\n=\x01", 8);
    }

    void mauvaisGenreGardeLeDefaut()
    {
        QFETCH(QByteArray, contenu);
        Preparer(contenu);
        LireParametres();
        QCOMPARE(Parametres.fosize, 10);
        QVERIFY(Parametres.reopen);
        QCOMPARE(Parametres.width, 607);
        QCOMPARE(Parametres.types, QStringLiteral("RNLQM"));
    }

    void magasinIlisible()
    {
        // The settings path is a folder: nothing can be read or written.
        const QString dossier = m_dossier.filePath(QStringLiteral("un-dossier"));
        QDir().mkpath(dossier);
        qputenv("AMBLOPAD_SETTINGS", QFile::encodeName(dossier));
        LireParametres();
        QCOMPARE(Parametres.fosize, 10);
        EcrireParametres(true);
        QVERIFY(QFileInfo(dossier).isDir());
        qputenv("AMBLOPAD_SETTINGS", QFile::encodeName(m_fichier));
    }

    void typesLimitesA255()
    {
        Preparer("[General]\ntypes=" + QByteArray(300, 'Q') + "\n");
        LireParametres();
        QCOMPARE(Parametres.types.size(), 255);
    }

    void sansPreferencesLesPreferencesRestent()
    {
        Preparer("[General]\nfoname=Courier\ntopmst=1\ncomma=\";\"\nxdelim=.\n");
        LireParametres();
        Parametres.foname = QStringLiteral("Autre");
        Parametres.topmst = false;
        Parametres.open = QStringLiteral("/tmp/b.xaqr");
        Parametres.openum = 4;
        Parametres.opened = true;
        EcrireParametres(false);
        QSettings m = Magasin();
        QCOMPARE(m.value(QStringLiteral("foname")).toString(), QStringLiteral("Courier"));
        QCOMPARE(m.value(QStringLiteral("topmst")).toString(), QStringLiteral("1"));
        QCOMPARE(m.value(QStringLiteral("comma")).toString(), QStringLiteral(";"));
        QCOMPARE(m.value(QStringLiteral("open")).toString(), QStringLiteral("/tmp/b.xaqr"));
        QCOMPARE(m.value(QStringLiteral("openum")).toInt(), 4);
        QCOMPARE(m.value(QStringLiteral("opened")).toString(), QStringLiteral("1"));
        QCOMPARE(m.value(QStringLiteral("width")).toInt(), 607);
        QCOMPARE(m.value(QStringLiteral("types")).toString(), QStringLiteral("RNLQM"));
        QVERIFY(!m.contains(QStringLiteral("xmlutf")));
        QCOMPARE(m.value(QStringLiteral("xdelim")).toString(), QStringLiteral("."));
    }

    void ecritureComplete()
    {
        Preparer("[General]\ncomma=\";\"\nheight=500\nwidth=800\n");
        LireParametres();
        Parametres.fulscr = true;
        Parametres.height = 100;
        Parametres.width = 100;
        Parametres.xmlutf = false;
        DefinirSeparateurCsv(QString());
        EcrireParametres(true);
        QSettings m = Magasin();
        QVERIFY(!m.contains(QStringLiteral("comma")));
        QCOMPARE(m.value(QStringLiteral("fulscr")).toString(), QStringLiteral("1"));
        QCOMPARE(m.value(QStringLiteral("height")).toInt(), 500); // maximised keeps the old size
        QCOMPARE(m.value(QStringLiteral("width")).toInt(), 800);
        QCOMPARE(m.value(QStringLiteral("xmlutf")).toString(), QStringLiteral("0"));
        QCOMPARE(m.value(QStringLiteral("foname")).toString(), QStringLiteral("Lucida Sans Typewriter"));
        QCOMPARE(m.value(QStringLiteral("lstfos")).toInt(), 12);
        // Values this program only reads are never written.
        for (const char *jamais : {"or", "xdelim", "ignor", "minsp", "sign", "alltyp", "xslfil", "lfonly", "mcqor",
                                   "mcqfrm", "mcqnor", "csvtyp", "ncwnf"})
            QVERIFY2(!m.contains(QLatin1String(jamais)), jamais);
    }

    // Each setting the core is given reaches its member of the options; the
    // options' own defaults are the settings' defaults.
    void optionsDesReglages_data()
    {
        QTest::addColumn<QByteArray>("ligne");
        QTest::addColumn<QString>("champ");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("or") << QByteArray("or=ou") << "ouVisible"
                            << "ou";
        QTest::newRow("xdelim") << QByteArray("xdelim=.,") << "ponctuation"
                                << ".,";
        QTest::newRow("ignor") << QByteArray("ignor=le la") << "motsIgnores"
                               << "le la";
        QTest::newRow("sign") << QByteArray("sign=Moi") << "signature"
                              << "Moi";
        QTest::newRow("xslfil") << QByteArray("xslfil=vue.xsl") << "feuilleStyle"
                                << "vue.xsl";
        QTest::newRow("mcqor") << QByteArray("mcqor=##") << "separateurQcm"
                               << "##";
        QTest::newRow("mcqnor") << QByteArray("mcqnor=7") << "reponsesQcm"
                                << "7";
        QTest::newRow("lfonly") << QByteArray("lfonly=0") << "lfSeul"
                                << "0";
        QTest::newRow("xmlutf") << QByteArray("xmlutf=0") << "utf8Xml"
                                << "0";
        QTest::newRow("minsp") << QByteArray("minsp=1") << "espacesMinimaux"
                               << "1";
        QTest::newRow("comma") << QByteArray("comma=\\\\t") << "separateurCsv"
                               << "\\t";
        QTest::newRow("comma's character") << QByteArray("comma=\\\\t") << "carSeparateurCsv"
                                           << "\t";
        QTest::newRow("csvutf") << QByteArray("csvutf=1") << "utf8Csv"
                                << "1";
        QTest::newRow("csvtyp") << QByteArray("csvtyp=DN") << "typesCsv"
                                << "DN";
        QTest::newRow("mcqfrm") << QByteArray("mcqfrm=html") << "formatMoodle"
                                << "html";
    }
    void optionsDesReglages()
    {
        QFETCH(QByteArray, ligne);
        QFETCH(QString, champ);
        QFETCH(QString, attendu);
        Preparer(QByteArray());
        LireParametres();
        const TOptions parDefaut;
        QCOMPARE(Champ(OptionsCourantes(), champ), Champ(parDefaut, champ));
        QVERIFY(Champ(parDefaut, champ) != attendu);
        Preparer("[General]\n" + ligne + "\n");
        LireParametres();
        QCOMPARE(Champ(OptionsCourantes(), champ), attendu);
    }

    void allerRetour()
    {
        Preparer(QByteArray());
        LireParametres();
        Parametres.open = QStringLiteral("/tmp/un, deux; trois=4.xaqq");
        Parametres.recent = QStringLiteral("/tmp/r.xaqm");
        Parametres.recnum = 12;
        Parametres.types = QStringLiteral("DRNLQM");
        Parametres.uninst = true;
        Parametres.spell = false;
        Parametres.spldic = QStringLiteral("fr_BE");
        DefinirSeparateurCsv(QStringLiteral("\\s"));
        EcrireParametres(true);
        ParametresParDefaut();
        LireParametres();
        QVERIFY(!Parametres.spell);
        QCOMPARE(Parametres.spldic, QStringLiteral("fr_BE"));
        QCOMPARE(Parametres.open, QStringLiteral("/tmp/un, deux; trois=4.xaqq"));
        QCOMPARE(Parametres.recnum, 12);
        QCOMPARE(Parametres.types, QStringLiteral("DRNLQM"));
        QVERIFY(Parametres.uninst);
        QCOMPARE(SeparateurCsv(), QChar(u' '));
    }
};

QTEST_GUILESS_MAIN(TestParametres)
#include "tst_parametres.moc"
