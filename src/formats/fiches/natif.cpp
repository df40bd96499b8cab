#include "formats/fiches/natif.h"

#include "formats/contrat.h"
#include "formats/table.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/outils.h"
#include "model/pagecode.h"
#include "model/progression.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Geometry: texts live in blocks of one length byte and 60 characters;
// every record ends with four 32-bit integers.
constexpr int TailleBloc = 61;
constexpr int LongueurLigne = 60;
constexpr int TailleQueue = 16;
constexpr qint64 Entete = TailleBloc; // the header block follows the title block

// Offsets inside the header block.
enum : int {
    HLongueur = 0,
    HSignature = 1,
    HVersionMajeure = 3,
    HVersionMineure = 4,
    HType = 5,
    HIdChamp1 = 6,
    HIdChamp2 = 7,
    HOu = 8,
    HReposerErreurs = 24,
    HPasPhonetique = 25,
    HPasCorrection = 26,
    HNombreQuestions = 27,
    HSuivreOrdre = 28,
    HMotAMot = 29,
    HFragmenteur = 30,
    HDifferencierCasse = 31,
    HBlocsChamp1 = 32,
    HBlocsChamp2 = 33,
    HSignatureAuteur = 34,
    HAlternateur = 53,
    HBriderEntree = 54,
    HScore = 55,
    HTemps = 56,
    HPageCode = 57,
    HCommentaire = 59,
    HTroncature = 60,
};

constexpr uchar SignatureOem = 0x41;  // "AQ": texts in the OEM code page
constexpr uchar SignatureAnsi = 0xC1; // "ÁQ": texts in an ANSI code page
constexpr int LongueurMinimale = 33;
constexpr int LongueurAvecPageCode = 58;

[[noreturn]] void Refuser()
{
    throw ErreurIdInvalide(QCoreApplication::translate("Natif", "Not a valid native Amblorine file!"));
}

// Everything the reader takes from one file held in memory. Positions past
// the end read as zeros.
class Lecteur
{
public:
    explicit Lecteur(const QByteArray &octets) : m_octets(octets) { }

    uchar Octet(qint64 position) const
    {
        return position >= 0 && position < m_octets.size() ? uchar(m_octets.at(position)) : 0;
    }

    qint32 Entier(qint64 position) const
    {
        quint32 valeur = 0;
        for (int i = 3; i >= 0; --i)
            valeur = (valeur << 8) | Octet(position + i);
        return qint32(valeur);
    }

    // The used characters of a short string of max characters.
    QByteArray Court(qint64 position, int max) const
    {
        QByteArray texte;
        LireCourt(texte, position, max);
        return texte;
    }

    // A field of several blocks into champ (its room kept from one field to
    // the next): lines joined by one space, and the space the writer put
    // before each LF turned back into CR.
    void Champ(QByteArray &champ, qint64 position, int blocs) const
    {
        champ.resize(0);
        LireCourt(champ, position, LongueurLigne);
        for (int k = 1; k < blocs; ++k) {
            const qint64 ligne = position + qint64(k) * TailleBloc;
            if (Octet(ligne) == 0)
                continue;
            champ += ' ';
            LireCourt(champ, ligne, LongueurLigne);
        }
        char *c = champ.data();
        for (qsizetype i = 1; i < champ.size(); ++i) {
            if (c[i] == '\n')
                c[i - 1] = '\r';
        }
    }

private:
    void LireCourt(QByteArray &sortie, qint64 position, int max) const
    {
        const int longueur = std::min<int>(Octet(position), max);
        const qint64 debut = position + 1;
        if (debut >= 0 && debut + longueur <= m_octets.size()) {
            sortie.append(m_octets.constData() + debut, longueur);
            return;
        }
        for (int i = 0; i < longueur; ++i)
            sortie += char(Octet(debut + i));
    }

    const QByteArray &m_octets;
};

