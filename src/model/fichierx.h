#pragma once

#include "model/options.h"

#include <QChar>
#include <QString>
#include <QStringView>
#include <memory>
#include <vector>

class TFlux;

// One card: a title line, a question (index, key...) and an answer (body).
// The three texts live in one shared block, so that a card costs a pointer
// and the block's header (nothing at all when its texts are empty); the
// strings it hands out share the block, which is copied only when one of
// them is changed.
class TFicheX
{
public:
    TFicheX() noexcept = default;
    TFicheX(QStringView champ0, QStringView champ1, QStringView champ2);
    TFicheX(const TFicheX &autre) noexcept;
    TFicheX(TFicheX &&autre) noexcept : d(autre.d) { autre.d = nullptr; }
    TFicheX &operator=(const TFicheX &autre) noexcept;
    TFicheX &operator=(TFicheX &&autre) noexcept;
    ~TFicheX();

    QString Champ0() const { return Champ(0); }
    QString Champ1() const { return Champ(1); }
    QString Champ2() const { return Champ(2); }
    QString Champ(int numero) const;
    // The text without a QString: valid while the card is not changed.
    QStringView Vue(int numero) const;
    // Texts premier to 2 as the card holds them, one after the other with a
    // null after each (the last one's not included); false when they are
    // not in one place (a text shared with other cards).
    bool Suite(int premier, QStringView &suite) const;
    // Asks the processor for the card's texts ahead of their reading.
    void Precharger() const
    {
#if defined(__GNUC__)
        if (d) {
            const char *p = reinterpret_cast<const char *>(d);
            __builtin_prefetch(p);
            __builtin_prefetch(p + 64);
            __builtin_prefetch(p + 128);
            __builtin_prefetch(p + 192);
        }
#endif
    }

    void SetChamp0(QStringView texte)
    {
        SetChamp(0, texte);
    }
    void SetChamp1(QStringView texte)
    {
        SetChamp(1, texte);
    }
    void SetChamp2(QStringView texte)
    {
        SetChamp(2, texte);
    }
    void SetChamp(int numero, QStringView texte);
    void SetChamps(QStringView champ0, QStringView champ1, QStringView champ2);
    // The same without copying the texts: the card shares them with the
    // strings given (a text many cards hold once, as a reader may have it).
    void SetChampsPartages(const QString &champ0, const QString &champ1, const QString &champ2);
    void PermuterChamps12();

private:
    QArrayData *d = nullptr;
};

// The in-memory card file: header, type-derived layout, quiz options,
// captions, canvas and the ordered list of cards.
class TFichierX
{
public:
    // options: the preferences a Questionnaire or MCQ file takes its
    // separators from until it says otherwise.
    TFichierX(QChar typeFichier, QChar formatFichier, const TOptions &options = TOptions());
    ~TFichierX();
    TFichierX(const TFichierX &) = delete;
    TFichierX &operator=(const TFichierX &) = delete;

    QString NomFichier;
    std::unique_ptr<TFlux> Flux;
    std::vector<TFicheX> Fiches;
    bool Modifiable = true;
    bool Modifie = false;
    QChar TypeFichier;
    QChar FormatFichier;
    quint16 PageCode = 0;
    QString IdFiche;
    QString IdChamp0;
    QString IdChamp1;
    QString IdChamp2;
    QString Retour;
    QString XmlSpace;
    QString BalisesControles;
    bool AvecTitre = false;
    bool Numerote = false;
    bool AvecOptions = false;
    bool EstQuestionnaire = false;
    QChar LettreChamp1;
    QString VersionCreation;
    QString FeuilleStyle;
    TFicheX Etiquettes;
    bool AvecEtiquettes = false;
    TFicheX Canevas;
    bool AvecCanevas = false;
    QString Titre;
    QString Signature;
    QString Description;
    QString Fragmenteur;
    QString Espacement;
    QString OuVisible;
    QString Ponctuation;
    QString MotsIgnores;
    bool SuivreOrdre = false;
    bool MotAMot = false;
    bool DifferencierCasse = false;
    bool Phonetique = false;
    bool BriderEntree = false;
    bool ReposerErreurs = false;
    bool Correction = false;
    bool AvecMotsIgnores = false;
    quint8 NombreQuestions = 0;
    quint8 ScoreSatisfaisant = 0;
    quint8 Temps = 0;
    QChar Commentaire;
    QChar Alternateur;
    QChar Troncature;
    QChar CarDeuxPoints;
    QChar CarPourcent;

    // Life
    // A file the user creates: signature and style sheet from the options.
    void InitialiserNouveau(const TOptions &options);

    // Cards; a position outside the list raises ErreurIndex.
    int NombreFiches() const { return int(Fiches.size()); }
    TFicheX &Fiche(int index);
    const TFicheX &Fiche(int index) const;
    void Reserver(int nombre);
    void AjouterFiche(const QString &champ1, const QString &champ2);
    void AjouterFiche(QStringView champ0, QStringView champ1, QStringView champ2);
    // The same, the card sharing the given texts instead of copying them.
    void AjouterFichePartagee(const QString &champ1, const QString &champ2);
    void ModifierFiche(int index, const QString &champ0, const QString &champ1, const QString &champ2);
    void InsererFiche(int index);
    void DeplacerFiche(int de, int vers);
    void SupprimerFiche(int index);
    QString LibelleFiche(int index) const;
    void Trier();
    bool EstTrie() const;
    void PermuterChamps();

    // Header and layout
    void SetTitre(const QString &texte);
    void SetIdChamp0(const QString &balise);
    void SetIdChamp1(const QString &balise);
    QString IdChamp0Effectif() const;
    QString IdChamp1Effectif() const;
    QString VersionCreationEcrite() const;
    void SetEtiquettes(const QString &c0, const QString &c1, const QString &c2);
    void EtiquettesParDefaut();
    void SetCanevas(const QString &c0, const QString &c1, const QString &c2);
    // reponses: the answer places of a new MCQ card.
    void PreparerCanevasQcm(int reponses);
    static QString NomType(QChar lettre);
    QString NomTypeFichier() const { return NomType(TypeFichier); }
    bool TypeAlphabetique() const { return EstTypeAlphabetique(TypeFichier); }
    static bool EstTypeAlphabetique(QChar type);

    // Options and separators
    QString FragmenteurParDefaut(const TOptions &options) const;
    QString EspacementParDefaut() const;
    void SetFragmenteurCar(QChar c);
    QChar FragmenteurCar() const;
    void SetAlternateur(QChar c);
    void SetCommentaire(QChar c);
    void SetTroncature(QChar c);
    // Leaves fermeture alone when the opening character has no pair.
    void DelimiteursCommentaire(QChar &ouverture, QChar &fermeture) const;
    QString MotsIgnoresParDefaut(const TOptions &options) const;
    QString MotsIgnoresEffectifs(const TOptions &options) const;
    bool CommenceParCarPourcent(const QString &texte) const;

    // True for a valid XML-ish identifier: a letter or '_', then letters, digits, '_'.
    static bool EstIdentifiant(const QString &balise);

private:
    void VerifierIndex(int index) const;
};

// The collation of the user's locale, shared by sorting and the editor's ordering.
namespace Collation {
int Comparer(const QString &a, const QString &b);
}
