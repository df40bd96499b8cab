#include "formats/documentxml.h"
#include "formats/fiches/xml.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "outilstest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <QProcess>
#include <QtTest>

#include <functional>

using Preparer = std::function<void(TFichierX &)>;
Q_DECLARE_METATYPE(Preparer)

namespace {

// A document written by hand: the lines, each followed by the line end.
QByteArray Lignes(std::initializer_list<const char *> lignes, const char *saut = "\n")
{
    QByteArray resultat;
    for (const char *ligne : lignes)
        resultat += QByteArray(ligne) + saut;
    return resultat;
}

QString U(const char *texte)
{
    return QString::fromUtf8(texte);
}

const char *const EnteteQ
    = "<AMBLORINE VERSION=\"7.8\" TYPE=\"Q\" ID_FICHE=\"F\" ID_CHAMP0=\"I\" ID_CHAMP1=\"Q\" ID_CHAMP2=\"R\">";

// The options block of a new Questionnaire with the default settings.
QByteArray OptionsQ(const char *saut = "\n")
{
    return Lignes(
        {"<OPTIONS>", "<OU_VISIBLE>or</OU_VISIBLE>", "<OU_CACHE>;</OU_CACHE>", "<REPOSER_ERREURS VALEUR=\"non\"/>",
         "<SUIVRE_ORDRE VALEUR=\"non\"/>", "<BRIDER_ENTREE VALEUR=\"non\"/>", "<MOT_A_MOT VALEUR=\"non\"/>",
         "<DIFFERENCIER_CASSE VALEUR=\"non\"/>", "<PHONETIQUE VALEUR=\"non\"/>",
         "<NOMBRE_QUESTIONS>0</NOMBRE_QUESTIONS>", "<SCORE_SATISFAISANT>50</SCORE_SATISFAISANT>",
         "<CORRECTION VALEUR=\"non\"/>", "<TEMPS>0</TEMPS>", "<PONCTUATION>!\"',-.:;?</PONCTUATION>", "</OPTIONS>"},
        saut);
}

QByteArray Q(const QByteArray &cartes)
{
    return Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", EnteteQ, "<TITRE></TITRE>"}) + OptionsQ() + cartes
        + "</AMBLORINE>\n";
}

// The options the writer is given.
TOptions g_options;

void Reglages(bool xmlutf, bool lfonly, bool minsp)
{
    g_options.utf8Xml = xmlutf;
    g_options.lfSeul = lfonly;
    g_options.espacesMinimaux = minsp;
}

QString Message(const std::function<void()> &action)
{
    try {
        action();
    } catch (const ErreurIdInvalide &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TstXml : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;

    QString Chemin(const QString &nom) const { return m_dossier.filePath(nom); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dossier.isValid());
        OutilsTest::IsolerParametres(m_dossier);
    }

    void init()
    {
        ParametresParDefaut();
        Reglages(true, true, false);
    }

    // --- Writing ------------------------------------------------------------

    void ecriture_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<Preparer>("preparer");
        QTest::addColumn<bool>("xmlutf");
        QTest::addColumn<bool>("lfonly");
        QTest::addColumn<bool>("minsp");
        QTest::addColumn<QByteArray>("attendu");

        const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        const QByteArray enteteN
            = "<AMBLORINE VERSION=\"7.8\" TYPE=\"N\" ID_FICHE=\"F\" ID_CHAMP1=\"O\" ID_CHAMP2=\"C\">\n";
        const Preparer rien = [](TFichierX &) {};

        QTest::newRow("carnet neuf")
            << QChar(u'N') << rien << true << true << false
            << Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                       "<AMBLORINE VERSION=\"7.8\" TYPE=\"N\" ID_FICHE=\"F\" ID_CHAMP1=\"O\" ID_CHAMP2=\"C\">",
                       "<TITRE></TITRE>", "</AMBLORINE>"});
        QTest::newRow("carnet neuf CR LF")
            << QChar(u'N') << rien << true << false << false
            << Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                       "<AMBLORINE VERSION=\"7.8\" TYPE=\"N\" ID_FICHE=\"F\" ID_CHAMP1=\"O\" ID_CHAMP2=\"C\">",
                       "<TITRE></TITRE>", "</AMBLORINE>"},
                      "\r\n");
        QTest::newRow("Retour LF malgré lfonly") << QChar(u'N') << Preparer([](TFichierX &f) {
            f.Retour = QStringLiteral("LF");
            f.SetTitre(QStringLiteral("t"));
        }) << true << false << false
                                                 << Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                                                            "<AMBLORINE VERSION=\"7.8\" TYPE=\"N\" ID_FICHE=\"F\" "
                                                            "ID_CHAMP1=\"O\" ID_CHAMP2=\"C\" RETOUR=\"LF\">",
                                                            "<TITRE>t</TITRE>", "</AMBLORINE>"});
        QTest::newRow("Retour autre que LF")
            << QChar(u'N') << Preparer([](TFichierX &f) { f.Retour = QStringLiteral("CRLF"); }) << true << true << false
            << Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                       "<AMBLORINE VERSION=\"7.8\" TYPE=\"N\" ID_FICHE=\"F\" ID_CHAMP1=\"O\" ID_CHAMP2=\"C\" "
                       "RETOUR=\"CRLF\">",
                       "<TITRE></TITRE>", "</AMBLORINE>"},
                      "\r\n");

        const Preparer separateurs = [](TFichierX &f) {
            f.AjouterFiche(QStringLiteral("n1"), QStringLiteral("q1"), QStringLiteral("a;b"));
            f.AjouterFiche(QStringLiteral("n2"), QStringLiteral("q2"), QStringLiteral("a ; b"));
            f.AjouterFiche(QString(), QString(), QString());
        };
        QTest::newRow("questionnaire coupé")
            << QChar(u'Q') << separateurs << true << true << false
            << Q(Lignes({"<F>", "<I>n1</I>", "<Q>q1</Q>", "<R>a</R>", "<R CACHE=\"oui\">b</R>", "</F>", "<F>",
                         "<I>n2</I>", "<Q>q2</Q>", "<R>a </R>", "<R CACHE=\"oui\"> b</R>", "</F>", "<F>", "<I></I>",
                         "<Q></Q>", "<R></R>", "</F>"}));
        QTest::newRow("questionnaire minsp")
            << QChar(u'Q') << separateurs << true << true << true
            << Q(Lignes({"<F>", "<I>n1</I>", "<Q>q1</Q>", "<R>a;b</R>", "</F>", "<F>", "<I>n2</I>", "<Q>q2</Q>",
                         "<R>a</R>", "<R CACHE=\"oui\">b</R>", "</F>", "<F>", "<I></I>", "<Q></Q>", "<R></R>",
                         "</F>"}));
        QTest::newRow("questionnaire préservé minsp")
            << QChar(u'Q') << Preparer([](TFichierX &f) {
                   f.XmlSpace = QStringLiteral("preserve");
                   f.AjouterFiche(QStringLiteral("n"), QStringLiteral("q"), QStringLiteral("a ; b"));
               })
            << true << true << true
            << Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                       "<AMBLORINE VERSION=\"7.8\" TYPE=\"Q\" ID_FICHE=\"F\" ID_CHAMP0=\"I\" ID_CHAMP1=\"Q\" "
                       "ID_CHAMP2=\"R\" xml:space=\"preserve\">",
                       "<TITRE></TITRE>"})
                + OptionsQ()
                + Lignes(
                    {"<F>", "<I>n</I>", "<Q>q</Q>", "<R>a </R>", "<R CACHE=\"oui\"> b</R>", "</F>", "</AMBLORINE>"});

        QTest::newRow("QCM en CDATA") << QChar(u'M') << Preparer([](TFichierX &f) {
            f.AjouterFiche(QStringLiteral("n<"), QStringLiteral("x<y & z"), QStringLiteral("=a<b\r\n===\r\n=c"));
        }) << true << true << false
                                      << Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                                                 "<AMBLORINE VERSION=\"7.8\" TYPE=\"M\" ID_FICHE=\"F\" ID_CHAMP0=\"I\" "
                                                 "ID_CHAMP1=\"Q\" ID_CHAMP2=\"R\">",
                                                 "<TITRE></TITRE>", "<OPTIONS>", "<FRAGMENTEUR>===</FRAGMENTEUR>",
                                                 "</OPTIONS>", "<F>", "<I>n&lt;</I>", "<Q><![CDATA[x<y & z]]></Q>",
                                                 "<R><![CDATA[=a<b]]></R>", "<R><![CDATA[=c]]></R>", "</F>",
                                                 "</AMBLORINE>"});
        QTest::newRow("carnet échappé") << QChar(u'N') << Preparer([](TFichierX &f) {
            f.AjouterFiche(QStringLiteral("x<y & z > \"'"), QStringLiteral("a\tb\r\nc"));
        }) << true << true << false
                                        << declaration + enteteN
                + Lignes({"<TITRE></TITRE>", "<F>", "<O>x&lt;y &amp; z &gt; \"'</O>", "<C>a\tb", "c</C>", "</F>",
                          "</AMBLORINE>"});

        QTest::newRow("br avec feuille de style") << QChar(u'N') << Preparer([](TFichierX &f) {
            f.FeuilleStyle = QStringLiteral("style.xsl");
            f.Description = QStringLiteral("a\r\nb\tc");
        }) << true << true << false
                                                  << declaration
                + "<?xml-stylesheet type=\"text/xsl\" href=\"style.xsl\"?>\n" + enteteN
                + Lignes({"<TITRE></TITRE>", "<DESCRIPTION>a<br/>", "b<tab/>c</DESCRIPTION>", "</AMBLORINE>"});
        QTest::newRow("br préservé") << QChar(u'N') << Preparer([](TFichierX &f) {
            f.FeuilleStyle = QStringLiteral("style.xsl");
            f.XmlSpace = QStringLiteral("preserve");
            f.Description = QStringLiteral("a\r\nb");
        }) << true << true << false
                                     << declaration + "<?xml-stylesheet type=\"text/xsl\" href=\"style.xsl\"?>\n"
                + Lignes({"<AMBLORINE VERSION=\"7.8\" TYPE=\"N\" ID_FICHE=\"F\" ID_CHAMP1=\"O\" ID_CHAMP2=\"C\" "
                          "xml:space=\"preserve\">",
                          "<TITRE></TITRE>", "<DESCRIPTION>a<br/>b</DESCRIPTION>", "</AMBLORINE>"});
        QTest::newRow("br refusé par la fiche")
            << QChar(u'N') << Preparer([](TFichierX &f) {
                   f.FeuilleStyle = QStringLiteral("style.xsl");
                   f.BalisesControles = QStringLiteral("non");
                   f.Description = QStringLiteral("a\r\nb");
               })
            << true << false << false
            << Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                       "<?xml-stylesheet type=\"text/xsl\" href=\"style.xsl\"?>",
                       "<AMBLORINE VERSION=\"7.8\" TYPE=\"N\" ID_FICHE=\"F\" ID_CHAMP1=\"O\" ID_CHAMP2=\"C\" "
                       "BALISES_CONTROLES=\"non\">",
                       "<TITRE></TITRE>", "<DESCRIPTION>a", "b</DESCRIPTION>", "</AMBLORINE>"},
                      "\r\n");
        QTest::newRow("br sans feuille, oui") << QChar(u'N') << Preparer([](TFichierX &f) {
            f.BalisesControles = QStringLiteral("oui");
            f.SetTitre(QStringLiteral("a\tb"));
        }) << true << true << false
                                              << Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                                                         "<AMBLORINE VERSION=\"7.8\" TYPE=\"N\" ID_FICHE=\"F\" "
                                                         "ID_CHAMP1=\"O\" ID_CHAMP2=\"C\" BALISES_CONTROLES=\"oui\">",
                                                         "<TITRE>a<tab/>b</TITRE>", "</AMBLORINE>"});

        QTest::newRow("caractères d'option")
            << QChar(u'E') << Preparer([](TFichierX &f) {
                   f.SetAlternateur(u'|');
                   f.SetCommentaire(u'[');
                   f.Espacement = QStringLiteral(" ");
               })
            << true << true << false
            << Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                       "<AMBLORINE VERSION=\"7.8\" TYPE=\"E\" ID_FICHE=\"F\" ID_CHAMP1=\"O\" ID_CHAMP2=\"C\">",
                       "<TITRE></TITRE>", "<OPTIONS>", "<FRAGMENTEUR>\\n</FRAGMENTEUR>", "<ALTERNATEUR>|</ALTERNATEUR>",
                       "<COMMENTAIRE>[</COMMENTAIRE>", "<ESPACEMENT>\\s</ESPACEMENT>", "</OPTIONS>", "</AMBLORINE>"});
        QTest::newRow("espacement par défaut du questionnaire")
            << QChar(u'Q') << Preparer([](TFichierX &f) { f.Espacement = QStringLiteral(" "); }) << true << true
            << false << Q(QByteArray());
        QTest::newRow("questionnaire complet")
            << QChar(u'Q') << Preparer([](TFichierX &f) {
                   f.VersionCreation = QStringLiteral("6.1");
                   f.Signature = QStringLiteral("me");
                   f.SuivreOrdre = f.Correction = true;
                   f.NombreQuestions = 20;
                   f.Temps = 255;
                   f.AvecMotsIgnores = true;
                   f.MotsIgnores = QStringLiteral("le");
                   f.SetTroncature(u' ');
               })
            << true << true << false
            << Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                       "<AMBLORINE VERSION=\"7.8\" VERSION_CREATION=\"6.1\" TYPE=\"Q\" ID_FICHE=\"F\" ID_CHAMP0=\"I\" "
                       "ID_CHAMP1=\"Q\" ID_CHAMP2=\"R\">",
                       "<TITRE></TITRE>",
                       "<SIGNATURE>me</SIGNATURE>",
                       "<OPTIONS>",
                       "<OU_VISIBLE>or</OU_VISIBLE>",
                       "<OU_CACHE>;</OU_CACHE>",
                       "<REPOSER_ERREURS VALEUR=\"non\"/>",
                       "<SUIVRE_ORDRE VALEUR=\"oui\"/>",
                       "<BRIDER_ENTREE VALEUR=\"non\"/>",
                       "<MOT_A_MOT VALEUR=\"non\"/>",
                       "<DIFFERENCIER_CASSE VALEUR=\"non\"/>",
                       "<PHONETIQUE VALEUR=\"non\"/>",
                       "<NOMBRE_QUESTIONS>20</NOMBRE_QUESTIONS>",
                       "<SCORE_SATISFAISANT>50</SCORE_SATISFAISANT>",
                       "<CORRECTION VALEUR=\"oui\"/>",
                       "<TEMPS>255</TEMPS>",
                       "<PONCTUATION>!\"',-.:;?</PONCTUATION>",
                       "<MOTS_IGNORES>le</MOTS_IGNORES>",
                       "<TRONCATURE> </TRONCATURE>",
                       "</OPTIONS>",
                       "</AMBLORINE>"});

        QTest::newRow("étiquettes avec &") << QChar(u'N') << Preparer([](TFichierX &f) {
            f.SetEtiquettes(QStringLiteral("A&B"), QStringLiteral("<x>"), QStringLiteral("y\r\nz"));
        }) << true << true << false
                                           << declaration + enteteN
                + Lignes({"<TITRE></TITRE>", "<ETIQUETTES>", "<I>A&amp;B</I>", "<O>&lt;x&gt;</O>", "<C>y", "z</C>",
                          "</ETIQUETTES>", "</AMBLORINE>"});
        QTest::newRow("étiquettes QCM") << QChar(u'M') << Preparer([](TFichierX &f) {
            f.SetEtiquettes(QStringLiteral("A&B"), QStringLiteral("<x>"), QStringLiteral("y"));
            f.SetCanevas(QStringLiteral("c0"), QStringLiteral("c 1"), QStringLiteral("a\r\n===\r\nb"));
        }) << true << true << false
                                        << Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                                                   "<AMBLORINE VERSION=\"7.8\" TYPE=\"M\" ID_FICHE=\"F\" "
                                                   "ID_CHAMP0=\"I\" ID_CHAMP1=\"Q\" ID_CHAMP2=\"R\">",
                                                   "<TITRE></TITRE>", "<OPTIONS>", "<FRAGMENTEUR>===</FRAGMENTEUR>",
                                                   "</OPTIONS>", "<ETIQUETTES>", "<I>A&amp;B</I>",
                                                   "<Q><![CDATA[<x>]]></Q>", "<R><![CDATA[y]]></R>", "</ETIQUETTES>",
                                                   "<CANEVAS>", "<I>c0</I>", "<Q><![CDATA[c\\s1]]></Q>",
                                                   "<R><![CDATA[a\\n===\\nb]]></R>", "</CANEVAS>", "</AMBLORINE>"});
        QTest::newRow("listes numérotées")
            << QChar(u'L') << Preparer([](TFichierX &f) {
                   f.SetCanevas(QStringLiteral("c0"), QStringLiteral("c1"), QStringLiteral("x"));
                   f.AjouterFiche(QStringLiteral("t"), QStringLiteral("q"), QStringLiteral("a\r\nb"));
               })
            << true << true << false
            << Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                       "<AMBLORINE VERSION=\"7.8\" TYPE=\"L\" ID_FICHE=\"F\" ID_CHAMP2=\"C\">", "<TITRE></TITRE>",
                       "<CANEVAS>", "<C>x</C>", "</CANEVAS>", "<F>", "<C>a</C>", "<C>b</C>", "</F>", "</AMBLORINE>"});

        // The mends: nothing the writer produces is refused, nothing is lost.
        QTest::newRow("attributs et feuille échappés") << QChar(u'N') << Preparer([](TFichierX &f) {
            f.FeuilleStyle = QStringLiteral("a&b\"<?>.xsl");
            f.VersionCreation = QStringLiteral("1&<\"2");
        }) << true << true << false
                                                       << declaration
                + "<?xml-stylesheet type=\"text/xsl\" href=\"a&amp;b&quot;&lt;?&gt;.xsl\"?>\n"
                + Lignes({"<AMBLORINE VERSION=\"7.8\" VERSION_CREATION=\"1&amp;&lt;&quot;2\" TYPE=\"N\" ID_FICHE=\"F\" "
                          "ID_CHAMP1=\"O\" ID_CHAMP2=\"C\">",
                          "<TITRE></TITRE>", "</AMBLORINE>"});
        QTest::newRow("CDATA avec ]]>") << QChar(u'M') << Preparer([](TFichierX &f) {
            f.AjouterFiche(QString(), QStringLiteral("a]]>b"), QStringLiteral("]]>"));
        }) << true << true << false
                                        << Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                                                   "<AMBLORINE VERSION=\"7.8\" TYPE=\"M\" ID_FICHE=\"F\" "
                                                   "ID_CHAMP0=\"I\" ID_CHAMP1=\"Q\" ID_CHAMP2=\"R\">",
                                                   "<TITRE></TITRE>", "<OPTIONS>", "<FRAGMENTEUR>===</FRAGMENTEUR>",
                                                   "</OPTIONS>", "<F>", "<I></I>",
                                                   "<Q><![CDATA[a]]]]><![CDATA[>b]]></Q>",
                                                   "<R><![CDATA[]]]]><![CDATA[>]]></R>", "</F>", "</AMBLORINE>"});
        QTest::newRow("caractères interdits") << QChar(u'N') << Preparer([](TFichierX &f) {
            f.SetTitre(U("a\x01"
                         "b\x0b"
                         "c\x1f"
                         "d")
                       + QChar(0xFFFE) + QChar(0xD800) + U("e"));
            f.AjouterFiche(QStringLiteral("q"),
                           U("\x02"
                             "x\x7f"));
        }) << true << true << false
                                              << declaration + enteteN
                + Lignes({"<TITRE>abcde</TITRE>", "<F>", "<O>q</O>", "<C>x\x7f</C>", "</F>", "</AMBLORINE>"});

        // Code pages: the declaration names the page, characters it lacks
        // are references, line breaks inside texts stay CR LF.
        QTest::newRow("windows-1252")
            << QChar(u'N') << Preparer([](TFichierX &f) {
                   f.SetTitre(U("Caf\u00e9 \u20ac \u0142 \U0001F600"));
                   f.AjouterFiche(QStringLiteral("q"), QStringLiteral("l1\r\nl2"));
               })
            << false << true << false
            << Lignes({"<?xml version=\"1.0\" encoding=\"windows-1252\"?>",
                       "<AMBLORINE VERSION=\"7.8\" TYPE=\"N\" ID_FICHE=\"F\" ID_CHAMP1=\"O\" ID_CHAMP2=\"C\">",
                       "<TITRE>Caf\xe9 \x80 &#322; &#128512;</TITRE>", "<F>", "<O>q</O>", "<C>l1\r\nl2</C>", "</F>",
                       "</AMBLORINE>"});
        QTest::newRow("windows-1250 QCM")
            << QChar(u'M') << Preparer([](TFichierX &f) {
                   f.PageCode = 1250;
                   f.AjouterFiche(QString(), U("\u0142<\u00e6>"), U("\u00e6"));
               })
            << false << false << false
            << Lignes({"<?xml version=\"1.0\" encoding=\"windows-1250\"?>",
                       "<AMBLORINE VERSION=\"7.8\" TYPE=\"M\" ID_FICHE=\"F\" ID_CHAMP0=\"I\" ID_CHAMP1=\"Q\" "
                       "ID_CHAMP2=\"R\">",
                       "<TITRE></TITRE>", "<OPTIONS>", "<FRAGMENTEUR>===</FRAGMENTEUR>", "</OPTIONS>", "<F>", "<I></I>",
                       "<Q><![CDATA[\xb3<]]>&#230;<![CDATA[>]]></Q>", "<R><![CDATA[]]>&#230;<![CDATA[]]></R>", "</F>",
                       "</AMBLORINE>"},
                      "\r\n");
        QTest::newRow("nom hors de la page")
            << QChar(u'N') << Preparer([](TFichierX &f) {
                   f.IdFiche = U("\u0141");
                   f.SetTitre(U("\u00e9"));
                   f.AjouterFiche(QString(), QStringLiteral("x"));
               })
            << false << true << false
            << Lignes({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                       "<AMBLORINE VERSION=\"7.8\" TYPE=\"N\" ID_FICHE=\"\xc5\x81\" ID_CHAMP1=\"O\" ID_CHAMP2=\"C\">",
                       "<TITRE>\xc3\xa9</TITRE>", "<\xc5\x81>", "<O></O>", "<C>x</C>", "</\xc5\x81>", "</AMBLORINE>"});
        QTest::newRow("page inconnue")
            << QChar(u'N') << Preparer([](TFichierX &f) {
                   f.PageCode = 1;
                   f.SetTitre(U("\u00e9"));
               })
            << false << true << false
            << Lignes({"<?xml version=\"1.0\" encoding=\"windows-1252\"?>",
                       "<AMBLORINE VERSION=\"7.8\" TYPE=\"N\" ID_FICHE=\"F\" ID_CHAMP1=\"O\" ID_CHAMP2=\"C\">",
                       "<TITRE>\xe9</TITRE>", "</AMBLORINE>"});
    }

    void ecriture()
    {
        QFETCH(QChar, type);
        QFETCH(Preparer, preparer);
        QFETCH(bool, xmlutf);
        QFETCH(bool, lfonly);
        QFETCH(bool, minsp);
        QFETCH(QByteArray, attendu);
        Reglages(xmlutf, lfonly, minsp);
        TFichierX f(type, u'x');
        preparer(f);
        const QByteArray octets = TFichierXML::EcrireXml(f, g_options);
        QCOMPARE(octets, attendu);
        // Whatever the writer produced, the reader takes back.
        TDocumentXml doc;
        QVERIFY2(doc.Charger(octets), qPrintable(doc.MessageErreur()));
        QVERIFY(TFichierXML::LireXml(octets, true));
    }

    // Texts that needed a mend come back whole.
    void mendsRelus()
    {
        for (bool xmlutf : {true, false}) {
            Reglages(xmlutf, true, false);
            TFichierX f(u'M', u'x');
            f.FeuilleStyle = QStringLiteral("a&b\"<?>.xsl");
            f.BalisesControles = QStringLiteral("non");
            f.VersionCreation = QStringLiteral("1&<\"2\t");
            f.SetTitre(U("\u0142 & \u20ac \U0001F600"));
            f.AjouterFiche(U("n \u0142"), U("a]]>b \u0142 ]]"), U("<\u0142>"));
            auto relu = TFichierXML::LireXml(TFichierXML::EcrireXml(f, g_options), true);
            QCOMPARE(relu->FeuilleStyle, f.FeuilleStyle);
            QCOMPARE(relu->VersionCreation, f.VersionCreation);
            QCOMPARE(relu->Titre, f.Titre);
            QCOMPARE(relu->Fiche(0).Champ0(), f.Fiche(0).Champ0());
            QCOMPARE(relu->Fiche(0).Champ1(), f.Fiche(0).Champ1());
            QCOMPARE(relu->Fiche(0).Champ2(), f.Fiche(0).Champ2());
        }
    }

    // --- Reading ------------------------------------------------------------

    void refus_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("message");
        const QString code = U("Erreur dans l'écriture du code XML !");
        const QString invalide = U("Pas un fichier XML d'Amblorine valide !");
        QTest::newRow("vide") << QByteArray() << code;
        QTest::newRow("non fermé") << QByteArray("<?xml version=\"1.0\"?><AMBLORINE><F>") << code;
        QTest::newRow("mauvais encodage")
            << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><AMBLORINE><TITRE>\xe9</TITRE></AMBLORINE>")
            << code;
        QTest::newRow("encodage inconnu")
            << QByteArray("<?xml version=\"1.0\" encoding=\"klingon\"?><AMBLORINE/>") << code;
        QTest::newRow("doctype") << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE AMBLORINE><AMBLORINE/>") << code;
        QTest::newRow("entité externe") << QByteArray(
            "<?xml version=\"1.0\"?><!DOCTYPE AMBLORINE [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
            "<AMBLORINE><TITRE>&e;</TITRE></AMBLORINE>")
                                        << code;
        QTest::newRow("bombe") << QByteArray(
            "<!DOCTYPE AMBLORINE [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
            "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
            "<AMBLORINE><F><R>&d;&d;&d;&d;&d;&d;&d;&d;</R></F></AMBLORINE>")
                               << code;
        QTest::newRow("profond") << QByteArray("<AMBLORINE>" + QByteArray("<F>").repeated(5000) + "</AMBLORINE>")
                                 << code;
        QTest::newRow("attribut énorme") << QByteArray("<AMBLORINE TYPE=\"" + QByteArray(10000001, 'N') + "\"/>")
                                         << code;
        QTest::newRow("racine en minuscules")
            << QByteArray("<?xml version=\"1.0\"?><amblorine TYPE=\"Q\"/>") << invalide;
        QTest::newRow("quiz") << QByteArray("<?xml version=\"1.0\"?><quiz/>") << invalide;
    }

    void refus()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, message);
        for (const bool complet : {true, false}) {
            // libxml2's own words follow, when it had any: the first three and a count.
            const QStringList lignes = Message([&] { TFichierXML::LireXml(source, complet); }).split(u'\n');
            QCOMPARE(lignes.first(), message);
            QVERIFY2(lignes.size() <= 5, qPrintable(lignes.join(u'\n')));
            for (qsizetype i = 1; i < lignes.size(); ++i)
                QVERIFY2(lignes.at(i).startsWith(QLatin1String("XML parser"))
                             || (i == 4 && lignes.at(i).endsWith(QLatin1String("from the XML parser)"))),
                         qPrintable(lignes.at(i)));
        }
    }

    // A document cut anywhere is refused with one of the two messages, never
    // more: no crash, no other error.
    void documentsTronques()
    {
        const QByteArray source = OutilsTest::LireFichier(OutilsTest::DonneesTest(QStringLiteral("xml/manuel.xaqq")));
        QVERIFY(!source.isEmpty());
        const QStringList messages{U("Erreur dans l'écriture du code XML !"),
                                   U("Pas un fichier XML d'Amblorine valide !")};
        int refuses = 0;
        for (qsizetype n = 0; n < source.size(); ++n) {
            try {
                TFichierXML::LireXml(source.left(n), true);
            } catch (const ErreurIdInvalide &e) {
                QVERIFY2(messages.contains(e.message().section(u'\n', 0, 0)), qPrintable(e.message()));
                ++refuses;
            }
        }
        // Only cuts in the trailing line break leave a whole document.
        QVERIFY(refuses >= source.size() - 2);
    }

    void lectureManuelle()
    {
        const QString nom = OutilsTest::DonneesTest(QStringLiteral("xml/manuel.xaqq"));
        auto f = TFichierXML::ChargerXml(nom, false, true);
        QCOMPARE(f->TypeFichier, QChar(u'Q'));
        QCOMPARE(f->FormatFichier, QChar(u'x'));
        QCOMPARE(f->NomFichier, nom);
        QVERIFY(!f->Modifiable);
        QVERIFY(!f->Modifie);
        QVERIFY(f->Flux);
        QCOMPARE(f->FeuilleStyle, QString()); // the instruction follows a comment
        QVERIFY(f->VersionCreation.isEmpty());
        QCOMPARE(f->Retour, QStringLiteral("LF"));
        QCOMPARE(f->BalisesControles, QStringLiteral("oui"));
        QCOMPARE(f->Titre, QStringLiteral("Capitals"));
        QCOMPARE(f->Description, QStringLiteral("line 1\r\nline 2"));
        QVERIFY(f->AvecOptions);
        QCOMPARE(f->Temps, quint8(30));
        QCOMPARE(f->NombreQuestions, quint8(255));
        QCOMPARE(f->ScoreSatisfaisant, quint8(50));
        QVERIFY(f->Phonetique);
        QVERIFY(!f->Correction);
        QCOMPARE(f->Fragmenteur, QStringLiteral(";"));
        QCOMPARE(f->Alternateur, QChar(u' '));
        QCOMPARE(f->Commentaire, QChar(u'['));
        QCOMPARE(f->Troncature, QChar(u'*'));
        QCOMPARE(f->OuVisible, QStringLiteral("ou"));
        QVERIFY(f->AvecMotsIgnores);
        QCOMPARE(f->MotsIgnores, QStringLiteral("le la les"));
        QCOMPARE(f->NombreFiches(), 2);
        QCOMPARE(f->Fiche(0).Champ0(), QStringLiteral("geo\r\ngraphy"));
        QCOMPARE(f->Fiche(0).Champ1(), QStringLiteral("Capital of?\t(city)"));
        QCOMPARE(f->Fiche(0).Champ2(), QStringLiteral("Paris ; paris ou Lutetia"));
        QCOMPARE(f->Fiche(1).Champ0(), QString());
        QCOMPARE(f->Fiche(1).Champ1(), QStringLiteral("Empty"));
        QCOMPARE(f->Fiche(1).Champ2(), QString());
    }

    void lecture_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("champ");
        QTest::addColumn<QString>("valeur");

        QTest::newRow("sans TYPE") << QByteArray("<AMBLORINE/>") << "TypeFichier"
                                   << "Q";
        QTest::newRow("TYPE vide") << QByteArray("<AMBLORINE TYPE=\"\"/>") << "TypeFichier"
                                   << "Q";
        QTest::newRow("TYPE n") << QByteArray("<AMBLORINE TYPE=\"notebook\"/>") << "TypeFichier"
                                << "N";
        QTest::newRow("Q sans OPTIONS: score") << QByteArray("<AMBLORINE/>") << "ScoreSatisfaisant"
                                               << "50";
        QTest::newRow("Q sans OPTIONS: ou") << QByteArray("<AMBLORINE/>") << "OuVisible"
                                            << "or";
        QTest::newRow("Q sans OPTIONS: ponctuation") << QByteArray("<AMBLORINE/>") << "Ponctuation"
                                                     << "!\"',-.:;?";
        QTest::newRow("N sans OPTIONS") << QByteArray("<AMBLORINE TYPE=\"N\"/>") << "AvecOptions"
                                        << "0";
        QTest::newRow("N avec OPTIONS") << QByteArray("<AMBLORINE TYPE=\"N\"><OPTIONS/></AMBLORINE>") << "AvecOptions"
                                        << "1";
        QTest::newRow("score abc") << QByteArray(
            "<AMBLORINE><OPTIONS><SCORE_SATISFAISANT>abc</SCORE_SATISFAISANT></OPTIONS></AMBLORINE>")
                                   << "ScoreSatisfaisant"
                                   << "50";
        QTest::newRow("score 300") << QByteArray(
            "<AMBLORINE><OPTIONS><SCORE_SATISFAISANT>300</SCORE_SATISFAISANT></OPTIONS></AMBLORINE>")
                                   << "ScoreSatisfaisant"
                                   << "44";
        QTest::newRow("temps abc") << QByteArray("<AMBLORINE><OPTIONS><TEMPS>1x</TEMPS></OPTIONS></AMBLORINE>")
                                   << "Temps"
                                   << "0";
        QTest::newRow("OUI") << QByteArray("<AMBLORINE><OPTIONS><MOT_A_MOT VALEUR=\"OUI\"/></OPTIONS></AMBLORINE>")
                             << "MotAMot"
                             << "1";
        QTest::newRow("sans VALEUR") << QByteArray(
            "<AMBLORINE><OPTIONS><REPOSER_ERREURS/><MOT_A_MOT VALEUR=\"yes\"/></OPTIONS></AMBLORINE>")
                                     << "ReposerErreurs"
                                     << "0";
        QTest::newRow("quiz ignoré hors questionnaire")
            << QByteArray("<AMBLORINE TYPE=\"D\"><OPTIONS><MOT_A_MOT "
                          "VALEUR=\"oui\"/><FRAGMENTEUR>\\s#\\s</FRAGMENTEUR></OPTIONS></AMBLORINE>")
            << "MotAMot"
            << "0";
        QTest::newRow("FRAGMENTEUR désechappé")
            << QByteArray("<AMBLORINE TYPE=\"D\"><OPTIONS><FRAGMENTEUR>\\s#\\n</FRAGMENTEUR></OPTIONS></AMBLORINE>")
            << "Fragmenteur"
            << " #\r\n";
        QTest::newRow("FRAGMENTEUR ignoré en questionnaire")
            << QByteArray("<AMBLORINE><OPTIONS><FRAGMENTEUR>#</FRAGMENTEUR></OPTIONS></AMBLORINE>") << "Fragmenteur"
            << ";";
        QTest::newRow("ESPACEMENT") << QByteArray(
            "<AMBLORINE><OPTIONS><ESPACEMENT>\\n</ESPACEMENT></OPTIONS></AMBLORINE>")
                                    << "Espacement"
                                    << "\r\n";
        QTest::newRow("ALTERNATEUR vide")
            << QByteArray("<AMBLORINE><OPTIONS><ALTERNATEUR/></OPTIONS></AMBLORINE>") << "Alternateur"
            << " ";
        QTest::newRow("TITRE rogné") << QByteArray("<AMBLORINE><TITRE>  x  </TITRE></AMBLORINE>") << "Titre"
                                     << "x";
        QTest::newRow("SIGNATURE rognée")
            << QByteArray("<AMBLORINE><SIGNATURE> \n x \t</SIGNATURE></AMBLORINE>") << "Signature"
            << "x";
        QTest::newRow("SIGNATURE préservée")
            << QByteArray("<AMBLORINE xml:space=\"preserve\"><SIGNATURE>  x  </SIGNATURE></AMBLORINE>") << "Signature"
            << "  x  ";
        QTest::newRow("SIGNATURE sur deux lignes")
            << QByteArray("<AMBLORINE><SIGNATURE>a\r\nb</SIGNATURE></AMBLORINE>") << "Signature"
            << "a\nb";
        QTest::newRow("DESCRIPTION sur deux lignes")
            << QByteArray("<AMBLORINE><DESCRIPTION>a\r\nb\rc</DESCRIPTION></AMBLORINE>") << "Description"
            << "a\r\nb\r\nc";
        QTest::newRow("br actifs") << QByteArray("<AMBLORINE BALISES_CONTROLES=\"Oui\"><DESCRIPTION>a<br/>\n  "
                                                 "b<tab/>c<i>x</i><!--y-->d</DESCRIPTION></AMBLORINE>")
                                   << "Description"
                                   << "a\r\nb\tcd";
        QTest::newRow("br par la feuille")
            << QByteArray("<?xml-stylesheet type=\"text/xsl\" "
                          "href=\"s.xsl\"?><AMBLORINE><DESCRIPTION>a<br/>\nb</DESCRIPTION></AMBLORINE>")
            << "Description"
            << "a\r\nb";
        QTest::newRow("br inactifs") << QByteArray(
            "<AMBLORINE><DESCRIPTION>a<br/>b<tab/>c<i>x</i></DESCRIPTION></AMBLORINE>")
                                     << "Description"
                                     << "abcx";
        QTest::newRow("br préservés") << QByteArray(
            "<AMBLORINE BALISES_CONTROLES=\"oui\" xml:space=\"preserve\"><DESCRIPTION> a<br/>\nb "
            "</DESCRIPTION></AMBLORINE>")
                                      << "Description"
                                      << " a\r\n\r\nb ";
        QTest::newRow("feuille après commentaire")
            << QByteArray("<!--x--><?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?><AMBLORINE/>") << "FeuilleStyle"
            << "";
        QTest::newRow("feuille css") << QByteArray(
            "<?xml-stylesheet type=\"text/css\" href=\"style.css\"?><AMBLORINE/>")
                                     << "FeuilleStyle"
                                     << "";
        QTest::newRow("la dernière feuille")
            << QByteArray("<?xml version=\"1.0\"?>\n<?xml-stylesheet href=\"a.xsl\"?>\n<?autre?>\n"
                          "<?xml-stylesheet type=\"text/xsl\" href=\"dir/b.xsl\" media=\"x\"?>\n<?xml-stylesheet "
                          "href=\"c.css\"?><AMBLORINE/>")
            << "FeuilleStyle"
            << "dir/b.xsl";
        QTest::newRow("feuille échappée") << QByteArray("<?xml-stylesheet href=\"a&amp;b&#233;.xsl\"?><AMBLORINE/>")
                                          << "FeuilleStyle" << U("a&b\u00e9.xsl");
        QTest::newRow("VERSION seule") << QByteArray("<AMBLORINE VERSION=\"5.0\"/>") << "VersionCreation"
                                       << "5.0";
        QTest::newRow("VERSION_CREATION")
            << QByteArray("<AMBLORINE VERSION=\"7.8\" VERSION_CREATION=\"6.0\"/>") << "VersionCreation"
            << "6.0";
        QTest::newRow("ID_FICHE invalide") << QByteArray("<AMBLORINE ID_FICHE=\"1x\"/>") << "IdFiche"
                                           << "F";
        QTest::newRow("ID_FICHE") << QByteArray("<AMBLORINE ID_FICHE=\"CARTE\"/>") << "IdFiche"
                                  << "CARTE";
        QTest::newRow("sans ID_CHAMP0") << QByteArray("<AMBLORINE/>") << "AvecTitre"
                                        << "0";
        QTest::newRow("ID_CHAMP1 sur liste") << QByteArray("<AMBLORINE TYPE=\"L\" ID_CHAMP1=\"X\"/>") << "Numerote"
                                             << "0";
        QTest::newRow("RETOUR") << QByteArray("<AMBLORINE RETOUR=\"lf\"/>") << "Retour"
                                << "LF";
        QTest::newRow("xml:space") << QByteArray("<AMBLORINE xml:space=\"Preserve\"/>") << "XmlSpace"
                                   << "Preserve";
        QTest::newRow("encodage 1250") << QByteArray("<?xml version=\"1.0\" encoding=\"windows-1250\"?><AMBLORINE/>")
                                       << "PageCode"
                                       << "1250";
        QTest::newRow("encodage UTF-8") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><AMBLORINE/>")
                                        << "PageCode"
                                        << "1252";
        // Joining the answers.
        QTest::newRow("CACHE joint") << QByteArray(
            "<AMBLORINE ID_CHAMP0=\"I\"><F><R>a</R><R CACHE=\"OUI\">b</R></F></AMBLORINE>")
                                     << "Champ2"
                                     << "a ; b";
        QTest::newRow("sans CACHE") << QByteArray("<AMBLORINE><F><R>a</R><R>b</R></F></AMBLORINE>") << "Champ2"
                                    << "a or b";
        QTest::newRow("CACHE préservé") << QByteArray(
            "<AMBLORINE xml:space=\"preserve\"><F><R>a</R><R CACHE=\"oui\">b</R></F></AMBLORINE>")
                                        << "Champ2"
                                        << "a;b";
        QTest::newRow("CACHE sans séparateur")
            << QByteArray("<AMBLORINE><OPTIONS><OU_CACHE/></OPTIONS><F><R>a</R><R CACHE=\"oui\">b</R></F></AMBLORINE>")
            << "Champ2"
            << "a or b";
        QTest::newRow("CACHE sans mot visible") << QByteArray(
            "<AMBLORINE><OPTIONS><OU_VISIBLE/></OPTIONS><F><R>a</R><R CACHE=\"oui\">b</R></F></AMBLORINE>")
                                                << "Champ2"
                                                << "a ; b";
        QTest::newRow("liste jointe") << QByteArray(
            "<AMBLORINE TYPE=\"L\"><F><O>x</O><C>a</C><C CACHE=\"oui\">b</C></F></AMBLORINE>")
                                      << "Champ2"
                                      << "a\r\nb";
        QTest::newRow("carnet joint") << QByteArray("<AMBLORINE TYPE=\"N\"><F><C>a</C><C>b</C></F></AMBLORINE>")
                                      << "Champ2"
                                      << "a\r\nb";
        QTest::newRow("liste sans question")
            << QByteArray("<AMBLORINE TYPE=\"L\"><F><O>x</O><C>a</C></F></AMBLORINE>") << "Champ1"
            << "";
        QTest::newRow("QCM CDATA") << QByteArray(
            "<AMBLORINE TYPE=\"M\"><F><R><![CDATA[ a<b ]]></R><R><![CDATA[c]]></R></F></AMBLORINE>")
                                   << "Champ2"
                                   << "a<b\r\n===\r\nc";
        QTest::newRow("champ imbriqué ignoré")
            << QByteArray("<AMBLORINE><F><X><R>a</R></X><R>b</R></F></AMBLORINE>") << "Champ2"
            << "b";
        // Captions and canvas.
        QTest::newRow("étiquettes") << QByteArray(
            "<AMBLORINE TYPE=\"N\"><ETIQUETTES><C>c &amp; d</C></ETIQUETTES></AMBLORINE>")
                                    << "Etiquettes"
                                    << "||c & d|1";
        QTest::newRow("étiquettes vides")
            << QByteArray("<AMBLORINE TYPE=\"N\"><ETIQUETTES/></AMBLORINE>") << "Etiquettes"
            << "|||1";
        QTest::newRow("canevas") << QByteArray(
            "<AMBLORINE ID_CHAMP0=\"I\"><CANEVAS><I> t </I><Q>a\\sb</Q><R>\\tx\\n</R></CANEVAS></AMBLORINE>")
                                 << "Canevas"
                                 << "t|a b|\tx\r\n|1";
    }

    void lecture()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, champ);
        QFETCH(QString, valeur);
        auto f = TFichierXML::LireXml(source, true);
        QString lu;
        if (champ == QLatin1String("TypeFichier"))
            lu = f->TypeFichier;
        else if (champ == QLatin1String("ScoreSatisfaisant"))
            lu = QString::number(f->ScoreSatisfaisant);
        else if (champ == QLatin1String("Temps"))
            lu = QString::number(f->Temps);
        else if (champ == QLatin1String("OuVisible"))
            lu = f->OuVisible;
        else if (champ == QLatin1String("Ponctuation"))
            lu = f->Ponctuation;
        else if (champ == QLatin1String("AvecOptions"))
            lu = QString::number(f->AvecOptions);
        else if (champ == QLatin1String("MotAMot"))
            lu = QString::number(f->MotAMot);
        else if (champ == QLatin1String("ReposerErreurs"))
            lu = QString::number(f->ReposerErreurs);
        else if (champ == QLatin1String("Fragmenteur"))
            lu = f->Fragmenteur;
        else if (champ == QLatin1String("Espacement"))
            lu = f->Espacement;
        else if (champ == QLatin1String("Alternateur"))
            lu = f->Alternateur;
        else if (champ == QLatin1String("Titre"))
            lu = f->Titre;
        else if (champ == QLatin1String("Signature"))
            lu = f->Signature;
        else if (champ == QLatin1String("Description"))
            lu = f->Description;
        else if (champ == QLatin1String("FeuilleStyle"))
            lu = f->FeuilleStyle;
        else if (champ == QLatin1String("VersionCreation"))
            lu = f->VersionCreation;
        else if (champ == QLatin1String("IdFiche"))
            lu = f->IdFiche;
        else if (champ == QLatin1String("AvecTitre"))
            lu = QString::number(f->AvecTitre);
        else if (champ == QLatin1String("Numerote"))
            lu = QString::number(f->Numerote);
        else if (champ == QLatin1String("Retour"))
            lu = f->Retour;
        else if (champ == QLatin1String("XmlSpace"))
            lu = f->XmlSpace;
        else if (champ == QLatin1String("PageCode"))
            lu = QString::number(f->PageCode);
        else if (champ == QLatin1String("Champ1"))
            lu = f->Fiche(0).Champ1();
        else if (champ == QLatin1String("Champ2"))
            lu = f->Fiche(0).Champ2();
        else if (champ == QLatin1String("Etiquettes"))
            lu = QStringList{f->Etiquettes.Champ0(), f->Etiquettes.Champ1(), f->Etiquettes.Champ2(),
                             QString::number(f->AvecEtiquettes)}
                     .join(u'|');
        else if (champ == QLatin1String("Canevas"))
            lu = QStringList{f->Canevas.Champ0(), f->Canevas.Champ1(), f->Canevas.Champ2(),
                             QString::number(f->AvecCanevas)}
                     .join(u'|');
        else
            QFAIL("unknown field");
        QCOMPARE(lu, valeur);
        QVERIFY(!f->Modifie);
    }

    void codePages_data()
    {
        QTest::addColumn<QString>("fichier");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("titre");
        QTest::addColumn<QString>("champ1");
        QTest::addColumn<QString>("champ2");
        QTest::newRow("windows-1252") << "windows-1252.xaqr" << 1252 << U("Caf\u00e9 \u20ac") << U("\u0153uvre")
                                      << U("\u00e0 la \u00ab carte \u00bb");
        QTest::newRow("windows-1250") << "windows-1250.xaqn" << 1250 << U("\u0141\u00f3d\u017a") << U("\u017d\u00e1k")
                                      << U("\u0161\u010d\u0159 \u20ac \u3042");
    }

    // Code-page documents read, then write back byte for byte in their page.
    void codePages()
    {
        QFETCH(QString, fichier);
        QFETCH(int, page);
        QFETCH(QString, titre);
        QFETCH(QString, champ1);
        QFETCH(QString, champ2);
        const QString nom = OutilsTest::DonneesTest(QStringLiteral("xml/") + fichier);
        const QByteArray source = OutilsTest::LireFichier(nom);
        auto f = TFichierXML::LireXml(source, true);
        QCOMPARE(int(f->PageCode), page);
        QCOMPARE(f->Titre, titre);
        QCOMPARE(f->Fiche(0).Champ1(), champ1);
        QCOMPARE(f->Fiche(0).Champ2(), champ2);
        Reglages(false, !source.contains("\r\n"), false);
        QByteArray attendu = source;
        attendu.replace("&#8364;", "\x80"); // the euro exists in windows-1250
        QCOMPARE(TFichierXML::EcrireXml(*f, g_options), attendu);
    }

    // A model: layout, options, captions and canvas, but no texts or cards,
    // and no file kept.
    void modele()
    {
        const QByteArray source = "<?xml-stylesheet href=\"s.xsl\"?>"
                                  "<AMBLORINE VERSION=\"7.8\" VERSION_CREATION=\"6.0\" TYPE=\"Q\" ID_CHAMP0=\"I\" "
                                  "ID_CHAMP1=\"Q\" ID_CHAMP2=\"R\">"
                                  "<TITRE>t</TITRE><SIGNATURE>s</SIGNATURE><DESCRIPTION>d</DESCRIPTION>"
                                  "<OPTIONS><TEMPS>9</TEMPS></OPTIONS><ETIQUETTES><I>e0</I></ETIQUETTES>"
                                  "<CANEVAS><R>c2</R></CANEVAS><F><R>a</R></F></AMBLORINE>";
        const QString nom = Chemin(QStringLiteral("modele.xaqq"));
        QVERIFY(OutilsTest::EcrireFichier(nom, source));
        auto f = TFichierXML::ChargerXml(nom, true, false);
        QVERIFY(f->Titre.isEmpty());
        QVERIFY(f->Signature.isEmpty());
        QVERIFY(f->Description.isEmpty());
        QVERIFY(f->VersionCreation.isEmpty());
        QCOMPARE(f->NombreFiches(), 0);
        QCOMPARE(f->Temps, quint8(9));
        QCOMPARE(f->Etiquettes.Champ0(), QStringLiteral("e0"));
        QCOMPARE(f->Canevas.Champ2(), QStringLiteral("c2"));
        QCOMPARE(f->FeuilleStyle, QStringLiteral("s.xsl"));
        QVERIFY(f->NomFichier.isEmpty());
        QVERIFY(!f->Flux);
        QVERIFY(f->Modifiable);
        QVERIFY(!f->Modifie);
        // The file was let go: it opens for writing at once.
        QVERIFY(TFlux::Ouvrir(nom, true));
    }

    // --- Round trips ----------------------------------------------------------

    void allerRetour_data()
    {
        QTest::addColumn<QChar>("type");
        QTest::addColumn<Preparer>("preparer");
        QTest::addColumn<bool>("stable");
        // Texts as the editor stores them: trimmed, alternatives spaced.
        const Preparer riche = [](TFichierX &f) {
            f.InitialiserNouveau(TOptions());
            f.SetTitre(U("Titre \u00e9 & <\u0142>"));
            f.Signature = QStringLiteral("auteur");
            f.Description = U("ligne 1\r\n\tligne 2 \u20ac");
            f.SetEtiquettes(QStringLiteral("N&m"), QStringLiteral("Q<"), U("R\u0142"));
            f.SetCanevas(QStringLiteral("c0"), QStringLiteral(" c1 "), QStringLiteral("a\r\nb"));
            f.AjouterFiche(QStringLiteral("n1"), U("q \u0142 ]]> 1"), QStringLiteral("a ; b ; c"));
            f.AjouterFiche(QStringLiteral("n2"), QStringLiteral("q\r\n2"), QStringLiteral("x\r\ny\tz"));
            f.AjouterFiche(QString(), QString(), QString());
        };
        QTest::newRow("Q") << QChar(u'Q') << riche << true;
        QTest::newRow("M") << QChar(u'M') << riche << true;
        QTest::newRow("N") << QChar(u'N') << riche << true;
        QTest::newRow("L") << QChar(u'L') << riche << true;
        // Split at bare line breaks, joined back with spaces around them:
        // stable from the second write on.
        QTest::newRow("E") << QChar(u'E') << Preparer([riche](TFichierX &f) {
            riche(f);
            f.Espacement = QStringLiteral(" ");
            f.SetAlternateur(u'|');
            f.SetTroncature(u' ');
        }) << false;
        QTest::newRow("Q non normalisé") << QChar(u'Q') << Preparer([riche](TFichierX &f) {
            riche(f);
            f.AjouterFiche(QStringLiteral("n"), QStringLiteral("q"), QStringLiteral("a;b"));
        }) << false;
        QTest::newRow("Q feuille de style") << QChar(u'Q') << Preparer([riche](TFichierX &f) {
            riche(f);
            f.FeuilleStyle = QStringLiteral("../x&y.xsl");
            f.AvecMotsIgnores = true;
            f.MotAMot = true;
            f.ScoreSatisfaisant = 80;
        }) << true;
        QTest::newRow("D préservé") << QChar(u'D') << Preparer([riche](TFichierX &f) {
            riche(f);
            f.FeuilleStyle = QStringLiteral("x.xsl");
            f.XmlSpace = QStringLiteral("preserve");
            f.Retour = QStringLiteral("LF");
        }) << true;
        QTest::newRow("Q 1250") << QChar(u'Q') << Preparer([riche](TFichierX &f) {
            riche(f);
            f.PageCode = 1250;
        }) << true;
    }

    // XML written by the writer reads and writes back byte for byte, in
    // both encodings and both line-end styles, with and without minsp.
    void allerRetour()
    {
        QFETCH(QChar, type);
        QFETCH(Preparer, preparer);
        QFETCH(bool, stable);
        for (int reglage = 0; reglage < 8; ++reglage) {
            Reglages(reglage & 1, reglage & 2, reglage & 4);
            TFichierX f(type, u'x');
            preparer(f);
            const QByteArray premier = TFichierXML::EcrireXml(f, g_options);
            auto relu = TFichierXML::LireXml(premier, true);
            QCOMPARE(relu->NombreFiches(), f.NombreFiches());
            const QByteArray second = TFichierXML::EcrireXml(*relu, g_options);
            if (stable)
                QCOMPARE(second, premier);
            const QByteArray troisieme = TFichierXML::EcrireXml(*TFichierXML::LireXml(second, true), g_options);
            QCOMPARE(troisieme, second);
        }
    }

    // --- Files and the command-line tool ----------------------------------------

    void enregistrement()
    {
        TFichierX f(u'Q', u'n');
        f.AjouterFiche(QStringLiteral("n"), QStringLiteral("q"), QStringLiteral("r"));
        const QString nom = Chemin(QStringLiteral("e.xaqq"));
        TFichierXML::EnregistrerXml(f, nom, true);
        QCOMPARE(f.FormatFichier, QChar(u'x'));
        QCOMPARE(f.NomFichier, nom);
        QVERIFY(!f.Modifie);
        QVERIFY(f.Flux);
        const QByteArray premier = OutilsTest::LireFichier(nom);
        QCOMPARE(premier, TFichierXML::EcrireXml(f, g_options));

        // In place (a failed write is a row of tst_echecs).
        f.ModifierFiche(0, QStringLiteral("n"), QStringLiteral("q"), QStringLiteral("autre"));
        QVERIFY(f.Modifie);
        TFichierXML::EnregistrerXml(f, nom, false);
        f.Flux.reset();
        auto relu = TFichierXML::ChargerXml(nom, true, true);
        QCOMPARE(relu->Fiche(0).Champ2(), QStringLiteral("autre"));
        QVERIFY(relu->Modifiable);
    }
};

QTEST_GUILESS_MAIN(TstXml)
#include "tst_xml.moc"