// Line breaks of the model are CR LF; a lone CR or LF is taken as one too,
// since the writer would otherwise overwrite the character before a lone LF.
QString NormaliserLignes(const QString &texte)
{
    if (!texte.contains(u'\r') && !texte.contains(u'\n'))
        return texte;
    // At most two characters for one.
    QString resultat(2 * texte.size(), Qt::Uninitialized);
    const QChar *c = texte.constData();
    QChar *sortie = resultat.data();
    qsizetype k = 0;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        if (c[i] == u'\r' || c[i] == u'\n') {
            sortie[k++] = u'\r';
            sortie[k++] = u'\n';
            if (c[i] == u'\r' && i + 1 < texte.size() && c[i + 1] == u'\n')
                ++i;
        } else {
            sortie[k++] = c[i];
        }
    }
    resultat.truncate(k);
    return resultat;
}

// A field as it is stored: the CR of each line break becomes the space the
// format keeps before LF (texte is changed in place), and the 1-based start
// of each of its lines (each at most 60 bytes), then its end, go to debuts.
// Returns false when the text needs more than 251 lines.
bool CouperChamp(QByteArray &texte, std::vector<int> &debuts, std::vector<int> &tampon)
{
    CouperLignes(texte, tampon);
    if (tampon.back() <= texte.size())
        return false;
    char *c = texte.data();
    for (qsizetype i = 1; i < texte.size(); ++i) {
        if (c[i] == '\n')
            c[i - 1] = ' ';
    }
    debuts.insert(debuts.end(), tampon.begin(), tampon.end());
    return true;
}

// Writes a field's lines into its blocks at sortie (zeros already), each
// without its trailing spaces.
void EcrireChamp(char *sortie, const QByteArray &texte, const int *debuts, int lignes)
{
    for (int k = 0; k < lignes; ++k, sortie += TailleBloc) {
        const int debut = debuts[k] - 1;
        int longueur = std::min(debuts[k + 1] - 1 - debut, LongueurLigne);
        while (longueur > 0 && texte.at(debut + longueur - 1) == ' ')
            --longueur;
        sortie[0] = char(uchar(longueur));
        std::memcpy(sortie + 1, texte.constData() + debut, size_t(longueur));
    }
}

// A short string of max characters: length byte, text, zeros.
void AjouterCourt(QByteArray &sortie, const QByteArray &texte, int max)
{
    const qsizetype longueur = std::min<qsizetype>(texte.size(), max);
    sortie += char(uchar(longueur));
    sortie.append(texte.constData(), longueur);
    sortie.append(max - longueur, '\0');
}

void PlacerCourt(QByteArray &bloc, int position, const QByteArray &texte, int max)
{
    QByteArray court;
    AjouterCourt(court, texte, max);
    bloc.replace(position, court.size(), court);
}

void AjouterEntier(QByteArray &sortie, qint32 valeur)
{
    const quint32 v = quint32(valeur);
    for (int i = 0; i < 4; ++i)
        sortie += char(uchar(v >> (8 * i)));
}

// Major or minor version number as a byte: 0 when it is not one.
uchar NumeroVersion(const QString &texte)
{
    bool ok = false;
    const int valeur = texte.toInt(&ok);
    return ok && valeur >= 0 && valeur <= 255 ? uchar(valeur) : 0;
}

// The format holds one byte per character: lines are cut on bytes, so a
// multi-byte encoding would be split inside characters. Unknown code pages
// are written as the system's, which is what the encoder falls back to.
int PageEcriture(int pageCode)
{
    constexpr int Utf8 = 65001;
    if (pageCode != Utf8 && PageCode::Connue(pageCode))
        return pageCode;
    const int systeme = PageCode::AnsiSysteme();
    return systeme != Utf8 && PageCode::Connue(systeme) ? systeme : 1252;
}

quint8 EncoderScore(quint8 score)
{
    if (score > 125)
        return 25;
    if (score % 5 == 0 || score < 32)
        return score / 5;
    return score;
}

} // namespace

