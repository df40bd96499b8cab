// Native card files: every expected byte below is laid out by hand from the
// record layout, never taken from the writer.

#include "formats/fiches/natif.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/pagecode.h"
#include "outilstest.h"
#include "support/octetsnatif.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

namespace {

using namespace OctetsNatif;

// The message of the ErreurIdInvalide the call raises; empty when it raises none.
QString Refus(const std::function<void()> &appel)
{
    try {
        appel();
    } catch (const ErreurIdInvalide &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TstNatif : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dossier;
    QString Chemin(const QString &nom) const { return m_dossier.filePath(nom); }

private slots:
    void initTestCase();
    void init();

    void fichierVide();
    void questionnaireMotsIgnores();
    void qcmSeparateurNul();
    void champs_data();
    void champs();
    void score_data();
    void score();
    void temps_data();
    void temps();
    void pageCode_data();
    void pageCode();
    void pageCodeEcrit_data();
    void pageCodeEcrit();
    void ouiNon_data();
    void ouiNon();
    void version_data();
    void version();
    void ancienFichierOem();
    void chaineDesordre();
    void annonceAbsurde();
    void modele();
    void allerRetour_data();
    void allerRetour();
    void refus_data();
    void refus();
    void prefixesEtOctetsAlteres();
    void chargementEtEnregistrement();
    void champTropLong_data();
    void champTropLong();
};

void TstNatif::initTestCase()
{
    QVERIFY(m_dossier.isValid());
    OutilsTest::IsolerParametres(m_dossier);
}

void TstNatif::init()
{
    ParametresParDefaut();
}

void TstNatif::fichierVide()
{
    TFichierX f(u'N', u'n');
    QByteArray h = Entete('N', 'O', 'C', 1, 1);
    h[30] = ' '; // no separator
    const QByteArray attendu = Bloc("") + h + Queue(0, 0, 0, 0);
    QCOMPARE(attendu.size(), 138);
    QCOMPARE(TFichierNatif::EcrireNatif(f), attendu);

    auto relu = TFichierNatif::LireNatif(attendu, true);
    QCOMPARE(relu->TypeFichier, QChar(u'N'));
    QCOMPARE(relu->NombreFiches(), 0);
    QCOMPARE(relu->FormatFichier, QChar(u'n'));
    QVERIFY(!relu->Modifie);
}

void TstNatif::questionnaireMotsIgnores()
{
    TFichierX f(u'Q', u'n');
    f.SetTitre(QStringLiteral("  Capitales "));
    f.Signature = QStringLiteral("Jean Dupont");
    f.VersionCreation = QStringLiteral("7.8");
    f.OuVisible = QStringLiteral("ou");
    f.Ponctuation = QStringLiteral(".,;");
    f.ReposerErreurs = true;
    f.Phonetique = false;
    f.Correction = true;
    f.NombreQuestions = 20;
    f.SuivreOrdre = false;
    f.MotAMot = true;
    f.DifferencierCasse = false;
    f.BriderEntree = true;
    f.ScoreSatisfaisant = 60;
    f.Temps = 30;
    f.AvecMotsIgnores = true;
    f.MotsIgnores = QStringLiteral("le la les");
    f.AjouterFiche(QStringLiteral("Nom"), QStringLiteral("France"), QStringLiteral("Paris"));

    QByteArray h = Entete('Q', 'Q', 'R', 2, 1);
    h[3] = 7;
    h[4] = 8;
    Placer(h, 8, Court("ou .,;", 15));
    h[24] = 'O';
    h[25] = 'O';
    h[26] = 'N';
    h[27] = 20;
    h[28] = 'N';
    h[29] = 'O';
    h[30] = ';';
    h[31] = 'N';
    Placer(h, 34, Court("Jean Dupont", 18));
    h[53] = '/';
    h[54] = 'O';
    h[55] = 12;
    h[56] = 30;
    h[59] = '(';
    h[60] = '*';
    // Three blocks in record 0, records of 3 * 61 + 16 bytes.
    const QByteArray attendu = Bloc("Capitales") + h + Bloc("le la les") + Queue(0, 0, 1, 1) + Bloc("France") + Bloc("")
        + Bloc("Paris") + Queue(1, 0, 0, 0);
    QCOMPARE(attendu.size(), 2 * 199);
    QCOMPARE(TFichierNatif::EcrireNatif(f), attendu);

    auto r = TFichierNatif::LireNatif(attendu, true);
    QCOMPARE(r->Titre, QStringLiteral("Capitales"));
    QCOMPARE(r->Signature, QStringLiteral("Jean Dupont"));
    QCOMPARE(r->VersionCreation, QStringLiteral("7.8"));
    QCOMPARE(r->OuVisible, QStringLiteral("ou"));
    QCOMPARE(r->Ponctuation, QStringLiteral(".,;"));
    QVERIFY(r->ReposerErreurs);
    QVERIFY(!r->Phonetique);
    QVERIFY(r->Correction);
    QCOMPARE(int(r->NombreQuestions), 20);
    QVERIFY(!r->SuivreOrdre);
    QVERIFY(r->MotAMot);
    QVERIFY(!r->DifferencierCasse);
    QVERIFY(r->BriderEntree);
    QCOMPARE(int(r->ScoreSatisfaisant), 60);
    QCOMPARE(int(r->Temps), 30);
    QVERIFY(r->AvecMotsIgnores);
    QCOMPARE(r->MotsIgnores, QStringLiteral("le la les"));
    QCOMPARE(r->Fragmenteur, QStringLiteral(";"));
    QVERIFY(!r->AvecTitre); // the format has no card titles
    QCOMPARE(r->NombreFiches(), 1);
    QCOMPARE(r->Fiche(0).Champ1(), QStringLiteral("France"));
    QCOMPARE(r->Fiche(0).Champ2(), QStringLiteral("Paris"));
}

void TstNatif::qcmSeparateurNul()
{
    TFichierX f(u'M', u'n');
    f.Fragmenteur = QStringLiteral("===");
    f.AjouterFiche(QString(), QStringLiteral("2+2"), QStringLiteral("4"));
    QByteArray h = Entete('M', 'Q', 'R', 1, 1);
    h[30] = '\0'; // a separator longer than one character
    h[53] = '/';
    h[59] = '(';
    h[60] = '*';
    const QByteArray attendu = Bloc("") + h + Queue(0, 0, 1, 1) + Bloc("2+2") + Bloc("4") + Queue(1, 0, 0, 0);
    QCOMPARE(TFichierNatif::EcrireNatif(f), attendu);

    TOptions options;
    options.separateurQcm = QStringLiteral("@@@");
    auto r = TFichierNatif::LireNatif(attendu, true, options);
    QCOMPARE(r->TypeFichier, QChar(u'M'));
    QCOMPARE(r->Fragmenteur, QStringLiteral("@@@"));
    QVERIFY(!r->EstQuestionnaire);
}

void TstNatif::champs_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QByteArrayList>("blocs");
    QTest::addColumn<QString>("relu");

    const QByteArray a60(60, 'a');
    const QString s60 = QString::fromLatin1(a60);
    const QByteArray w60(60, 'w');
    const QString m60 = QString::fromLatin1(w60);

    QTest::newRow("CR LF stored as space LF")
        << QStringLiteral("a\r\nb") << QByteArrayList{"a \nb"} << QStringLiteral("a\r\nb");
    QTest::newRow("130-character word") << QString(130, u'w') << QByteArrayList{w60, w60, QByteArray(10, 'w')}
                                        << m60 + u' ' + m60 + u' ' + QString(10, u'w');
    QTest::newRow("trailing spaces") << QStringLiteral("fin   ") << QByteArrayList{"fin"} << QStringLiteral("fin");
    QTest::newRow("two spaces at a cut") << QString(59, u'a') + QStringLiteral("  b")
                                         << QByteArrayList{QByteArray(59, 'a'), "b"}
                                         << QString(59, u'a') + QStringLiteral(" b");
    QTest::newRow("cut after the last space")
        << QString(55, u'a') + u' ' + QString(10, u'b') << QByteArrayList{QByteArray(55, 'a'), QByteArray(10, 'b')}
        << QString(55, u'a') + u' ' + QString(10, u'b');
    QTest::newRow("CR LF as 61st character")
        << s60 + QStringLiteral("\r\nb") << QByteArrayList{a60, "\nb"} << s60 + QStringLiteral("\r\nb");
    QTest::newRow("lone LF keeps the character before it")
        << QStringLiteral("a\nb") << QByteArrayList{"a \nb"} << QStringLiteral("a\r\nb");
    QTest::newRow("60 accented letters are 60 bytes")
        << QString(60, QChar(0xE9)) << QByteArrayList{QByteArray(60, char(0xE9))} << QString(60, QChar(0xE9));
    QTest::newRow("characters outside the code page")
        << QStringLiteral("\u0101\u20AC") << QByteArrayList{"?\x80"} << QStringLiteral("?\u20AC");
    QTest::newRow("empty") << QString() << QByteArrayList{""} << QString();
}

void TstNatif::champs()
{
    QFETCH(QString, texte);
    QFETCH(QByteArrayList, blocs);
    QFETCH(QString, relu);

    TFichierX f(u'N', u'n');
    f.AjouterFiche(QStringLiteral("x"), texte);
    QByteArray h = Entete('N', 'O', 'C', 1, int(blocs.size()));
    h[30] = ' ';
    QByteArray attendu = Bloc("");
    attendu += h;
    attendu += QByteArray((blocs.size() - 1) * 61, '\0'); // record 0 has one block per block of a card
    attendu += Queue(0, 0, 1, 1) + Bloc("x");
    for (const QByteArray &b : blocs)
        attendu += Bloc(b);
    attendu += Queue(1, 0, 0, 0);
    QCOMPARE(TFichierNatif::EcrireNatif(f), attendu);

    auto r = TFichierNatif::LireNatif(attendu, true);
    QCOMPARE(r->NombreFiches(), 1);
    QCOMPARE(r->Fiche(0).Champ1(), QStringLiteral("x"));
    QCOMPARE(r->Fiche(0).Champ2(), relu);
}

void TstNatif::score_data()
{
    QTest::addColumn<int>("score");
    QTest::addColumn<int>("octet");
    QTest::addColumn<int>("relu");
    QTest::newRow("50") << 50 << 10 << 50;
    QTest::newRow("33") << 33 << 33 << 33;
    QTest::newRow("31") << 31 << 6 << 30;
    QTest::newRow("200") << 200 << 25 << 125;
    QTest::newRow("126") << 126 << 25 << 125;
    QTest::newRow("125") << 125 << 25 << 125;
    QTest::newRow("32") << 32 << 32 << 32;
    QTest::newRow("35") << 35 << 7 << 35;
    QTest::newRow("0") << 0 << 0 << 0;
}

void TstNatif::score()
{
    QFETCH(int, score);
    QFETCH(int, octet);
    QFETCH(int, relu);
    TFichierX f(u'Q', u'n');
    f.ScoreSatisfaisant = quint8(score);
    const QByteArray octets = TFichierNatif::EcrireNatif(f);
    QCOMPARE(int(uchar(octets.at(61 + 55))), octet);
    QCOMPARE(int(TFichierNatif::LireNatif(octets, true)->ScoreSatisfaisant), relu);
}

void TstNatif::temps_data()
{
    QTest::addColumn<int>("octet");
    QTest::addColumn<int>("relu");
    QTest::newRow("63 ignored") << 63 << 0;
    QTest::newRow("65 multiple of 5") << 65 << 65;
    QTest::newRow("60") << 60 << 60;
    QTest::newRow("7") << 7 << 7;
    QTest::newRow("250") << 250 << 250;
    QTest::newRow("254 ignored") << 254 << 0;
    QTest::newRow("255 multiple of 5") << 255 << 255;
}

void TstNatif::temps()
{
    QFETCH(int, octet);
    QFETCH(int, relu);
    QByteArray h = Entete('Q', 'Q', 'R', 1, 1);
    h[56] = char(octet);
    const QByteArray fichier = Bloc("") + h + Queue(0, 0, 0, 0);
    QCOMPARE(int(TFichierNatif::LireNatif(fichier, true)->Temps), relu);

    // Written as held, whatever the reader makes of it.
    TFichierX f(u'Q', u'n');
    f.Temps = quint8(octet);
    QCOMPARE(int(uchar(TFichierNatif::EcrireNatif(f).at(61 + 56))), octet);
}

void TstNatif::pageCode_data()
{
    QTest::addColumn<int>("signature");
    QTest::addColumn<int>("longueur");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("octet");
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("pageModele");

    const QString e = QStringLiteral("\u00E9");
    QTest::newRow("OEM without code page") << 0x41 << 57 << 0 << 0x82 << e << 1252;
    QTest::newRow("OEM ignores the code page") << 0x41 << 60 << 1251 << 0x82 << e << 1251;
    QTest::newRow("ANSI 1252") << 0xC1 << 60 << 1252 << 0xE9 << e << 1252;
    QTest::newRow("ANSI 1251") << 0xC1 << 60 << 1251 << 0xE9 << QStringLiteral("\u0439") << 1251;
    QTest::newRow("ANSI unknown code page") << 0xC1 << 60 << 4242 << 0xE9 << e << 1252;
    QTest::newRow("ANSI, code page field absent") << 0xC1 << 57 << 1251 << 0xE9 << e << 1252;
}

void TstNatif::pageCode()
{
    QFETCH(int, signature);
    QFETCH(int, longueur);
    QFETCH(int, page);
    QFETCH(int, octet);
    QFETCH(QString, texte);
    QFETCH(int, pageModele);

    QByteArray h = Entete('N', 'O', 'C', 1, 1);
    h[0] = char(longueur);
    h[1] = char(signature);
    h[57] = char(page & 0xFF);
    h[58] = char(page >> 8);
    const QByteArray c(1, char(octet));
    const QByteArray fichier = Bloc(c) + h + Queue(0, 0, 1, 1) + Bloc(c) + Bloc(c + c) + Queue(1, 0, 0, 0);
    auto r = TFichierNatif::LireNatif(fichier, true);
    QCOMPARE(r->Titre, texte);
    QCOMPARE(r->Fiche(0).Champ1(), texte);
    QCOMPARE(r->Fiche(0).Champ2(), texte + texte);
    QCOMPARE(int(r->PageCode), pageModele);
}

void TstNatif::pageCodeEcrit_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("ecrit");
    QTest::addColumn<QByteArray>("octets");
    QTest::newRow("1252") << 1252 << 1252 << QByteArray("\xE9\xE7?");
    QTest::newRow("1251") << 1251 << 1251 << QByteArray("??\xE9");
    QTest::newRow("850") << 850 << 850 << QByteArray("\x82\x87?");
    QTest::newRow("unknown") << 4242 << 1252 << QByteArray("\xE9\xE7?");
    QTest::newRow("UTF-8 is not a one-byte code page") << 65001 << 1252 << QByteArray("\xE9\xE7?");
}

