// Windows 3.1 Cardfile files: the byte layout, refusals, load/save contract, CLI.
#include "outilstest.h"
#include "support/octetscrd.h"

#include "formats/fiches/crd.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using namespace OctetsCrd;

QStringList Liste(std::initializer_list<const char *> textes)
{
    QStringList l;
    for (const char *t : textes)
        l << QString::fromUtf8(t);
    return l;
}

std::unique_ptr<TFichierX> Repertoire(const QStringList &lignes, const QStringList &textes)
{
    auto f = std::make_unique<TFichierX>(u'R', u'c');
    for (int i = 0; i < lignes.size(); ++i)
        f->AjouterFiche(lignes.at(i), textes.at(i));
    return f;
}

// The message of the ErreurIdInvalide the call raises; "(none)" when it succeeds.
template <typename F>
QString MessageDe(F appel)
{
    try {
        appel();
    } catch (const ErreurIdInvalide &e) {
        return e.message();
    }
    return QStringLiteral("(none)");
}

} // namespace

class TestCrd : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;
    QString Chemin(const QString &nom) const { return m_dossier.filePath(nom); }

private slots:
    void initTestCase();
    void cleanup();

    void ecriture_data();
    void ecriture();
    void lecture_data();
    void lecture();
    void refus_data();
    void refus();
    void prefixesRefuses();
    void octetsAlteres();
    void autreTypeRevientRepertoire_data();
    void autreTypeRevientRepertoire();
    void limitesAuSauvetage_data();
    void limitesAuSauvetage();
    void chargement_data();
    void chargement();
    void imageSauveeSousAutreNom();
    void sauvetageSurPlace();
};

void TestCrd::initTestCase()
{
    QVERIFY(m_dossier.isValid());
    OutilsTest::IsolerParametres(m_dossier);
}

void TestCrd::cleanup()
{
    TFlux::InjecterEchecEcriture(-1);
}

void TestCrd::ecriture_data()
{
    QTest::addColumn<QStringList>("lignes");
    QTest::addColumn<QStringList>("textes");
    QTest::addColumn<QByteArray>("attendu");

    QTest::newRow("empty file") << QStringList() << QStringList() << QByteArray("MGC\0\0", 5);

    QTest::newRow("texts of 3 and 5 bytes")
        << Liste({"Alpha", "Beta"}) << Liste({"abc", "defgh"})
        << (QByteArray::fromHex("4d474302 00"                                            // MGC, 2 cards
                                "000000000000 6d000000 00 416c706861")                   // 109, "Alpha"
            + Zeros(36) + QByteArray::fromHex("000000000000 74000000 00 42657461")       // 116, "Beta"
            + Zeros(37) + QByteArray::fromHex("0000 0300 616263 0000 0500 6465666768")); // the two texts

    QTest::newRow("index line of 45 characters")
        << Liste({"ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJKLMNO"}) << Liste({""})
        << (QByteArray::fromHex("4d474301 00 000000000000 39000000 00") + "ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJ"
            + Zeros(1) + Zeros(4));

    QTest::newRow("ANSI bytes, CR LF, unrepresentable character")
        << QStringList{QStringLiteral(u"\u00c9t\u00e9")} << QStringList{QStringLiteral(u"a\r\nb\u20ac\u03a9")}
        << (QByteArray::fromHex("4d474301 00 000000000000 39000000 00 c974e9") + Zeros(38)
            + QByteArray::fromHex("0000 0600 610d0a62803f"));

    // Cutting happens on encoded bytes: 39 ASCII then a two-unit character
    // outside the code page becomes one '?' that still fits.
    QTest::newRow("cut after encoding") << QStringList{QString(39, u'x') + QStringLiteral(u"\U0001F600yz")}
                                        << Liste({"t"})
                                        << (QByteArray::fromHex("4d474301 00 000000000000 39000000 00")
                                            + QByteArray(39, 'x') + "?" + Zeros(1)
                                            + QByteArray::fromHex("0000 0100 74"));
}

