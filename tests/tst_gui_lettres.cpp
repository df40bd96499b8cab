// Letters, extensions, dialog filters and format lists of the editor.

#include "outilstest.h"

#include "editor/lettres.h"
#include "model/fichierx.h"
#include "settings/init.h"

class TestLettres : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dossier;

private slots:
    void initTestCase() { OutilsTest::IsolerParametres(m_dossier); }
    void init() { ParametresParDefaut(); }

    void mettreEnTete_data()
    {
        QTest::addColumn<QChar>("lettre");
        QTest::addColumn<QString>("liste");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("moved") << QChar(u'N') << "RNLQM"
                               << "NRLQM";
        QTest::newRow("already first") << QChar(u'R') << "RNLQM"
                                       << "RNLQM";
        QTest::newRow("absent") << QChar(u'D') << "RNLQM"
                                << "DRNLQM";
        QTest::newRow("last") << QChar(u'M') << "RNLQM"
                              << "MRNLQ";
        QTest::newRow("empty") << QChar(u'x') << ""
                               << "x";
        QTest::newRow("full list drops its last")
            << QChar(u'@') << QString(255, u'A') << QString(u'@') + QString(254, u'A');
    }
    void mettreEnTete()
    {
        QFETCH(QChar, lettre);
        QFETCH(QString, liste);
        QFETCH(QString, attendu);
        Lettres::MettreEnTete(lettre, liste);
        QCOMPARE(liste, attendu);
    }

    void typesOrdonnes()
    {
        QCOMPARE(Lettres::TypesOrdonnes(u'?'), QStringLiteral("RNLQM"));
        QCOMPARE(Lettres::TypesOrdonnes(u'Q'), QStringLiteral("QRNLM"));
        QCOMPARE(Lettres::TypesOrdonnes(u'D'), QStringLiteral("DRNLQM"));
        QCOMPARE(Parametres.types, QStringLiteral("RNLQM")); // a copy: the setting stays
    }

    void formatParDefaut_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QChar>("attendu");
        QTest::newRow("MCQ") << QChar(u'M') << QChar(u'm');
        QTest::newRow("CSV type") << QChar(u'L') << QChar(u's');
        QTest::newRow("Questionnaire") << QChar(u'Q') << QChar(u'x');
        QTest::newRow("Directory") << QChar(u'R') << QChar(u'x');
        QTest::newRow("none") << QChar(u'?') << QChar(u'x');
    }
    void formatParDefaut()
    {
        QFETCH(QChar, type);
        QFETCH(QChar, attendu);
        QCOMPARE(Lettres::FormatParDefaut(type, u'L'), attendu);
    }

    void typePourCsv()
    {
        Parametres.open = QStringLiteral("/d/ouvert.csv");
        Parametres.types = QStringLiteral("NRLQM");
        QCOMPARE(Lettres::TypePourCsv(QStringLiteral("/d/autre.csv"), u'V'), QChar(u'V'));
        QCOMPARE(Lettres::TypePourCsv(QStringLiteral("/d/autre.csv"), u'?'), QChar(u'L'));
        // The remembered file gets the type of the last file closed.
        QCOMPARE(Lettres::TypePourCsv(QStringLiteral("/d/ouvert.csv"), u'?'), QChar(u'N'));
        Parametres.csvtyp.clear();
        QCOMPARE(Lettres::TypePourCsv(QStringLiteral("/d/autre.csv"), u'?'), QChar(u'N'));
        QVERIFY(!Lettres::EstTypeCsv(u'L'));
    }

    void indexMemorise()
    {
        Parametres.open = QStringLiteral("/home/a/Fiches.xaqq");
        Parametres.openum = 7;
        Parametres.recent = QStringLiteral("/home/a/autre.xaqr");
        Parametres.recnum = 3;
        QCOMPARE(Lettres::IndexMemorise(QStringLiteral("/home/a/Fiches.xaqq")), 7);
        QCOMPARE(Lettres::IndexMemorise(QStringLiteral("/home/a/fiches.xaqq")), -1);
        QCOMPARE(Lettres::IndexMemorise(QStringLiteral("/home/a/autre.xaqr")), 3);
        QCOMPARE(Lettres::IndexMemorise(QStringLiteral("/home/a/inconnu.xaqr")), -1);
    }

    void contexteAide()
    {
        QCOMPARE(Lettres::ContexteAide(u'Q'), 21);
        QCOMPARE(Lettres::ContexteAide(u'M'), 31);
        QCOMPARE(Lettres::ContexteAide(u'R'), 1);
        QCOMPARE(Lettres::ContexteAide(u'?'), 1);
    }

    void extension_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QChar>("format");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("xml Q") << QChar(u'Q') << QChar(u'x') << "xaqq";
        QTest::newRow("xml R") << QChar(u'R') << QChar(u'x') << "xaqr";
        QTest::newRow("native Q") << QChar(u'Q') << QChar(u'n') << "aqq";
        QTest::newRow("moodle") << QChar(u'M') << QChar(u'm') << "xml";
        QTest::newRow("cardfile") << QChar(u'Q') << QChar(u'c') << "crd";
        QTest::newRow("csv") << QChar(u'L') << QChar(u's') << "csv";
        QTest::newRow("text") << QChar(u'N') << QChar(u't') << "txt";
    }
    void extension()
    {
        QFETCH(QChar, type);
        QFETCH(QChar, format);
        QFETCH(QString, attendu);
        QCOMPARE(Lettres::Extension(type, format), attendu);
    }

    void filtres_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("Q") << QChar(u'Q') << "Questionnaire|*.xaqq;*.aqq";
        QTest::newRow("R") << QChar(u'R') << "Directory|*.xaqr;*.aqr;*.xml;*.crd";
        QTest::newRow("L") << QChar(u'L') << "Lists|*.xaql;*.aql;*.csv";
        QTest::newRow("M") << QChar(u'M') << "MCQ|*.xaqm;*.aqm;*.xml";
        QTest::newRow("N") << QChar(u'N') << "Notebook|*.xaqn;*.aqn;*.xml";
        QTest::newRow("unnamed") << QChar(u'G') << "G|*.xaqg;*.aqg";
    }
    void filtres()
    {
        QFETCH(QChar, type);
        QFETCH(QString, attendu);
        QCOMPARE(Lettres::FiltreOuverture(type), attendu);
    }

    void filtreSauvegarde()
    {
        QCOMPARE(Lettres::FiltreSauvegarde(u'Q', u'x'), QStringLiteral("XML|*.xaqq"));
        QCOMPARE(Lettres::FiltreSauvegarde(u'L', u's'), QStringLiteral("CSV|*.csv"));
    }

    void formatsSauvegarde_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QChar>("format");
        QTest::addColumn<QString>("frmats");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("XML questionnaire") << QChar(u'Q') << QChar(u'x') << "xscmt"
                                           << "x";
        QTest::newRow("CSV list") << QChar(u'L') << QChar(u's') << "xscmt"
                                  << "sx";
        QTest::newRow("Moodle MCQ") << QChar(u'M') << QChar(u'm') << "xscmt"
                                    << "mxg";
        QTest::newRow("XML directory") << QChar(u'R') << QChar(u'x') << "xscmt"
                                       << "xc";
        QTest::newRow("native questionnaire") << QChar(u'Q') << QChar(u'n') << "xscmt"
                                              << "nx";
        QTest::newRow("native once used") << QChar(u'Q') << QChar(u'x') << "nxscmt"
                                          << "xn";
        QTest::newRow("text first stays") << QChar(u'Q') << QChar(u't') << "xscmt"
                                          << "tx";
    }
    void formatsSauvegarde()
    {
        QFETCH(QChar, type);
        QFETCH(QChar, format);
        QFETCH(QString, frmats);
        QFETCH(QString, attendu);
        Parametres.frmats = frmats;
        TFichierX f(type, format);
        QCOMPARE(Lettres::FormatsSauvegarde(f), attendu);
        QCOMPARE(Parametres.frmats, frmats);
    }

    void formatsExport_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("questionnaire") << QChar(u'Q') << "mgakKqiQ";
        QTest::newRow("lists") << QChar(u'L') << "tkK";
        QTest::newRow("notebook") << QChar(u'N') << "tkK";
        QTest::newRow("dictionnaire") << QChar(u'D') << "kK";
        QTest::newRow("MCQ") << QChar(u'M') << "mgakKqiQ";
    }
    void formatsExport()
    {
        QFETCH(QChar, type);
        QFETCH(QString, attendu);
        TFichierX f(type, u'x');
        QCOMPARE(Lettres::FormatsExport(f), attendu);
    }

    void formatsExportSuitOrdre()
    {
        Parametres.frmats = QStringLiteral("tmx");
        TFichierX f(u'Q', u'x');
        f.Fragmenteur.clear();
        QCOMPARE(Lettres::FormatsExport(f), QStringLiteral("tmgakKqiQ"));
    }
};

QTEST_GUILESS_MAIN(TestLettres)
#include "tst_gui_lettres.moc"