void TstNatif::pageCodeEcrit()
{
    QFETCH(int, page);
    QFETCH(int, ecrit);
    QFETCH(QByteArray, octets);
    TFichierX f(u'N', u'x');
    f.PageCode = quint16(page);
    f.AjouterFiche(QStringLiteral("\u00E9\u00E7\u0439"), QString());
    const QByteArray fichier = TFichierNatif::EcrireNatif(f);
    QCOMPARE(int(uchar(fichier.at(61 + 57)) | (uchar(fichier.at(61 + 58)) << 8)), ecrit);
    QCOMPARE(fichier.mid(138, 61), Bloc(octets));
}

void TstNatif::ouiNon_data()
{
    QTest::addColumn<char>("lettre");
    QTest::addColumn<bool>("oui");
    for (char c : {'J', 'O', 'S', 'T', 'Y'})
        QTest::newRow(QByteArray(1, c).constData()) << c << true;
    for (char c : {'o', 'y', 'N', 'X', '\0'})
        QTest::newRow(("not " + QByteArray::number(int(c))).constData()) << c << false;
}

void TstNatif::ouiNon()
{
    QFETCH(char, lettre);
    QFETCH(bool, oui);
    QByteArray h = Entete('Q', 'Q', 'R', 1, 1);
    for (int position : {24, 25, 26, 28, 29, 31, 54})
        h[position] = lettre;
    auto r = TFichierNatif::LireNatif(Bloc("") + h + Queue(0, 0, 0, 0), true);
    QCOMPARE(r->ReposerErreurs, oui);
    QCOMPARE(r->Phonetique, !oui);
    QCOMPARE(r->Correction, !oui);
    QCOMPARE(r->SuivreOrdre, oui);
    QCOMPARE(r->MotAMot, oui);
    QCOMPARE(r->DifferencierCasse, oui);
    QCOMPARE(r->BriderEntree, oui);
}

