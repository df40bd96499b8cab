#include "formats/fiches/crd.h"

#include "formats/contrat.h"
#include "formats/table.h"
#include "model/budget.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"
#include "model/pagecode.h"

#include <QCoreApplication>

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <vector>

namespace {

// Offsets inside one 52-byte index entry.
constexpr int PositionDonnees = 6;
constexpr int PositionLigne = 11;
constexpr int TailleChampLigne = 41;

[[noreturn]] void Refuser()
{
    throw ErreurIdInvalide(QCoreApplication::translate("Formats", "Not a valid Windows 3.1 Cardfile file!"));
}

// Reads stay inside the bytes: anything past the end refuses the whole file,
// so no partial card file ever comes out.
class Lecteur
{
public:
    explicit Lecteur(const QByteArray &octets) : m_octets(octets) { }

    void Verifier(qint64 position, qint64 taille) const
    {
        if (position < 0 || taille < 0 || position > m_octets.size() || taille > m_octets.size() - position)
            Refuser();
    }
    quint16 Mot(qint64 position) const
    {
        Verifier(position, 2);
        return quint16(Octet(position) | (Octet(position + 1) << 8));
    }
    quint32 Long(qint64 position) const
    {
        Verifier(position, 4);
        return quint32(Octet(position)) | (quint32(Octet(position + 1)) << 8) | (quint32(Octet(position + 2)) << 16)
            | (quint32(Octet(position + 3)) << 24);
    }
    QString Texte(qint64 position, qint64 taille) const
    {
        Verifier(position, taille);
        return PageCode::Decoder(m_octets.constData() + position, taille, PageCode::AnsiSysteme());
    }
    // The index line ends at its first zero byte, or fills the whole field.
    QString LigneIndex(qint64 position) const
    {
        Verifier(position, TailleChampLigne);
        const char *debut = m_octets.constData() + position;
        qsizetype taille = 0;
        while (taille < TailleChampLigne && debut[taille] != '\0')
            ++taille;
        return PageCode::Decoder(debut, taille, PageCode::AnsiSysteme());
    }

private:
    uint Octet(qint64 position) const { return uchar(m_octets.at(position)); }
    const QByteArray &m_octets;
};

void AjouterMot(QByteArray &sortie, quint32 valeur)
{
    sortie += char(valeur & 0xFF);
    sortie += char((valeur >> 8) & 0xFF);
}

void AjouterLong(QByteArray &sortie, quint32 valeur)
{
    AjouterMot(sortie, valeur & 0xFFFF);
    AjouterMot(sortie, valeur >> 16);
}

} // namespace

std::unique_ptr<TFichierX> TFichierCrd::ChargerCardfile(const QString &nom, bool modifiable)
{
    auto flux = TFlux::Ouvrir(nom, modifiable);
    bool avecImages = false;
    auto fichier = LireCardfile(flux->LireTout(), avecImages);
    if (avecImages && modifiable) {
        // Saving in place would drop the pictures: hold the file read-only,
        // and read it again under that stream so the cards match what it holds.
        modifiable = false;
        flux.reset();
        flux = TFlux::Ouvrir(nom, false);
        fichier = LireCardfile(flux->LireTout(), avecImages);
    }
    Contrat::TerminerChargement(*fichier, nom, std::move(flux), modifiable);
    return fichier;
}

std::unique_ptr<TFichierX> TFichierCrd::LireCardfile(const QByteArray &octets)
{
    bool avecImages = false;
    return LireCardfile(octets, avecImages);
}

std::unique_ptr<TFichierX> TFichierCrd::LireCardfile(const QByteArray &octets, bool &avecImages)
{
    TBudgetMemoire budget(octets.size());
    avecImages = false;
    if (octets.size() < TailleEntete || !octets.startsWith("MGC"))
        Refuser();
    const Lecteur lecteur(octets);
    const int nombre = lecteur.Mot(3);
    // The whole index must be there before room is made for the cards.
    lecteur.Verifier(TailleEntete, qint64(TailleEntree) * nombre);

    // Where each entry's text starts (after its picture, if any).
    std::vector<qint64> positions(static_cast<size_t>(nombre));
    for (int i = 0; i < nombre; ++i) {
        const qint64 entree = TailleEntete + qint64(TailleEntree) * i;
        const qint64 donnees = lecteur.Long(entree + PositionDonnees);
        const quint16 tailleImage = lecteur.Mot(donnees);
        positions[size_t(i)] = donnees + 2;
        if (tailleImage != 0) {
            // Picture: width, height, X and Y (2 bytes each), then the bitmap.
            avecImages = true;
            positions[size_t(i)] = donnees + 2 + 8 + tailleImage;
        }
    }
    // Entries may all point at one text: such a text is decoded once and
    // shared. Cardfile gives every card its own text, in order; a table of
    // texts is kept only when some position comes twice.
    bool partage = std::adjacent_find(positions.begin(), positions.end(), std::greater_equal<qint64>())
        != positions.end();
    if (partage) {
        std::vector<qint64> triees = positions;
        std::sort(triees.begin(), triees.end());
        partage = std::adjacent_find(triees.begin(), triees.end()) != triees.end();
    }

    auto fichier = std::make_unique<TFichierX>(u'R', u'c');
    fichier->Reserver(nombre);
    std::unordered_map<qint64, QString> textes;
    for (int i = 0; i < nombre; ++i) {
        const QString ligne = lecteur.LigneIndex(TailleEntete + qint64(TailleEntree) * i + PositionLigne);
        const qint64 positionTexte = positions[size_t(i)];
        if (!partage) {
            fichier->AjouterFiche(ligne, lecteur.Texte(positionTexte + 2, lecteur.Mot(positionTexte)));
            continue;
        }
        auto deja = textes.find(positionTexte);
        if (deja == textes.end()) {
            const quint16 tailleTexte = lecteur.Mot(positionTexte);
            deja = textes.emplace(positionTexte, lecteur.Texte(positionTexte + 2, tailleTexte)).first;
        } else {
            TBudgetMemoire::TextePartage(deja->second);
        }
        fichier->AjouterFichePartagee(ligne, deja->second);
    }
    fichier->Modifie = false;
    return fichier;
}