void TestCrd::ecriture()
{
    QFETCH(QStringList, lignes);
    QFETCH(QStringList, textes);
    QFETCH(QByteArray, attendu);
    auto f = Repertoire(lignes, textes);
    QCOMPARE(TFichierCrd::EcrireCardfile(*f), attendu);
}

void TestCrd::lecture_data()
{
    QTest::addColumn<QByteArray>("octets");
    QTest::addColumn<QStringList>("lignes");
    QTest::addColumn<QStringList>("textes");
    QTest::addColumn<bool>("images");

    QTest::newRow("empty file") << QByteArray("MGC\0\0", 5) << QStringList() << QStringList() << false;
    QTest::newRow("two cards") << DeuxCartes() << Liste({"Alpha", "Beta"}) << Liste({"abc", "defgh"}) << false;

    const QByteArray ligne41 = "ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJK";
    QTest::newRow("index line without a zero byte")
        << (QByteArray("MGC\x01\x00", 5) + Entree(57, ligne41) + Donnees("body"))
        << QStringList{QString::fromLatin1(ligne41)} << Liste({"body"}) << false;

    QTest::newRow("picture skipped") << AvecImage() << Liste({"Anne", "Bruno", "Carla"})
                                     << Liste({"one", "Photo", "three\r\nlines"}) << true;

    // Reserved bytes and the flag are ignored; blocks may lie in any order,
    // the index order is the card order; bytes after the last block are ignored.
    QByteArray desordre = QByteArray("MGC\x02\x00", 5) + Entree(5 + 104 + 6, "First") + Entree(5 + 104, "Second")
        + Donnees("zz") + Donnees("y");
    desordre[5] = '\x7f';
    desordre[5 + 10] = '\x01';
    desordre += "trailing";
    QTest::newRow("blocks out of order, reserved bytes set")
        << desordre << Liste({"First", "Second"}) << Liste({"y", "zz"}) << false;

    QTest::newRow("ANSI code page") << (QByteArray("MGC\x01\x00", 5) + Entree(57, "\xc9t\xe9") + Donnees("\x80\x9c"))
                                    << QStringList{QStringLiteral(u"\u00c9t\u00e9")}
                                    << QStringList{QStringLiteral(u"\u20ac\u0153")} << false;

    // Two entries may share one block, and a block may even sit inside the index.
    QTest::newRow("shared block") << (QByteArray("MGC\x02\x00", 5) + Entree(109, "a") + Entree(109, "b")
                                      + Donnees("same"))
                                  << Liste({"a", "b"}) << Liste({"same", "same"}) << false;
}

void TestCrd::lecture()
{
    QFETCH(QByteArray, octets);
    QFETCH(QStringList, lignes);
    QFETCH(QStringList, textes);
    QFETCH(bool, images);

    bool avecImages = !images;
    auto f = TFichierCrd::LireCardfile(octets, avecImages);
    QCOMPARE(avecImages, images);
    QCOMPARE(f->TypeFichier, QChar(u'R'));
    QCOMPARE(f->FormatFichier, QChar(u'c'));
    QVERIFY(!f->Modifie);
    QCOMPARE(f->NombreFiches(), int(lignes.size()));
    for (int i = 0; i < f->NombreFiches(); ++i) {
        QCOMPARE(f->Fiche(i).Champ0(), QString());
        QCOMPARE(f->Fiche(i).Champ1(), lignes.at(i));
        QCOMPARE(f->Fiche(i).Champ2(), textes.at(i));
    }
}

