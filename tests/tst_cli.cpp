// amblopad-cli as a process: every command-line case in one table (usage
// errors, exit codes, messages, what each format's files give), plus the
// special files that need the system to make them.
#include "outilstest.h"
#include "verifanki.h"
#include "support/octetscrd.h"
#include "support/octetsnatif.h"
#include "support/questionsmoodle.h"

#include "formats/formats.h"
#include "formats/quiz/moodle.h"
#include "model/fichierx.h"
#include "model/outils.h"
#include "orthographe/orthographe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>

#include <functional>
#include <optional>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString MessageChampsManquants = QStringLiteral("Not enough fields found in the CSV file\u00A0!");

QString U(const char *texte)
{
    return QString::fromUtf8(texte);
}

struct Resultat
{
    int code = -1;
    QByteArray sortie;
    QByteArray erreur;
};

// What a case's checks may use: its folder, its runs, and more runs.
class TBancCli
{
public:
    explicit TBancCli(const QString &dossier) : m_dossier(dossier) { }

    // "@nom" is the case's file nom, "data:chemin" a file of tests/data.
    QString Chemin(const QString &argument) const
    {
        if (argument.startsWith(u'@'))
            return m_dossier + u'/' + argument.mid(1);
        if (argument.startsWith(QLatin1String("data:")))
            return OutilsTest::DonneesTest(argument.mid(5));
        return argument;
    }

    QString Reglages() const { return m_dossier + QStringLiteral("/cli.ini"); }

    Resultat Lancer(const QStringList &arguments) const
    {
        QStringList args;
        for (const QString &a : arguments)
            args << Chemin(a);
        const auto r = OutilsTest::LancerCli(args, Reglages());
        return {r.code, r.sortie, r.erreurs};
    }

    QByteArray Lire(const QString &argument) const { return OutilsTest::LireFichier(Chemin(argument)); }

    QList<Resultat> resultats;

private:
    QString m_dossier;
};

// One run of the tool and what must come of it.
struct Etape
{
    QStringList arguments;
    int code = 0;
    std::optional<QByteArray> sortie; // standard output, exactly
    QByteArrayList sortieContient;
    std::optional<QByteArray> debutSortie; // standard output starts with this
    std::optional<QByteArray> finSortie;   // standard output ends with this
    std::optional<QByteArray> erreur;      // standard error, exactly
    std::optional<QString> erreurRognee;   // standard error as text, ends trimmed
    QByteArrayList erreurContient;
    bool messageSeul = false;                   // one line, no usage text
    QList<QPair<QString, QByteArray>> produits; // files written, byte for byte
    QStringList absents;                        // files that must not be there after
};

// A command-line case: files made beforehand, settings, runs, further checks.
struct CasCli
{
    QList<QPair<QString, QByteArray>> fichiers;
    QList<QPair<QString, QVariant>> reglages;
    QList<Etape> etapes;
    std::function<void(TBancCli &)> verifier;

    CasCli &Fichier(const QString &nom, const QByteArray &octets)
    {
        fichiers.append({nom, octets});
        return *this;
    }
    CasCli &Reglage(const QString &cle, const QVariant &valeur)
    {
        reglages.append({cle, valeur});
        return *this;
    }
    CasCli &Lancer(const QStringList &arguments, int code = 0)
    {
        Etape e;
        e.arguments = arguments;
        e.code = code;
        etapes.append(e);
        return *this;
    }
    CasCli &Sortie(const QByteArray &o)
    {
        etapes.last().sortie = o;
        return *this;
    }
    CasCli &SortieContient(const QByteArray &o)
    {
        etapes.last().sortieContient << o;
        return *this;
    }
    CasCli &DebutSortie(const QByteArray &o)
    {
        etapes.last().debutSortie = o;
        return *this;
    }
    CasCli &FinSortie(const QByteArray &o)
    {
        etapes.last().finSortie = o;
        return *this;
    }
    CasCli &Erreur(const QByteArray &o)
    {
        etapes.last().erreur = o;
        return *this;
    }
    CasCli &ErreurRognee(const QString &o)
    {
        etapes.last().erreurRognee = o;
        return *this;
    }
    CasCli &ErreurContient(const QByteArray &o)
    {
        etapes.last().erreurContient << o;
        return *this;
    }
    CasCli &MessageSeul()
    {
        etapes.last().messageSeul = true;
        return *this;
    }
    CasCli &Produit(const QString &nom, const QByteArray &octets)
    {
        etapes.last().produits.append({nom, octets});
        return *this;
    }
    CasCli &Absent(const QString &nom)
    {
        etapes.last().absents << nom;
        return *this;
    }
    CasCli &Verifier(std::function<void(TBancCli &)> v)
    {
        verifier = std::move(v);
        return *this;
    }
};

CasCli Cas()
{
    return CasCli();
}