std::unique_ptr<TFichierX> TFichierNatif::LireNatif(const QByteArray &octets, bool complet, const TOptions &options)
{
    TBudgetMemoire budget(octets.size());
    const Lecteur l(octets);
    auto h = [&l](int position) { return l.Octet(Entete + position); };

    if (h(HLongueur) < LongueurMinimale || (h(HSignature) != SignatureOem && h(HSignature) != SignatureAnsi)
        || h(HSignature + 1) != 0x51)
        Refuser();
    const bool oem = h(HSignature) == SignatureOem;
    const uchar type = h(HType);
    if (type < 'A' || type > 'Z')
        Refuser();
    const int blocsChamp1 = h(HBlocsChamp1);
    const int blocsChamp2 = h(HBlocsChamp2);
    if (blocsChamp1 == 0 || blocsChamp2 == 0)
        Refuser();
    const int n = blocsChamp1 + blocsChamp2;
    const qint64 tailleRecord = qint64(n) * TailleBloc + TailleQueue;
    if (octets.size() < tailleRecord)
        Refuser(); // the header record itself is cut short

    const bool avecPageCode = h(HLongueur) >= LongueurAvecPageCode;
    const int pageCodeLu = avecPageCode ? h(HPageCode) | (h(HPageCode + 1) << 8) : 0;
    const int pageTextes = oem                           ? PageCode::Oem()
        : (avecPageCode && PageCode::Connue(pageCodeLu)) ? pageCodeLu
                                                         : PageCode::AnsiSysteme();
    auto texte = [pageTextes](const QByteArray &b) { return PageCode::Decoder(b, pageTextes); };
    auto caractere = [&](int position) { return texte(QByteArray(1, char(h(position)))); };
    auto oui = [&](int position) { return EstLettreOui(char(h(position))); };

    auto f = std::make_unique<TFichierX>(QChar(char16_t(type)), u'n', options);
    const QString motsIgnores = n > 2 ? texte(l.Court(2 * TailleBloc, LongueurLigne)) : QString();
    f->AvecTitre = false;

    if (complet) {
        f->SetTitre(texte(l.Court(0, LongueurLigne)));
        f->Signature = texte(l.Court(Entete + HSignatureAuteur, 18));
        if (avecPageCode && PageCode::Connue(pageCodeLu))
            f->PageCode = quint16(pageCodeLu);
        if (h(HVersionMajeure) != 0)
            f->VersionCreation = QStringLiteral("%1.%2").arg(h(HVersionMajeure)).arg(h(HVersionMineure));
    }

    // A tag that cannot name an element keeps the type's default.
    const QString id1 = caractere(HIdChamp1);
    const QString id2 = caractere(HIdChamp2);
    if (TFichierX::EstIdentifiant(id1))
        f->IdChamp1 = id1;
    if (TFichierX::EstIdentifiant(id2))
        f->IdChamp2 = id2;

    if (f->EstQuestionnaire) {
        const QString ou = texte(l.Court(Entete + HOu, 15));
        const qsizetype espace = ou.indexOf(u' ');
        if (espace >= 0) {
            f->OuVisible = ou.left(espace);
            f->Ponctuation = ou.mid(espace + 1);
        }
        f->ReposerErreurs = oui(HReposerErreurs);
        f->Correction = !oui(HPasCorrection);
        f->BriderEntree = oui(HBriderEntree);
        f->NombreQuestions = h(HNombreQuestions);
        f->SuivreOrdre = oui(HSuivreOrdre);
        f->MotAMot = oui(HMotAMot);
        f->DifferencierCasse = oui(HDifferencierCasse);
        f->Phonetique = !oui(HPasPhonetique);
        const uchar score = h(HScore);
        f->ScoreSatisfaisant = score < 32 ? quint8(score * 5) : score;
        const uchar temps = h(HTemps);
        if (temps <= 60 || temps % 5 == 0)
            f->Temps = temps;
        f->AvecMotsIgnores = !motsIgnores.isEmpty();
        if (f->AvecMotsIgnores)
            f->MotsIgnores = motsIgnores;
    }

    // The setters keep the type's defaults for characters they do not accept.
    f->SetFragmenteurCar(QChar(char16_t(h(HFragmenteur))));
    f->SetAlternateur(QChar(char16_t(h(HAlternateur))));
    f->SetCommentaire(QChar(char16_t(h(HCommentaire))));
    f->SetTroncature(QChar(char16_t(h(HTroncature))));

    if (complet) {
        const qint64 trailer = qint64(n) * TailleBloc;
        const qint32 annonces = l.Entier(trailer + 8);
        qint32 record = l.Entier(trailer + 12);
        // Whole records only: a chain that leaves the file, or comes back to
        // a record already read, is a damaged file.
        const qint64 records = octets.size() / tailleRecord;
        if (annonces > 0)
            f->Reserver(int(std::min<qint64>(annonces, records - 1)));
        std::vector<bool> lus(size_t(records), false);
        QByteArray octets1, octets2;
        octets1.reserve(qsizetype(blocsChamp1) * TailleBloc);
        octets2.reserve(qsizetype(blocsChamp2) * TailleBloc);
        while (record != 0) {
            if (record < 1 || record >= records || lus[size_t(record)])
                Refuser();
            lus[size_t(record)] = true;
            const qint64 debut = qint64(record) * tailleRecord;
            l.Champ(octets1, debut, blocsChamp1);
            l.Champ(octets2, debut + qint64(blocsChamp1) * TailleBloc, blocsChamp2);
            f->AjouterFiche(texte(octets1), texte(octets2));
            TProgression::Avancer(f->NombreFiches(), records);
            record = l.Entier(debut + qint64(n) * TailleBloc + 12);
        }
    }
    f->Modifie = false;
    return f;
}