void TestCrd::refus_data()
{
    QTest::addColumn<QByteArray>("octets");

    const QByteArray suite = DeuxCartes().mid(3);
    QTest::newRow("RRG") << ("RRG" + suite);
    QTest::newRow("DKO") << ("DKO" + suite);
    QTest::newRow("lower-case signature") << ("mgc" + suite);
    QTest::newRow("no bytes") << QByteArray();
    QTest::newRow("signature only") << QByteArray("MGC");
    QTest::newRow("half a count") << QByteArray("MGC\x01", 4);
    QTest::newRow("index entry cut short") << (QByteArray("MGC\x01\x00", 5) + Entree(57, "x").left(30));
    QTest::newRow("65535 cards, one entry") << (QByteArray("MGC\xff\xff", 5) + Entree(57, "x") + Donnees("t"));
    QTest::newRow("offset at the end") << (QByteArray("MGC\x01\x00", 5) + Entree(57, "x"));
    QTest::newRow("offset 0xFFFFFFFF") << (QByteArray("MGC\x01\x00", 5) + Entree(0xFFFFFFFFu, "x") + Donnees("t"));
    QTest::newRow("offset past the end") << (QByteArray("MGC\x01\x00", 5) + Entree(1000, "x") + Donnees("t"));
    QTest::newRow("data header cut short") << (QByteArray("MGC\x01\x00", 5) + Entree(57, "x") + Mot(0) + "\x05");
    QTest::newRow("text cut short") << (QByteArray("MGC\x01\x00", 5) + Entree(57, "x") + Mot(0) + Mot(10) + "abcde");
    QTest::newRow("text length 65535, short file")
        << (QByteArray("MGC\x01\x00", 5) + Entree(57, "x") + Mot(0) + Mot(65535) + "abc");
    QTest::newRow("picture past the end") << (QByteArray("MGC\x01\x00", 5) + Entree(57, "x") + Mot(60000) + Mot(1)
                                              + Mot(1) + Mot(0) + Mot(0) + "bits" + Mot(0));
    QTest::newRow("picture without text length")
        << (QByteArray("MGC\x01\x00", 5) + Entree(57, "x") + Mot(2) + Zeros(8) + "bb");
}

void TestCrd::refus()
{
    QFETCH(QByteArray, octets);
    QCOMPARE(MessageDe([&] { TFichierCrd::LireCardfile(octets); }), MessageRefus);

    // The same through the file: refused, and the file is not held afterwards.
    const QString nom = Chemin(QStringLiteral("refus.crd"));
    QVERIFY(OutilsTest::EcrireFichier(nom, octets));
    QCOMPARE(MessageDe([&] { TFichierCrd::ChargerCardfile(nom, true); }), MessageRefus);
    auto flux = TFlux::Ouvrir(nom, true);
    QVERIFY(flux);
}

void TestCrd::prefixesRefuses()
{
    for (const QByteArray &complet : {DeuxCartes(), AvecImage()}) {
        QVERIFY(TFichierCrd::LireCardfile(complet));
        for (int n = 0; n < complet.size(); ++n) {
            const QString message = MessageDe([&] { TFichierCrd::LireCardfile(complet.left(n)); });
            if (message != MessageRefus)
                QFAIL(qPrintable(QStringLiteral("prefix of %1 bytes: %2").arg(n).arg(message)));
        }
    }
}

void TestCrd::octetsAlteres()
{
    // Any altered byte either still reads or is refused with the format's
    // message; never another failure, never more cards than entries fit.
    const QByteArray original = AvecImage();
    for (int i = 0; i < original.size(); ++i) {
        for (const char masque : {'\x01', '\x80', '\xff'}) {
            QByteArray octets = original;
            octets[i] = char(octets[i] ^ masque);
            try {
                auto f = TFichierCrd::LireCardfile(octets);
                QVERIFY(f->NombreFiches() <= (octets.size() - 5) / 52);
            } catch (const ErreurIdInvalide &e) {
                QCOMPARE(e.message(), MessageRefus);
            }
        }
    }
}

void TestCrd::autreTypeRevientRepertoire_data()
{
    QTest::addColumn<QChar>("type");
    QTest::newRow("Notebook") << QChar(u'N');
    QTest::newRow("Questionnaire") << QChar(u'Q');
}