// A usage error: exit code 2, the usage text, nothing on standard output.
CasCli Usage(const QStringList &arguments)
{
    return Cas().Lancer(arguments, 2).Sortie(QByteArray()).ErreurContient("Usage:");
}

// A file refused: exit code 1 and the message alone.
CasCli Refus(const QStringList &arguments, const QByteArray &message)
{
    return Cas().Lancer(arguments, 1).ErreurContient(message).MessageSeul();
}

// A Dictionnaire of two cards in XML, with the title and the second answer given.
QByteArray XmlAvec(const QString &titre, const QString &reponse)
{
    QTemporaryDir dossier;
    const QString chemin = dossier.filePath(QStringLiteral("f.xaqd"));
    {
        TFichierX f(u'D', u'x');
        f.Titre = titre;
        f.AjouterFiche(QString(), QStringLiteral("q1"), QStringLiteral("r"));
        f.AjouterFiche(QString(), QStringLiteral("q2"), reponse);
        Formats::Enregistrer(f, chemin, u'x', true, TOptions());
    }
    return OutilsTest::LireFichier(chemin);
}

} // namespace

Q_DECLARE_METATYPE(CasCli)

class TestCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;
    int m_numero = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dossier.isValid());
        OutilsTest::IsolerParametres(m_dossier);
        OutilsTest::IsolerOrthographe(m_dossier);
    }

    void commande_data();
    void commande();

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
        const QString source = m_dossier.filePath(QStringLiteral("source.xaqq"));
        QVERIFY(OutilsTest::EcrireFichier(source, "<?xml version=\"1.0\"?><AMBLORINE><TYPE>L</TYPE></AMBLORINE>"));
        const TBancCli banc(m_dossier.path());
        const Resultat r = sortie ? banc.Lancer({"convert", source, chemin, "--to", "x"})
                                  : banc.Lancer({"info", chemin});
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
};