int TFichierNatif::PageTextes(const TFichierX &fichier)
{
    return PageEcriture(fichier.PageCode);
}

QByteArray TFichierNatif::EcrireNatif(const TFichierX &f)
{
    const int page = PageEcriture(f.PageCode);
    auto encoder = [page](const QString &t) { return PageCode::Encoder(t, page); };
    auto octet = [&](QChar c) -> char {
        if (c.isNull())
            return '\0';
        const QByteArray b = encoder(QString(c));
        return b.isEmpty() ? '\0' : b.at(0);
    };

    // Cut every field first: the geometry depends on the longest one, and a
    // card that does not fit stops the save before anything is written.
    const int nombre = f.NombreFiches();
    std::vector<QByteArray> textes(2 * static_cast<size_t>(nombre));
    // Where the line starts of field j (card j / 2, field 1 + j % 2) begin in debuts.
    std::vector<size_t> premiers(2 * static_cast<size_t>(nombre) + 1, 0);
    std::vector<int> debuts, tampon;
    debuts.reserve(4 * static_cast<size_t>(nombre) + 2);
    int blocsChamp1 = f.AvecMotsIgnores ? 2 : 1;
    int blocsChamp2 = 1;
    for (int i = 0; i < nombre; ++i) {
        TProgression::Avancer(i, 2 * qint64(nombre));
        const TFicheX &fiche = f.Fiche(i);
        for (int k = 0; k < 2; ++k) {
            const size_t j = 2 * size_t(i) + size_t(k);
            textes[j] = encoder(NormaliserLignes(k == 0 ? fiche.Champ1() : fiche.Champ2()));
            if (!CouperChamp(textes[j], debuts, tampon))
                throw ErreurIdInvalide(
                    QCoreApplication::translate("Natif",
                                                "The card \"%1\" (number %2) is too long for the native format: a "
                                                "field holds at most 251 lines of 60 characters. Nothing was saved.")
                        .arg(f.LibelleFiche(i))
                        .arg(i + 1));
            premiers[j + 1] = debuts.size();
            int &blocs = k == 0 ? blocsChamp1 : blocsChamp2;
            blocs = std::max(blocs, int(premiers[j + 1] - premiers[j]) - 1);
        }
    }
    const int n = blocsChamp1 + blocsChamp2;

    QByteArray sortie;
    sortie.reserve((qint64(n) * TailleBloc + TailleQueue) * (nombre + 1));
    AjouterCourt(sortie, encoder(f.Titre), LongueurLigne);

    QByteArray h(TailleBloc, '\0');
    h[HLongueur] = char(LongueurLigne);
    h[HSignature] = char(SignatureAnsi);
    h[HSignature + 1] = 'Q';
    const qsizetype point = f.VersionCreation.indexOf(u'.');
    if (point >= 0) {
        h[HVersionMajeure] = char(NumeroVersion(f.VersionCreation.left(point)));
        h[HVersionMineure] = char(NumeroVersion(f.VersionCreation.mid(point + 1)));
    }
    h[HType] = octet(f.TypeFichier);
    h[HIdChamp1] = f.IdChamp1.isEmpty() ? ' ' : octet(f.IdChamp1.at(0));
    h[HIdChamp2] = f.IdChamp2.isEmpty() ? ' ' : octet(f.IdChamp2.at(0));
    h[HBlocsChamp1] = char(blocsChamp1);
    h[HBlocsChamp2] = char(blocsChamp2);
    PlacerCourt(h, HSignatureAuteur, encoder(f.Signature), 18);
    if (f.EstQuestionnaire) {
        PlacerCourt(h, HOu, encoder(f.OuVisible + u' ' + f.Ponctuation), 15);
        auto ouiNon = [](bool b) { return char(LettreOuiNon(b).unicode()); };
        h[HReposerErreurs] = ouiNon(f.ReposerErreurs);
        h[HPasPhonetique] = ouiNon(!f.Phonetique);
        h[HPasCorrection] = ouiNon(!f.Correction);
        h[HNombreQuestions] = char(f.NombreQuestions);
        h[HSuivreOrdre] = ouiNon(f.SuivreOrdre);
        h[HMotAMot] = ouiNon(f.MotAMot);
        h[HDifferencierCasse] = ouiNon(f.DifferencierCasse);
        h[HBriderEntree] = ouiNon(f.BriderEntree);
        h[HScore] = char(EncoderScore(f.ScoreSatisfaisant));
        h[HTemps] = char(f.Temps);
    }
    h[HFragmenteur] = octet(f.FragmenteurCar());
    h[HAlternateur] = octet(f.Alternateur);
    h[HPageCode] = char(page & 0xFF);
    h[HPageCode + 1] = char((page >> 8) & 0xFF);
    h[HCommentaire] = octet(f.Commentaire);
    h[HTroncature] = octet(f.Troncature);
    sortie += h;

    if (n > 2) {
        AjouterCourt(sortie, f.AvecMotsIgnores ? encoder(f.MotsIgnores) : QByteArray(), LongueurLigne);
        sortie += QByteArray(qsizetype(n - 3) * TailleBloc, '\0');
    }
    AjouterEntier(sortie, 0);
    AjouterEntier(sortie, 0);
    AjouterEntier(sortie, nombre);
    AjouterEntier(sortie, nombre > 0 ? 1 : 0);

    // The records, zeros first, then each field's lines and the links.
    const qint64 tailleRecord = qint64(n) * TailleBloc + TailleQueue;
    const qsizetype debutRecords = sortie.size();
    sortie.append(qsizetype(tailleRecord * nombre), '\0');
    char *record = sortie.data() + debutRecords;
    for (int i = 0; i < nombre; ++i, record += tailleRecord) {
        TProgression::Avancer(nombre + qint64(i), 2 * qint64(nombre));
        for (int k = 0; k < 2; ++k) {
            const size_t j = 2 * size_t(i) + size_t(k);
            EcrireChamp(record + (k == 0 ? 0 : qint64(blocsChamp1) * TailleBloc), textes[j], &debuts[premiers[j]],
                        int(premiers[j + 1] - premiers[j]) - 1);
        }
        const qint32 liens[4] = {i + 1, 0, i, i + 1 < nombre ? i + 2 : 0};
        for (int l = 0; l < 4; ++l) {
            const quint32 v = quint32(liens[l]);
            for (int b = 0; b < 4; ++b)
                record[qint64(n) * TailleBloc + 4 * l + b] = char(uchar(v >> (8 * b)));
        }
    }
    return sortie;
}