void TestCrd::autreTypeRevientRepertoire()
{
    QFETCH(QChar, type);
    TFichierX f(type, u'x');
    f.SetTitre(QStringLiteral("My notes"));
    f.Signature = QStringLiteral("me");
    f.SetEtiquettes(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"));
    f.SetCanevas(QStringLiteral("t"), QStringLiteral("q"), QStringLiteral("r"));
    f.AjouterFiche(QStringLiteral("Title 1"), QStringLiteral("Monday"), QStringLiteral("Rain\r\nWind"));
    f.AjouterFiche(QStringLiteral("Title 2"), QStringLiteral("Tuesday"), QStringLiteral("Sun"));

    const QString nom = Chemin(QStringLiteral("autre.crd"));
    TFichierCrd::EnregistrerCardfile(f, nom, true);
    QCOMPARE(f.FormatFichier, QChar(u'c'));
    f.Flux.reset();

    auto relu = TFichierCrd::ChargerCardfile(nom, false);
    QCOMPARE(relu->TypeFichier, QChar(u'R'));
    QCOMPARE(relu->Titre, QString());
    QCOMPARE(relu->Signature, QString());
    QVERIFY(!relu->AvecEtiquettes);
    QVERIFY(!relu->AvecCanevas);
    QVERIFY(!relu->AvecOptions);
    QCOMPARE(relu->NombreFiches(), 2);
    QCOMPARE(relu->Fiche(0).Champ0(), QString());
    QCOMPARE(relu->Fiche(0).Champ1(), QStringLiteral("Monday"));
    QCOMPARE(relu->Fiche(0).Champ2(), QStringLiteral("Rain\r\nWind"));
    QCOMPARE(relu->Fiche(1).Champ1(), QStringLiteral("Tuesday"));
    QCOMPARE(relu->Fiche(1).Champ2(), QStringLiteral("Sun"));
}

void TestCrd::limitesAuSauvetage_data()
{
    QTest::addColumn<int>("cartes");
    QTest::addColumn<int>("longueurTexte");
    QTest::addColumn<bool>("accepte");
    QTest::addColumn<QString>("motCle");

    QTest::newRow("65535 cards") << 65535 << 0 << true << QString();
    QTest::newRow("65536 cards") << 65536 << 0 << false << QStringLiteral("cards");
    QTest::newRow("text of 65535 bytes") << 1 << 65535 << true << QString();
    QTest::newRow("text of 65536 bytes") << 1 << 65536 << false << QStringLiteral("text of card 1");
}

void TestCrd::limitesAuSauvetage()
{
    QFETCH(int, cartes);
    QFETCH(int, longueurTexte);
    QFETCH(bool, accepte);
    QFETCH(QString, motCle);

    const QString nom = Chemin(QStringLiteral("limites.crd"));
    const QByteArray ancien = DeuxCartes();
    QVERIFY(OutilsTest::EcrireFichier(nom, ancien));

    TFichierX f(u'R', u'x');
    f.Reserver(cartes);
    for (int i = 0; i < cartes; ++i)
        f.AjouterFiche(QString(), i == cartes - 1 ? QString(longueurTexte, u'e') : QString());
    const QString message = MessageDe([&] { TFichierCrd::EnregistrerCardfile(f, nom, true); });
    if (accepte) {
        QCOMPARE(message, QStringLiteral("(none)"));
        const QByteArray ecrit = OutilsTest::LireFichier(nom);
        QCOMPARE(ecrit.size(), 5 + 56 * qsizetype(cartes) + longueurTexte);
        QCOMPARE(ecrit.mid(3, 2), Mot(cartes));
        f.Flux.reset();
        auto relu = TFichierCrd::ChargerCardfile(nom, false);
        QCOMPARE(relu->NombreFiches(), cartes);
        QCOMPARE(relu->Fiche(cartes - 1).Champ2().size(), longueurTexte);
    } else {
        QVERIFY2(message.contains(motCle) && message.contains(QLatin1String("65535")), qPrintable(message));
        QCOMPARE(OutilsTest::LireFichier(nom), ancien);
        QCOMPARE(f.FormatFichier, QChar(u'x'));
        QVERIFY(f.NomFichier.isEmpty());
        QVERIFY(f.Modifie);
        QVERIFY(!f.Flux);
    }
}

void TestCrd::chargement_data()
{
    QTest::addColumn<QByteArray>("octets");
    QTest::addColumn<bool>("demande");
    QTest::addColumn<bool>("modifiable");

    QTest::newRow("writable") << DeuxCartes() << true << true;
    QTest::newRow("read-only") << DeuxCartes() << false << false;
    QTest::newRow("picture, asked writable") << AvecImage() << true << false;
    QTest::newRow("picture, read-only") << AvecImage() << false << false;
}

void TestCrd::chargement()
{
    QFETCH(QByteArray, octets);
    QFETCH(bool, demande);
    QFETCH(bool, modifiable);

    const QString nom = Chemin(QStringLiteral("charge.crd"));
    QVERIFY(OutilsTest::EcrireFichier(nom, octets));
    auto f = TFichierCrd::ChargerCardfile(nom, demande);
    QCOMPARE(f->NomFichier, nom);
    QCOMPARE(f->Modifiable, modifiable);
    QVERIFY(!f->Modifie);
    QVERIFY(f->Flux);
    QCOMPARE(f->Flux->Ecriture(), modifiable);
    QCOMPARE(f->NombreFiches(), int(TFichierCrd::LireCardfile(octets)->NombreFiches()));
}

void TestCrd::imageSauveeSousAutreNom()
{
    const QString source = Chemin(QStringLiteral("image.crd"));
    const QString cible = Chemin(QStringLiteral("sans-image.crd"));
    QVERIFY(OutilsTest::EcrireFichier(source, AvecImage()));
    auto f = TFichierCrd::ChargerCardfile(source, true);
    QVERIFY(!f->Modifiable);

    TFichierCrd::EnregistrerCardfile(*f, cible, true);
    QVERIFY(f->Modifiable);
    QCOMPARE(f->NomFichier, cible);
    QCOMPARE(OutilsTest::LireFichier(source), AvecImage());
    const quint32 d0 = 5 + 3 * 52;
    QCOMPARE(OutilsTest::LireFichier(cible),
             QByteArray("MGC\x03\x00", 5) + Entree(d0, "Anne") + Entree(d0 + 7, "Bruno") + Entree(d0 + 16, "Carla")
                 + Donnees("one") + Donnees("Photo") + Donnees("three\r\nlines"));
}

void TestCrd::sauvetageSurPlace()
{
    const QString nom = Chemin(QStringLiteral("place.crd"));
    QVERIFY(OutilsTest::EcrireFichier(nom, DeuxCartes()));
    auto f = TFichierCrd::ChargerCardfile(nom, true);
    f->ModifierFiche(1, QString(), QStringLiteral("Beta"), QStringLiteral("longer text"));
    f->AjouterFiche(QStringLiteral("Gamma"), QString());
    QVERIFY(f->Modifie);

    TFichierCrd::EnregistrerCardfile(*f, nom, false);
    QVERIFY(!f->Modifie);
    QCOMPARE(f->NomFichier, nom);
    QVERIFY(f->Flux && f->Flux->Ecriture());
    QCOMPARE(OutilsTest::LireFichier(nom),
             QByteArray("MGC\x03\x00", 5) + Entree(161, "Alpha") + Entree(168, "Beta") + Entree(183, "Gamma")
                 + Donnees("abc") + Donnees("longer text") + Donnees(""));
}

QTEST_GUILESS_MAIN(TestCrd)
#include "tst_crd.moc"