void TstNatif::version_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("majeure");
    QTest::addColumn<int>("mineure");
    QTest::addColumn<QString>("relue");
    QTest::newRow("7.8") << QStringLiteral("7.8") << 7 << 8 << QStringLiteral("7.8");
    QTest::newRow("6.10") << QStringLiteral("6.10") << 6 << 10 << QStringLiteral("6.10");
    QTest::newRow("no point") << QStringLiteral("7") << 0 << 0 << QString();
    QTest::newRow("not numbers") << QStringLiteral("a.b") << 0 << 0 << QString();
    QTest::newRow("minor too large") << QStringLiteral("2.345") << 2 << 0 << QStringLiteral("2.0");
    QTest::newRow("empty") << QString() << 0 << 0 << QString();
}

void TstNatif::version()
{
    QFETCH(QString, version);
    QFETCH(int, majeure);
    QFETCH(int, mineure);
    QFETCH(QString, relue);
    TFichierX f(u'R', u'x');
    f.VersionCreation = version;
    const QByteArray octets = TFichierNatif::EcrireNatif(f);
    QCOMPARE(int(uchar(octets.at(61 + 3))), majeure);
    QCOMPARE(int(uchar(octets.at(61 + 4))), mineure);
    QCOMPARE(TFichierNatif::LireNatif(octets, true)->VersionCreation, relue);
}