QByteArray TFichierCrd::EcrireCardfile(const TFichierX &fichier)
{
    const int nombre = fichier.NombreFiches();
    if (nombre > MaxFiches)
        throw ErreurIdInvalide(
            QCoreApplication::translate("Formats",
                                        "A Windows 3.1 Cardfile file holds at most %1 cards; this card file has %2.")
                .arg(MaxFiches)
                .arg(nombre));

    const int page = PageCode::AnsiSysteme();
    std::vector<QByteArray> textes;
    textes.reserve(size_t(nombre));
    qint64 taille = TailleEntete + qint64(TailleEntree) * nombre;
    for (int i = 0; i < nombre; ++i) {
        textes.push_back(PageCode::Encoder(fichier.Fiche(i).Champ2(), page));
        const qint64 longueur = textes.back().size();
        if (longueur > MaxTexte)
            throw ErreurIdInvalide(QCoreApplication::translate("Formats",
                                                               "The text of card %1 is %2 bytes long; a Windows 3.1 "
                                                               "Cardfile card holds at most %3 bytes of text.")
                                       .arg(i + 1)
                                       .arg(longueur)
                                       .arg(MaxTexte));
        taille += 4 + longueur;
    }
    // Data offsets are 32 bits.
    if (taille > qint64(0xFFFFFFFFu))
        throw ErreurIdInvalide(
            QCoreApplication::translate("Formats", "This card file is too large for a Windows 3.1 Cardfile file."));

    QByteArray sortie;
    sortie.reserve(taille);
    sortie += "MGC";
    AjouterMot(sortie, quint32(nombre));
    qint64 position = TailleEntete + qint64(TailleEntree) * nombre;
    for (int i = 0; i < nombre; ++i) {
        QByteArray entree(TailleEntree, '\0');
        QByteArray donnees;
        AjouterLong(donnees, quint32(position));
        entree.replace(PositionDonnees, 4, donnees);
        // Encode first, then cut: the field keeps at least one zero byte.
        const QByteArray ligne = PageCode::Encoder(fichier.Fiche(i).Champ1(), page).left(TailleLigneIndex);
        entree.replace(PositionLigne, ligne.size(), ligne);
        sortie += entree;
        position += 4 + textes[size_t(i)].size();
    }
    for (const QByteArray &texte : textes) {
        AjouterMot(sortie, 0); // no picture
        AjouterMot(sortie, quint32(texte.size()));
        sortie += texte;
    }
    return sortie;
}

void TFichierCrd::EnregistrerCardfile(TFichierX &fichier, const QString &nom, bool nouveau)
{
    // Built completely before anything touches the disk: a refusal writes nothing.
    Contrat::TerminerEnregistrement(fichier, nom, nouveau, u'c', EcrireCardfile(fichier));
}

namespace {

class FormatCardfile : public Formats::TFormat
{
public:
    QChar Lettre() const override { return u'c'; }
    const char *Nom() const override { return QT_TRANSLATE_NOOP("Chaines", "Cardfile"); }
    const char *Motif() const override { return "crd"; }
    unsigned Capacites() const override { return Formats::Document | Formats::OrdreLu; }
    bool DansOuverture(QChar type, const TOptions &) const override { return type == u'R'; }
    int RangReconnaissance() const override { return 4; }
    bool Reconnaitre(const Formats::Tete &tete) const override
    {
        const QByteArray &t = tete.debut;
        return t.startsWith("MGC") || t.startsWith("RRG") || t.startsWith("DKO");
    }
    bool Lisible() const override { return true; }
    bool Ecrivable() const override { return true; }
    std::unique_ptr<TFichierX> Lire(const QString &nom, const Formats::Lecture &l) const override
    {
        return TFichierCrd::ChargerCardfile(nom, l.modifiable);
    }
    void Ecrire(TFichierX &f, const QString &nom, const Formats::Ecriture &e) const override
    {
        TFichierCrd::EnregistrerCardfile(f, nom, e.nouveau);
    }
    bool OffertEnSauvegarde(const TFichierX &f, const TOptions &) const override { return f.TypeAlphabetique(); }
    Formats::Rapport CePerdrait(const TFichierX &f, const TOptions &) const override
    {
        Formats::Rapport pertes;
        Formats::CompteurPertes compteur(pertes, PageCode::AnsiSysteme());
        for (int i = 0; i < f.NombreFiches(); ++i) {
            compteur.Ajouter(f.Fiche(i).Champ1(), i);
            compteur.Ajouter(f.Fiche(i).Champ2(), i);
        }
        return pertes;
    }
};

} // namespace

const Formats::TFormat &Formats::FormatCardfile()
{
    return Instance<::FormatCardfile>();
}