void TestCli::commande_data()
{
    QTest::addColumn<CasCli>("cas");

    // ------------------------------------------------------------ usage
    QTest::newRow("usage: nothing") << Usage({});
    QTest::newRow("usage: unknown command") << Usage({"export", "a"});
    QTest::newRow("usage: info without a file") << Usage({"info"});
    QTest::newRow("usage: dump of two files") << Usage({"dump", "a", "b"});
    QTest::newRow("usage: convert of one file") << Usage({"convert", "a"});
    QTest::newRow("usage: lower-case type") << Usage({"info", "a", "--type", "q"});
    QTest::newRow("usage: long type") << Usage({"info", "a", "--type", "QM"});
    QTest::newRow("usage: type without a value") << Usage({"info", "a", "--type"});
    QTest::newRow("usage: unknown format") << Usage({"convert", "a", "b", "--to", "z"});
    QTest::newRow("usage: --to outside convert") << Usage({"dump", "a", "--to", "x"});
    QTest::newRow("usage: unknown option") << Usage({"info", "a", "--vite"});
    QTest::newRow("usage: unknown extension") << Usage({"convert", "a.xaqq", "b.doc"});

    // ------------------------------------------------------------ any file
    QTest::newRow("info recognises the format")
        << Cas()
               .Fichier("a.xaqq", "<?xml version=\"1.0\"?>\n<AMBLORINE TYPE=\"Q\">\n<TITRE>t</TITRE>\n</AMBLORINE>\n")
               .Lancer({"info", "@a.xaqq"})
               .DebutSortie("format: x\n");
    QTest::newRow("info on a file not recognised")
        << Cas().Fichier("p.txt", "plain").Lancer({"info", "@p.txt"}).Sortie("format: ?\n");
    QTest::newRow("refused: dump not recognised")
        << Refus({"dump", "@n.txt"}, "The file was not recognized!\n").Fichier("n.txt", "plain");
    QTest::newRow("refused: convert not recognised")
        << Refus({"convert", "@n.txt", "x.xaqq"}, "The file was not recognized!\n").Fichier("n.txt", "plain");
    // libxml2 has its own say on broken encodings: inside the one message, never apart.
    QTest::newRow("refused: XML badly encoded")
        << Cas()
               .Lancer({"dump", "@encodage.xaqq"}, 1)
               .Sortie(QByteArray())
               .ErreurContient(U("Erreur dans l'écriture du code XML !\nXML parser: input conversion failed").toUtf8())
               .ErreurContient("\nXML parser: encoder error\n")
               .ErreurContient(" more message(s) from the XML parser)\n")
               .Fichier("encodage.xaqq",
                        "<?xml version=\"1.0\" encoding=\"ISO-8859-7\"?>\n"
                        "<AMBLORINE><TITRE>\xff\xfe\x80</TITRE></AMBLORINE>\n");
    QTest::newRow("refused: info on a missing file") << Refus({"info", "@absent.xaqq"}, "No such file or directory");
    QTest::newRow("refused: dump of a missing file") << Refus({"dump", "@absent.xaqq"}, "No such file or directory");
    QTest::newRow("settings never written")
        << Cas().Fichier("b.txt", "x").Lancer({"info", "@b.txt"}).Verifier([](TBancCli &b) {
               QVERIFY(!QFile::exists(b.Reglages()));
           });

    // ------------------------------------------------------------ spell
    {
        const auto quiz = [](const char *cartes) {
            return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<AMBLORINE TYPE=\"Q\" ID_FICHE=\"F\" ID_CHAMP0=\"I\" ID_CHAMP1=\"Q\" ID_CHAMP2=\"R\">\n")
                + cartes + "</AMBLORINE>\n";
        };
        const QByteArray juste = quiz("<F><I>chat</I><Q>\xc3\xa9t\xc3\xa9</Q><R>mot</R></F>\n");
        const QByteArray fautes = quiz("<F><I>chat</I><Q>chat</Q><R>mot</R></F>\n"
                                       "<F><I>mot NASA</I><Q>le chateau</Q><R>12 fen\xc3\xa9tre</R></F>\n");
        QTest::newRow("spell: every word known")
            << Cas().Fichier("j.xaqq", juste).Lancer({"spell", "@j.xaqq", "--lang", "essai_LATIN1"}).Sortie("");
        QTest::newRow("spell: unknown words, in the dictionary's encoding")
            << Cas()
                   .Fichier("f.xaqq", fautes)
                   .Lancer({"spell", "@f.xaqq", "--lang", "essai_LATIN1"}, 1)
                   .DebutSortie("2\tquestion\tle")
                   .SortieContient("\n2\tquestion\tchateau\tch\xc3\xa2teau")
                   .SortieContient("\n2\tanswer\tfen\xc3\xa9tre\tfen\xc3\xaatre")
                   .Erreur("")
                   .Verifier([](TBancCli &b) { QCOMPARE(b.resultats.first().sortie.count('\n'), 3); });
        QTest::newRow("spell: the dictionary of the settings") << Cas()
                                                                      .Fichier("f.xaqq", fautes)
                                                                      .Reglage("spldic", "essai_LATIN1")
                                                                      .Lancer({"spell", "@f.xaqq"}, 1)
                                                                      .SortieContient("\n2\tquestion\tchateau\t");
        QTest::newRow("spell: personal words accepted")
            << Cas()
                   .Fichier("p.xaqq", quiz("<F><I>Amblopad</I><Q>chat</Q><R>mot</R></F>\n"))
                   .Lancer({"spell", "@p.xaqq", "--lang", "essai_LATIN1"}, 1)
                   .DebutSortie("1\ttitle\tAmblopad")
                   .Verifier([](TBancCli &b) {
                       const QString chemin = TOrthographe::CheminMotsPersonnels();
                       QVERIFY(QDir().mkpath(QFileInfo(chemin).path()));
                       QVERIFY(OutilsTest::EcrireFichier(chemin, "Amblopad\n"));
                       const Resultat r = b.Lancer({"spell", "@p.xaqq", "--lang", "essai_LATIN1"});
                       QFile::remove(chemin);
                       QCOMPARE(r.code, 0);
                       QCOMPARE(r.sortie, QByteArray());
                   });
        QTest::newRow("spell: dictionary missing") << Cas()
                                                          .Fichier("j.xaqq", juste)
                                                          .Lancer({"spell", "@j.xaqq", "--lang", "xx_YY"}, 2)
                                                          .Sortie("")
                                                          .ErreurContient("No spelling dictionary \"xx_YY\"")
                                                          .MessageSeul();
        QTest::newRow("spell: dictionary in an encoding not handled")
            << Cas()
                   .Fichier("j.xaqq", juste)
                   .Lancer({"spell", "@j.xaqq", "--lang", "essai_ISCII"}, 2)
                   .Sortie("")
                   .ErreurContient("ISCII-DEVANAGARI")
                   .MessageSeul();
        QTest::newRow("refused: spell of a missing file")
            << Refus({"spell", "@absent.xaqq", "--lang", "essai_LATIN1"}, "No such file or directory");
        QTest::newRow("usage: --lang outside spell") << Usage({"info", "a", "--lang", "fr_FR"});
        QTest::newRow("usage: --lang without a value") << Usage({"spell", "a", "--lang"});
        QTest::newRow("usage: spell of two files") << Usage({"spell", "a", "b"});
    }

    // ------------------------------------------------------------ Anki
    {
        const QByteArray texte = "#separator:tab\n#deck:Mots\nchat\tcat\n";
        const QByteArray attendu = "#separator:tab\n#html:true\n#notetype:Basic\n#deck:Mots\n#tags column:3\n"
                                   "#amblopad:D 12\nchat\tcat\t\tchat\tcat\n";
        QTest::newRow("Anki: text read as a Dictionnaire")
            << Cas()
                   .Fichier("m.txt", texte)
                   .Lancer({"info", "@m.txt"})
                   .Sortie("format: K\ntype: D\ncards: 1\ntitle: Mots\n");
        QTest::newRow("Anki: --type gives the type") << Cas()
                                                            .Fichier("m.txt", texte)
                                                            .Lancer({"info", "@m.txt", "--type", "Q"})
                                                            .Sortie("format: K\ntype: Q\ncards: 1\ntitle: Mots\n");
        QTest::newRow("Anki: text to package and back")
            << Cas()
                   .Fichier("m.txt", texte)
                   .Lancer({"convert", "@m.txt", "@d.apkg"})
                   .Erreur(QByteArray())
                   .Verifier([](TBancCli &b) {
                       const QStringList fautes = VerifAnki::Paquet(b.Lire(QStringLiteral("@d.apkg")));
                       QVERIFY2(fautes.isEmpty(), qPrintable(fautes.join(u'\n')));
                   })
                   .Lancer({"info", "@d.apkg"})
                   .Sortie("format: k\ntype: D\ncards: 1\ntitle: Mots\n")
                   .Lancer({"convert", "@d.apkg", "@t.txt", "--to", "k", "--anki-text"})
                   .Erreur(QByteArray())
                   .Produit("@t.txt", attendu);
        QTest::newRow("Anki: a deck read as the type it was written from")
            << Cas()
                   .Fichier("q.txt", "#separator:tab\n#html:true\n#amblopad:Q 120\nF\tB\t\tq1\ta1\tt1\n")
                   .Lancer({"info", "@q.txt"})
                   .Sortie("format: K\ntype: Q\ncards: 1\ntitle: q\n")
                   .Lancer({"convert", "@q.txt", "@q.apkg"})
                   .Verifier([](TBancCli &b) {
                       const QStringList fautes = VerifAnki::Paquet(b.Lire(QStringLiteral("@q.apkg")));
                       QVERIFY2(fautes.isEmpty(), qPrintable(fautes.join(u'\n')));
                   })
                   .Lancer({"info", "@q.apkg"})
                   .Sortie("format: k\ntype: Q\ncards: 1\ntitle: q\n");
        QTest::newRow("usage: --anki-text outside convert") << Usage({"dump", "a", "--anki-text"});
        QTest::newRow("usage: --anki-text with another format")
            << Usage({"convert", "a", "b.txt", "--to", "x", "--anki-text"});
        QTest::newRow("refused: damaged Anki package") << Cas()
                                                              .Fichier("d.apkg", "PK\x03\x04 broken")
                                                              .Lancer({"convert", "@d.apkg", "@o.xaqd"}, 1)
                                                              .ErreurContient("zip")
                                                              .Absent("@o.xaqd");
    }

    // ------------------------------------------------------------ Cardfile
    {
        using namespace OctetsCrd;
        // Unsorted cards keep their order: a Cardfile file is taken as it is.
        const QByteArray desordre = QByteArray("MGC\x02\x00", 5) + Entree(109, "Zeta") + Entree(116, "Alpha")
            + Donnees("zzz") + Donnees("aaaaa");
        QTest::newRow("Cardfile: convert to Cardfile, same bytes") << Cas()
                                                                          .Fichier("in.crd", desordre)
                                                                          .Lancer({"convert", "@in.crd", "@out.crd"})
                                                                          .Erreur(QByteArray())
                                                                          .Produit("@out.crd", desordre);
        const quint32 d0 = 5 + 3 * 52;
        QTest::newRow("Cardfile: convert drops the picture")
            << Cas()
                   .Fichier("in.crd", AvecImage())
                   .Lancer({"convert", "@in.crd", "@out.crd"})
                   .Erreur(QByteArray())
                   .Produit("@out.crd",
                            QByteArray("MGC\x03\x00", 5) + Entree(d0, "Anne") + Entree(d0 + 7, "Bruno")
                                + Entree(d0 + 16, "Carla") + Donnees("one") + Donnees("Photo")
                                + Donnees("three\r\nlines"));
        QTest::newRow("Cardfile: info") << Cas()
                                               .Fichier("in.crd", desordre)
                                               .Lancer({"info", "@in.crd"})
                                               .Erreur(QByteArray())
                                               .Sortie("format: c\ntype: R\ncards: 2\ntitle: \n");
        QTest::newRow("Cardfile: dump") << Cas()
                                               .Fichier("in.crd", desordre)
                                               .Lancer({"dump", "@in.crd"})
                                               .Erreur(QByteArray())
                                               .SortieContient("\"TypeFichier\": \"R\"")
                                               .SortieContient("\"FormatFichier\": \"c\"")
                                               .FinSortie("\"Fiches\": [\n    [\"\", \"Zeta\", \"zzz\"],\n"
                                                          "    [\"\", \"Alpha\", \"aaaaa\"]\n  ]\n}\n");
        QTest::newRow("Cardfile: RRG refused") << Cas()
                                                      .Fichier("in.crd", "RRG" + DeuxCartes().mid(3))
                                                      .Lancer({"convert", "@in.crd", "@out.crd"}, 1)
                                                      .Erreur(MessageRefus.toUtf8() + '\n')
                                                      .Absent("@out.crd");
    }

    // ------------------------------------------------------------ CSV
    // The files in tests/data/csv are written with ';' as the separator.
    const auto csv = [](bool utf8) { return Cas().Reglage("comma", ";").Reglage("csvutf", utf8 ? 1 : 0); };
    QTest::newRow("CSV: lists to csv") << csv(false)
                                              .Lancer({"convert", "data:csv/listes.csv", "@sortie.csv", "--type", "L"})
                                              .Erreur(QByteArray())
                                              .Produit("@sortie.csv",
                                                       OutilsTest::LireFichier(
                                                           OutilsTest::DonneesTest("csv/listes-attendu.csv")));
    QTest::newRow("CSV: lists to text") << csv(false)
                                               .Lancer({"convert", "data:csv/listes.csv", "@sortie.txt", "--type", "L"})
                                               .Erreur(QByteArray())
                                               .Produit("@sortie.txt",
                                                        OutilsTest::LireFichier(
                                                            OutilsTest::DonneesTest("csv/listes-attendu.txt")));
    QTest::newRow("CSV: spreadsheet utf-8 to csv")
        << csv(true)
               .Lancer({"convert", "data:csv/questionnaire-bom.csv", "@sortie.csv", "--type", "Q"})
               .Erreur(QByteArray())
               .Produit("@sortie.csv",
                        OutilsTest::LireFichier(OutilsTest::DonneesTest("csv/questionnaire-attendu.csv")));
    QTest::newRow("CSV: dump")
        << csv(false).Lancer({"dump", "data:csv/questionnaire-bom.csv", "--type", "Q"}).Verifier([](TBancCli &b) {
               const QJsonObject racine = QJsonDocument::fromJson(b.resultats.at(0).sortie).object();
               QCOMPARE(racine.value("TypeFichier").toString(), QStringLiteral("Q"));
               QCOMPARE(racine.value("FormatFichier").toString(), QStringLiteral("s"));
               const QJsonArray fiches = racine.value("Fiches").toArray();
               QCOMPARE(fiches.size(), 2);
               QCOMPARE(fiches.at(0).toArray().at(0).toString(), QStringLiteral("Capital"));
               QCOMPARE(fiches.at(0).toArray().at(2).toString(), QStringLiteral("Paris ; paris"));
               QCOMPARE(fiches.at(1).toArray().at(1).toString(), U("Ελλάδα?"));
               QCOMPARE(fiches.at(1).toArray().at(2).toString(), U("Athènes"));
           });
    // An ANSI file read as UTF-8: refused, naming the line, nothing written.
    QTest::newRow("CSV: ANSI read as UTF-8 refused")
        << csv(true)
               .Lancer({"convert", "data:csv/listes.csv", "@refus.txt", "--type", "L"}, 1)
               .ErreurRognee("The CSV file is not valid UTF-8 text (line 3).")
               .Absent("@refus.txt");
    QTest::newRow("CSV: missing fields refused")
        << csv(false)
               .Lancer({"dump", "data:csv/champs-manquants.csv", "--type", "Q"}, 1)
               .ErreurRognee(MessageChampsManquants)
               .Sortie(QByteArray());
    // A Lists file with one-line answers is written without any separator;
    // it must open again.
    QTest::newRow("CSV: one-column list read again")
        << Cas()
               .Fichier("liste.csv", "un\r\ndeux\r\n")
               .Lancer({"convert", "@liste.csv", "@copie.csv", "--type", "L"})
               .Produit("@copie.csv", "un\r\ndeux\r\n")
               .Lancer({"info", "@copie.csv", "--type", "L"})
               .Sortie("format: s\ntype: L\ncards: 2\ntitle: \n");

    // ------------------------------------------------------------ code pages
    // Characters the output's code page cannot hold: refused, naming the card
    // and the character, unless --lossy.
    {
        const QString grec = U("Ωμ");
        const auto perte = [](const QByteArray &entree, const QString &sortie, const QByteArray &ou) {
            return Cas()
                .Fichier("in.xaqd", entree)
                .Lancer({"convert", "@in.xaqd", "@" + sortie}, 1)
                .ErreurContient("2 character(s)")
                .ErreurContient(ou)
                .MessageSeul()
                .Absent("@" + sortie)
                .Lancer({"convert", "@in.xaqd", "@" + sortie, "--lossy"})
                .Verifier([sortie](TBancCli &b) { QVERIFY(b.Lire("@" + sortie).contains("??")); });
        };
        QTest::newRow("code page: native, card 2")
            << perte(XmlAvec("t", grec), "n.aqd", U("\"Ω\" (U+03A9), is in card 2 (\"q2\")").toUtf8());
        QTest::newRow("code page: native, header") << perte(XmlAvec(grec, "r"), "n.aqd", "the file's header");
        QTest::newRow("code page: Cardfile, card 2") << perte(XmlAvec("t", grec), "c.crd", "card 2");
        QTest::newRow("code page: ANSI CSV, card 2") << perte(XmlAvec("t", grec), "s.csv", "card 2");
        QTest::newRow("code page: Cardfile writes no title")
            << Cas().Fichier("in.xaqd", XmlAvec(grec, "r")).Lancer({"convert", "@in.xaqd", "@c.crd"});
        QTest::newRow("code page: XML keeps everything")
            << Cas().Fichier("in.xaqd", XmlAvec(grec, grec)).Lancer({"convert", "@in.xaqd", "@x.xaqd"});
        QTest::newRow("usage: --lossy outside convert") << Usage({"dump", "a", "--lossy"});
    }

    // ------------------------------------------------------------ native
    {
        using namespace OctetsNatif;
        QTest::newRow("native: info") << Cas()
                                             .Fichier("desordre.aqn", FichierDesordre())
                                             .Lancer({"info", "@desordre.aqn"})
                                             .Sortie("format: n\ntype: N\ncards: 3\ntitle: Lettres\n");
        QTest::newRow("native: convert puts the records in order")
            << Cas()
                   .Fichier("desordre.aqn", FichierDesordre())
                   .Lancer({"convert", "@desordre.aqn", "@range.aqn"})
                   .Produit("@range.aqn", FichierDesordreRange());
        QTest::newRow("native: old OEM file to ANSI, then dump")
            << Cas()
                   .Lancer({"convert", "data:natif/ancien_oem.aqq", "@ansi.aqq"})
                   .Produit("@ansi.aqq", AncienOemEnAnsi())
                   .Lancer({"dump", "@ansi.aqq"})
                   .Verifier([](TBancCli &b) {
                       const QJsonObject o = QJsonDocument::fromJson(b.resultats.at(1).sortie).object();
                       QCOMPARE(o.value("FormatFichier").toString(), QStringLiteral("n"));
                       QCOMPARE(o.value("TypeFichier").toString(), QStringLiteral("Q"));
                       QCOMPARE(o.value("Titre").toString(), QStringLiteral("G\u00E9ographie"));
                       QCOMPARE(o.value("Signature").toString(), QStringLiteral("Fran\u00E7ois"));
                       QCOMPARE(o.value("PageCode").toInt(), 1252);
                       QCOMPARE(o.value("OuVisible").toString(), QStringLiteral("ou"));
                       QCOMPARE(o.value("Ponctuation").toString(), QStringLiteral(".,;!?"));
                       QCOMPARE(o.value("MotsIgnores").toString(), QStringLiteral("le la les \u00E0"));
                       QCOMPARE(o.value("Temps").toInt(), 45);
                       const QJsonArray fiches = o.value("Fiches").toArray();
                       QCOMPARE(fiches.size(), 2);
                       QCOMPARE(fiches.at(0).toArray().at(1).toString(), QStringLiteral("Capitale de la Su\u00E8de ?"));
                       QCOMPARE(fiches.at(1).toArray().at(2).toString(), QStringLiteral("Copenhague"));
                   });
        // A chain that loops is refused with the format's message.
        QByteArray boucle = FichierDesordre();
        boucle.replace(138 + 122 + 12, 4, Queue(1, 0, 0, 0).left(4));
        QTest::newRow("native: a looping chain refused")
            << Cas().Fichier("boucle.aqn", boucle).Lancer({"dump", "@boucle.aqn"}, 1).ErreurContient(Invalide.toUtf8());
        // A native file with 255-line fields reads, but cannot be written back.
        QByteArray h = Entete('N', 'O', 'C', 1, 255);
        h[30] = ' ';
        QByteArray long255 = Bloc("") + h + QByteArray(254 * 61, '\0') + Queue(0, 0, 1, 1) + Bloc("Long");
        for (int i = 0; i < 255; ++i)
            long255 += Bloc(QByteArray(60, 'z'));
        long255 += Queue(1, 0, 0, 0);
        QTest::newRow("native: 255-line field not written back")
            << Cas()
                   .Fichier("long255.aqn", long255)
                   .Lancer({"convert", "@long255.aqn", "@long255-copie.aqn"}, 1)
                   .ErreurContient("\"Long\"")
                   .Absent("@long255-copie.aqn");
    }

    // ------------------------------------------------------------ XML
    QTest::newRow("XML: info")
        << Cas().Lancer({"info", "data:xml/manuel.xaqq"}).Sortie("format: x\ntype: Q\ncards: 2\ntitle: Capitals\n");
    QTest::newRow("XML: dump") << Cas()
                                      .Lancer({"dump", "data:xml/manuel.xaqq"})
                                      .SortieContient("\"Paris ; paris ou Lutetia\"")
                                      .SortieContient("\"Capital of?\\t(city)\"")
                                      .SortieContient("\"Titre\": \"Capitals\"");
    // XML to XML, then once more: the second copy is the first.
    QTest::newRow("XML: converted twice, the same bytes")
        << Cas()
               .Lancer({"convert", "data:xml/manuel.xaqq", "@a.xaqq"})
               .Lancer({"convert", "@a.xaqq", "@b.xaqq", "--to", "x"})
               .Verifier([](TBancCli &b) {
                   const QByteArray octetsA = b.Lire("@a.xaqq");
                   QVERIFY(octetsA.startsWith(
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<AMBLORINE VERSION=\"7.8\" TYPE=\"Q\""));
                   QCOMPARE(b.Lire("@b.xaqq"), octetsA);
               });
    // Refused documents give the reader's message and a failure code.
    QTest::newRow("XML: refused") << Cas()
                                         .Fichier("mauvais.xaqq", "<?xml version=\"1.0\"?><AMBL><F></AMBL>")
                                         .Lancer({"dump", "@mauvais.xaqq"}, 1)
                                         .ErreurRognee(U("Erreur dans l'écriture du code XML !\n"
                                                         "XML parser, line 1: Opening and ending tag mismatch: "
                                                         "F line 1 and AMBL\n"
                                                         "XML parser, line 1: Premature end of data in tag AMBL "
                                                         "line 1"));
    // Through the native format and back: what the native format holds (the
    // header, the options and fields 1 and 2 of every card; it has no card
    // titles, captions or line-end style) comes back.
    QTest::newRow("XML: through the native format and back")
        << Cas().Lancer({"convert", "data:xml/manuel.xaqq", "@a.xaqq"}).Verifier([](TBancCli &b) {
               const Resultat natif = b.Lancer({"convert", "@a.xaqq", "@c.aqq"});
               if (natif.code != 0 && natif.erreur.contains("not available"))
                   QSKIP("The native format is not in this build.");
               QCOMPARE(natif.code, 0);
               QCOMPARE(b.Lancer({"convert", "@c.aqq", "@d.xaqq"}).code, 0);
               const Resultat dumpA = b.Lancer({"dump", "@a.xaqq"});
               const Resultat dumpRetour = b.Lancer({"dump", "@d.xaqq"});
               QCOMPARE(dumpA.code, 0);
               QCOMPARE(dumpRetour.code, 0);
               const QJsonObject avant = QJsonDocument::fromJson(dumpA.sortie).object();
               const QJsonObject apres = QJsonDocument::fromJson(dumpRetour.sortie).object();
               QVERIFY(!avant.isEmpty() && !apres.isEmpty());
               for (const char *cle :
                    {"TypeFichier", "Titre",          "Signature",    "Fragmenteur",     "OuVisible",
                     "Ponctuation", "ReposerErreurs", "SuivreOrdre",  "MotAMot",         "DifferencierCasse",
                     "Phonetique",  "Correction",     "BriderEntree", "NombreQuestions", "ScoreSatisfaisant",
                     "Temps",       "Commentaire",    "Alternateur",  "Troncature",      "AvecMotsIgnores",
                     "MotsIgnores"})
                   QVERIFY2(avant.value(QLatin1String(cle)) == apres.value(QLatin1String(cle)), cle);
               const QJsonArray fichesAvant = avant.value(QLatin1String("Fiches")).toArray();
               const QJsonArray fichesApres = apres.value(QLatin1String("Fiches")).toArray();
               QCOMPARE(fichesApres.size(), fichesAvant.size());
               for (qsizetype i = 0; i < fichesAvant.size(); ++i) {
                   QCOMPARE(fichesApres.at(i).toArray().at(1), fichesAvant.at(i).toArray().at(1));
                   QCOMPARE(fichesApres.at(i).toArray().at(2), fichesAvant.at(i).toArray().at(2));
               }
           });

    // ------------------------------------------------------------ Moodle
    const QString quiz = "data:moodle/qformat_xml__nested_categories_with_questions.xml";
    QTest::newRow("Moodle: info") << Cas().Lancer({"info", quiz}).Sortie("format: m\ntype: M\ncards: 9\ntitle: \n");
    QTest::newRow("Moodle: dump") << Cas().Lancer({"dump", quiz}).SortieContient("\"% ///Lambda\"");
    // Every real quiz, Moodle to Moodle directly and through an MCQ card
    // file: the same document both ways.
    const QDir corpus(OutilsTest::DonneesTest(QStringLiteral("moodle")));
    const QStringList quizz = corpus.entryList({QStringLiteral("*.xml")}, QDir::Files);
    if (quizz.isEmpty())
        QTest::newRow("Moodle: corpus") << Cas().Verifier([corpus](TBancCli &) {
            QFAIL(qPrintable(QStringLiteral("missing test data: ") + corpus.path() + QStringLiteral("/*.xml")));
        });
    for (const QString &nom : quizz) {
        const QString source = QStringLiteral("data:moodle/") + nom;
        QTest::addRow("Moodle: %s both ways", qPrintable(nom))
            << Cas()
                   .Lancer({"convert", source, "@direct.xml"})
                   .Lancer({"convert", source, "@quiz.xaqm"})
                   .Lancer({"convert", "@quiz.xaqm", "@back.xml"})
                   .Verifier([](TBancCli &b) {
                       QCOMPARE(ReconnaitreFormat(b.Chemin("@quiz.xaqm"), TOptions()), QChar(u'x'));
                       const QByteArray octets = b.Lire("@direct.xml");
                       QCOMPARE(QuestionsMoodle::Questions(octets).size(),
                                int(TFichierMoodle::LireMoodle(octets)->NombreFiches()));
                       QVERIFY(b.Lire("@back.xml") == octets);
                   });
    }
    // A Questionnaire converted to Moodle.
    QTest::newRow("Moodle: Questionnaire exported")
        << Cas()
               .Fichier("q.xaqq",
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<AMBLORINE TYPE=\"Q\" ID_FICHE=\"F\" ID_CHAMP0=\"I\" ID_CHAMP1=\"Q\" ID_CHAMP2=\"R\">\n"
                        "<F><I>Capitals</I><Q>Capital?</Q><R>Paris;paris</R></F>\n</AMBLORINE>\n")
               .Lancer({"convert", "@q.xaqq", "@q.xml"})
               .Verifier([](TBancCli &b) {
                   QCOMPARE(QuestionsMoodle::Questions(b.Lire("@q.xml")),
                            QStringList{U("type=shortanswer|name=Capitals|questiontext=Capital?|answer[100]=Paris|"
                                          "answer[100]=paris")});
               });
    // A refused quiz gives the reader's message, libxml2's words after it, and
    // a failure code.
    QTest::newRow("Moodle: refused")
        << Cas()
               .Fichier("mauvais.xml", "<?xml version=\"1.0\"?>\n<quiz><question></quiz>")
               .Lancer({"dump", "@mauvais.xml"}, 1)
               .Erreur("Error in writing XML code!\n"
                       "XML parser, line 2: Opening and ending tag mismatch: question line 2 and quiz\n"
                       "XML parser, line 2: Premature end of data in tag quiz line 2\n");
}