void TstNatif::ancienFichierOem()
{
    const QByteArray ancien = OutilsTest::LireFichier(OutilsTest::DonneesTest(QStringLiteral("natif/ancien_oem.aqq")));
    QCOMPARE(ancien.size(), 597);
    auto r = TFichierNatif::LireNatif(ancien, true);
    QCOMPARE(r->TypeFichier, QChar(u'Q'));
    QCOMPARE(r->Titre, QStringLiteral("G\u00E9ographie"));
    QCOMPARE(r->Signature, QStringLiteral("Fran\u00E7ois"));
    QCOMPARE(r->MotsIgnores, QStringLiteral("le la les \u00E0"));
    QCOMPARE(r->VersionCreation, QStringLiteral("5.2"));
    QCOMPARE(int(r->PageCode), int(PageCode::AnsiSysteme()));
    QVERIFY(r->MotAMot);
    QVERIFY(!r->Phonetique);
    QVERIFY(r->Correction);
    QCOMPARE(int(r->ScoreSatisfaisant), 50);
    QCOMPARE(int(r->Temps), 45);
    QCOMPARE(r->NombreFiches(), 2);
    QCOMPARE(r->Fiche(0).Champ1(), QStringLiteral("Capitale de la Su\u00E8de ?"));
    QCOMPARE(r->Fiche(1).Champ2(), QStringLiteral("Copenhague"));

    QCOMPARE(TFichierNatif::EcrireNatif(*r), AncienOemEnAnsi());
}