std::unique_ptr<TFichierX> TFichierNatif::ChargerNatif(const QString &nom, bool modifiable, bool complet,
                                                       const TOptions &options)
{
    // A model is only read: it never needs the file for writing.
    auto flux = TFlux::Ouvrir(nom, complet && modifiable);
    auto f = LireNatif(flux->LireTout(), complet, options);
    if (complet) {
        Contrat::TerminerChargement(*f, nom, std::move(flux), modifiable);
    } else {
        f->Modifiable = true;
        f->Modifie = false;
    }
    return f;
}

void TFichierNatif::EnregistrerNatif(TFichierX &fichier, const QString &nom, bool nouveau)
{
    Contrat::TerminerEnregistrement(fichier, nom, nouveau, u'n', EcrireNatif(fichier));
}

namespace {

class FormatNatif : public Formats::TFormat
{
public:
    QChar Lettre() const override { return u'n'; }
    const char *Nom() const override { return QT_TRANSLATE_NOOP("Chaines", "Native"); }
    const char *Motif() const override { return "aq*"; }
    unsigned Capacites() const override { return Formats::Document | Formats::Modele | Formats::TitresToujours; }
    bool DansOuverture(QChar, const TOptions &) const override { return true; }
    // The signature "AQ" (its first letter with the high bit or not) after
    // the title block, then a control character.
    int RangReconnaissance() const override { return 2; }
    bool Reconnaitre(const Formats::Tete &tete) const override
    {
        const QByteArray &t = tete.debut;
        return t.size() >= 65 && (uchar(t[62]) == 0xC1 || uchar(t[62]) == 0x41) && uchar(t[63]) == 0x51
            && uchar(t[64]) < 0x20;
    }
    bool Lisible() const override { return true; }
    bool Ecrivable() const override { return true; }
    std::unique_ptr<TFichierX> Lire(const QString &nom, const Formats::Lecture &l) const override
    {
        return TFichierNatif::ChargerNatif(nom, l.modifiable, l.commeDocument, l.options);
    }
    void Ecrire(TFichierX &f, const QString &nom, const Formats::Ecriture &e) const override
    {
        TFichierNatif::EnregistrerNatif(f, nom, e.nouveau);
    }
    bool OffertEnSauvegarde(const TFichierX &, const TOptions &) const override { return true; }
    // The texts in the order the writer writes them.
    Formats::Rapport CePerdrait(const TFichierX &f, const TOptions &) const override
    {
        Formats::Rapport pertes;
        Formats::CompteurPertes compteur(pertes, TFichierNatif::PageTextes(f));
        compteur.Ajouter(f.Titre, -1);
        compteur.Ajouter(f.Signature, -1);
        if (f.EstQuestionnaire) {
            compteur.Ajouter(f.OuVisible, -1);
            compteur.Ajouter(f.Ponctuation, -1);
        }
        if (f.AvecMotsIgnores)
            compteur.Ajouter(f.MotsIgnores, -1);
        for (int i = 0; i < f.NombreFiches(); ++i) {
            compteur.Ajouter(f.Fiche(i).Champ1(), i);
            compteur.Ajouter(f.Fiche(i).Champ2(), i);
        }
        return pertes;
    }
};

} // namespace

const Formats::TFormat &Formats::FormatNatif()
{
    return Instance<::FormatNatif>();
}