void TestCli::commande()
{
    QFETCH(CasCli, cas);
    const QString dossier = m_dossier.filePath(QStringLiteral("cas%1").arg(++m_numero));
    QVERIFY(QDir().mkpath(dossier));
    TBancCli banc(dossier);
    for (const auto &[nom, octets] : cas.fichiers)
        QVERIFY(OutilsTest::EcrireFichier(banc.Chemin(QLatin1Char('@') + nom), octets));
    if (!cas.reglages.isEmpty()) {
        QSettings ini(banc.Reglages(), QSettings::IniFormat);
        for (const auto &[cle, valeur] : cas.reglages)
            ini.setValue(cle, valeur);
    }
    for (const Etape &e : cas.etapes) {
        for (const QString &a : e.arguments)
            if (a.startsWith(QLatin1String("data:")))
                QVERIFY2(QFile::exists(banc.Chemin(a)),
                         qPrintable(QStringLiteral("missing test data: ") + banc.Chemin(a)));
        const Resultat r = banc.Lancer(e.arguments);
        banc.resultats << r;
        QVERIFY2(r.code == e.code,
                 qPrintable(QStringLiteral("exit code %1, expected %2; standard error: %3")
                                .arg(r.code)
                                .arg(e.code)
                                .arg(QString::fromUtf8(r.erreur))));
        if (e.sortie)
            QCOMPARE(r.sortie, *e.sortie);
        for (const QByteArray &o : e.sortieContient)
            QVERIFY2(r.sortie.contains(o), r.sortie.constData());
        if (e.debutSortie)
            QVERIFY2(r.sortie.startsWith(*e.debutSortie), r.sortie.constData());
        if (e.finSortie)
            QVERIFY2(r.sortie.endsWith(*e.finSortie), r.sortie.constData());
        if (e.erreur)
            QCOMPARE(r.erreur, *e.erreur);
        if (e.erreurRognee)
            QCOMPARE(QString::fromUtf8(r.erreur).trimmed(), *e.erreurRognee);
        for (const QByteArray &o : e.erreurContient)
            QVERIFY2(r.erreur.contains(o), r.erreur.constData());
        if (e.messageSeul) {
            QVERIFY(!r.erreur.contains("Usage:"));
            QCOMPARE(r.erreur.count('\n'), 1);
        }
        for (const auto &[nom, octets] : e.produits)
            QCOMPARE(banc.Lire(nom), octets);
        for (const QString &nom : e.absents)
            QVERIFY2(!QFile::exists(banc.Chemin(nom)), qPrintable(nom));
    }
    if (cas.verifier)
        cas.verifier(banc);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