void TstNatif::chaineDesordre()
{
    auto r = TFichierNatif::LireNatif(FichierDesordre(), true);
    QCOMPARE(r->Titre, QStringLiteral("Lettres"));
    QCOMPARE(r->NombreFiches(), 3);
    QCOMPARE(r->Fiche(0).Champ1(), QStringLiteral("B"));
    QCOMPARE(r->Fiche(1).Champ1(), QStringLiteral("C"));
    QCOMPARE(r->Fiche(2).Champ1(), QStringLiteral("A"));
    QCOMPARE(r->Fiche(2).Champ2(), QStringLiteral("a"));
    QCOMPARE(TFichierNatif::EcrireNatif(*r), FichierDesordreRange());
}

void TstNatif::annonceAbsurde()
{
    // The card count only reserves room: a huge one changes nothing.
    QByteArray fichier = FichierDesordre();
    fichier.replace(122, 16, Queue(0, 0, 0x7FFFFFFF, 2));
    auto r = TFichierNatif::LireNatif(fichier, true);
    QCOMPARE(r->NombreFiches(), 3);
    fichier.replace(122, 16, Queue(0, 0, -5, 2));
    QCOMPARE(TFichierNatif::LireNatif(fichier, true)->NombreFiches(), 3);
}

void TstNatif::modele()
{
    QByteArray h = Entete('Q', 'Q', 'R', 1, 1);
    h[3] = 7;
    h[4] = 8;
    h[30] = '#';
    h[55] = 12;
    h[56] = 30;
    h[57] = char(0xE3); // 1251
    Placer(h, 34, Court("Auteur", 18));
    const QByteArray octets = Bloc("Titre") + h + Queue(0, 0, 1, 1) + Bloc("q") + Bloc("r") + Queue(1, 0, 0, 0);
    const QString nom = Chemin(QStringLiteral("modele.aqq"));
    QVERIFY(OutilsTest::EcrireFichier(nom, octets));

    auto r = TFichierNatif::ChargerNatif(nom, true, false);
    QVERIFY(r->Titre.isEmpty());
    QVERIFY(r->Signature.isEmpty());
    QVERIFY(r->VersionCreation.isEmpty());
    QCOMPARE(int(r->PageCode), int(PageCode::AnsiSysteme()));
    QCOMPARE(r->NombreFiches(), 0);
    QVERIFY(r->NomFichier.isEmpty());
    QVERIFY(!r->Flux);
    QVERIFY(r->Modifiable);
    QVERIFY(!r->Modifie);
    // The layout and options are taken.
    QCOMPARE(r->TypeFichier, QChar(u'Q'));
    QCOMPARE(r->Fragmenteur, QStringLiteral("#"));
    QCOMPARE(int(r->ScoreSatisfaisant), 60);
    QCOMPARE(int(r->Temps), 30);
    // The model is not held open.
    QVERIFY(TFlux::Ouvrir(nom, true));
}

void TstNatif::allerRetour_data()
{
    QTest::addColumn<QChar>("type");
    for (char16_t t : {u'Q', u'M', u'N', u'L', u'D', u'R', u'V', u'F', u'E', u'I'})
        QTest::newRow(QByteArray(1, char(t)).constData()) << QChar(t);
}

void TstNatif::allerRetour()
{
    QFETCH(QChar, type);
    TFichierX f(type, u'x');
    f.SetTitre(QStringLiteral("Titre accentu\u00E9 qui d\u00E9passe largement les soixante caract\u00E8res d'un bloc"));
    f.Signature = QStringLiteral("Une signature bien trop longue");
    f.VersionCreation = QStringLiteral("12.345");
    f.AvecMotsIgnores = type == u'Q';
    f.MotsIgnores = QStringLiteral("un une des");
    f.Ponctuation = QStringLiteral(".,;:!?\u00AB\u00BB-_()[]");
    f.AjouterFiche(QStringLiteral("Ligne 1\r\nLigne 2\r\n\r\n  retrait"), QString(200, u'z'));
    f.AjouterFiche(QString(), QStringLiteral("\u0153uvre \u20AC \u00FF"));
    f.AjouterFiche(QStringLiteral("mots ") + QString(70, u'm') + QStringLiteral(" fin"), QStringLiteral("x"));

    const QByteArray premier = TFichierNatif::EcrireNatif(f);
    auto relu = TFichierNatif::LireNatif(premier, true);
    QCOMPARE(relu->NombreFiches(), 3);
    QCOMPARE(TFichierNatif::EcrireNatif(*relu), premier);
    QCOMPARE(relu->Fiche(1).Champ2(), QStringLiteral("\u0153uvre \u20AC \u00FF"));
}

void TstNatif::refus_data()
{
    QTest::addColumn<QByteArray>("octets");
    const QByteArray bon = FichierDesordre();
    auto modifie = [&bon](int position, const QByteArray &octets) {
        QByteArray b = bon;
        b.replace(position, octets.size(), octets);
        return b;
    };
    const int recordA = 138; // record 1, the last of the chain

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("signature AR") << modifie(63, "R");
    QTest::newRow("signature BQ") << modifie(62, "B");
    QTest::newRow("used length 32") << modifie(61, QByteArray(1, char(32)));
    QTest::newRow("no blocks for field 1") << modifie(61 + 32, QByteArray(1, '\0'));
    QTest::newRow("no blocks for field 2") << modifie(61 + 33, QByteArray(1, '\0'));
    QTest::newRow("type NUL") << modifie(61 + 5, QByteArray(1, '\0'));
    QTest::newRow("type lower case") << modifie(61 + 5, "q");
    QTest::newRow("header record cut short") << bon.left(137);
    QTest::newRow("absurd block counts") << modifie(61 + 32, QByteArray(2, char(255)));
    QTest::newRow("first record beyond the file") << modifie(122 + 12, Queue(9, 0, 0, 0).left(4));
    QTest::newRow("first record negative") << modifie(122 + 12, Queue(-1, 0, 0, 0).left(4));
    QTest::newRow("next record beyond the file") << modifie(3 * 138 + 122 + 12, Queue(4, 0, 0, 0).left(4));
    QTest::newRow("record pointing at itself") << modifie(recordA + 122 + 12, Queue(1, 0, 0, 0).left(4));
    QTest::newRow("chain back to a read record") << modifie(recordA + 122 + 12, Queue(2, 0, 0, 0).left(4));
    QTest::newRow("last record cut short") << bon.left(bon.size() - 1);
}

void TstNatif::refus()
{
    QFETCH(QByteArray, octets);
    QCOMPARE(Refus([&] { TFichierNatif::LireNatif(octets, true); }), Invalide);
}

void TstNatif::prefixesEtOctetsAlteres()
{
    TFichierX f(u'Q', u'n');
    f.SetTitre(QStringLiteral("Essai"));
    f.AvecMotsIgnores = true;
    f.MotsIgnores = QStringLiteral("le");
    f.AjouterFiche(QString(), QStringLiteral("q1"), QStringLiteral("r1\r\nsuite"));
    f.AjouterFiche(QString(), QString(90, u'q'), QStringLiteral("r2"));
    f.AjouterFiche(QString(), QStringLiteral("q3"), QStringLiteral("r3"));
    const QByteArray bon = TFichierNatif::EcrireNatif(f);
    QCOMPARE(TFichierNatif::LireNatif(bon, true)->NombreFiches(), 3);

    // Every shorter prefix loses part of a record the chain needs.
    for (int n = 0; n < bon.size(); ++n) {
        const QByteArray prefixe = bon.left(n);
        QCOMPARE(Refus([&] { TFichierNatif::LireNatif(prefixe, true); }), Invalide);
    }

    // Any altered byte gives a refusal or a card file that the file can hold.
    int refus = 0;
    for (int i = 0; i < bon.size(); ++i) {
        for (int masque : {0x01, 0x80, 0xFF}) {
            QByteArray altere = bon;
            altere[i] = char(altere.at(i) ^ masque);
            for (bool complet : {true, false}) {
                try {
                    auto r = TFichierNatif::LireNatif(altere, complet);
                    QVERIFY(r->NombreFiches() * 138 <= altere.size());
                } catch (const ErreurIdInvalide &e) {
                    QCOMPARE(e.message(), Invalide);
                    ++refus;
                }
            }
        }
    }
    QVERIFY(refus > 0);
}

void TstNatif::chargementEtEnregistrement()
{
    const QString nom = Chemin(QStringLiteral("document.aqn"));
    QVERIFY(OutilsTest::EcrireFichier(nom, FichierDesordre()));

    auto f = TFichierNatif::ChargerNatif(nom, true, true);
    QCOMPARE(f->NomFichier, nom);
    QVERIFY(f->Modifiable);
    QVERIFY(!f->Modifie);
    QVERIFY(f->Flux);
    QCOMPARE(f->NombreFiches(), 3);

    // Saved in place: the records come out in list order.
    f->Modifie = true;
    TFichierNatif::EnregistrerNatif(*f, nom, false);
    QVERIFY(!f->Modifie);
    QCOMPARE(OutilsTest::LireFichier(nom), FichierDesordreRange());

    // Saved as a new file, converted from another format.
    TFichierX autre(u'N', u'x');
    autre.SetTitre(QStringLiteral("Lettres"));
    autre.Signature = QStringLiteral("Moi");
    autre.AjouterFiche(QStringLiteral("B"), QStringLiteral("b"));
    autre.AjouterFiche(QStringLiteral("C"), QStringLiteral("c"));
    autre.AjouterFiche(QStringLiteral("A"), QStringLiteral("a"));
    const QString copie = Chemin(QStringLiteral("copie.aqn"));
    TFichierNatif::EnregistrerNatif(autre, copie, true);
    QCOMPARE(autre.FormatFichier, QChar(u'n'));
    QCOMPARE(autre.NomFichier, copie);
    QVERIFY(autre.Flux);
    QVERIFY(!autre.Modifie);
    QCOMPARE(OutilsTest::LireFichier(copie), FichierDesordreRange());

    // Read-only: the document cannot be edited.
    f.reset();
    auto lecture = TFichierNatif::ChargerNatif(nom, false, true);
    QVERIFY(!lecture->Modifiable);
}

void TstNatif::champTropLong_data()
{
    QTest::addColumn<int>("champ");
    QTest::addColumn<int>("longueur");
    QTest::addColumn<bool>("accepte");
    QTest::newRow("251 full lines in field 2") << 2 << 251 * 60 << true;
    QTest::newRow("one more character in field 2") << 2 << 251 * 60 + 1 << false;
    QTest::newRow("251 full lines in field 1") << 1 << 251 * 60 << true;
    QTest::newRow("one more character in field 1") << 1 << 251 * 60 + 1 << false;
}

void TstNatif::champTropLong()
{
    QFETCH(int, champ);
    QFETCH(int, longueur);
    QFETCH(bool, accepte);

    const QString nom = Chemin(QStringLiteral("long.aqn"));
    QFile::remove(nom);
    TFichierX f(u'N', u'x');
    f.AjouterFiche(QStringLiteral("court"), QStringLiteral("corps"));
    TFichierNatif::EnregistrerNatif(f, nom, true);
    const QByteArray avant = OutilsTest::LireFichier(nom);

    const QString texte(longueur, u'y');
    f.AjouterFiche(champ == 1 ? texte : QStringLiteral("Long"), champ == 2 ? texte : QStringLiteral("b"));
    const QString message = Refus([&] { TFichierNatif::EnregistrerNatif(f, nom, false); });
    if (accepte) {
        QVERIFY(message.isEmpty());
        auto r = TFichierNatif::LireNatif(OutilsTest::LireFichier(nom), true);
        const QString &relu = champ == 1 ? r->Fiche(1).Champ1() : r->Fiche(1).Champ2();
        QCOMPARE(relu.count(u' '), 250); // the lines come back joined by spaces
        QCOMPARE(relu.size(), longueur + 250);
    } else {
        QVERIFY(message.contains(f.LibelleFiche(1).left(20)));
        QVERIFY(message.contains(QStringLiteral("251")));
        QVERIFY(f.Modifie);
        QCOMPARE(OutilsTest::LireFichier(nom), avant);
    }
    f.Flux.reset();
}

QTEST_GUILESS_MAIN(TstNatif)
#include "tst_natif.moc"
