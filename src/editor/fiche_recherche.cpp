// Searching the card file: a cycle that starts after the card shown, stops
// on each match and ends when it comes back to its start card.

#include "editor/fiche.h"

#include "editor/dlgchercher.h"
#include "model/outils.h"
#include "ui/interaction.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QLocale>

void TFormFiche::Rechercher1Click()
{
    if (!FichierCourant || !DlgChercher || !ValiderFiche())
        return;
    if (TInteraction::Courante().Executer(*DlgChercher) != QDialog::Accepted)
        return;
    RechercheCasse = DlgChercher->CBDifferencier->isChecked();
    RechercheTousChamps = !DlgChercher->CBChampUnique->isChecked();
    RechercheArriere = DlgChercher->CBArriere->isChecked();
    TexteRecherche = Rogner(DlgChercher->EChercher->text());
    // An empty text starts nothing and says nothing.
    RechercheEnCours = !TexteRecherche.isEmpty() && CarteAffichee();
    if (RechercheEnCours) {
        IndexDepartRecherche = IndexCourant;
        ChercherSuivante(RechercheArriere);
    }
}

void TFormFiche::Rechsuivant1Click()
{
    if (FichierCourant && ValiderFiche())
        ChercherSuivante(RechercheArriere);
}

void TFormFiche::AbandonRech1Click()
{
    if (!FichierCourant || !ValiderFiche() || !RechercheEnCours)
        return;
    RechercheEnCours = false;
    MettreAJourBoutons();
    TInteraction::Courante().Message(TInteraction::Information, tr("Search completed."), TInteraction::Ok, 0);
}

namespace {

// Locales whose upper case differs from the Unicode default one.
bool LocaleAMajusculesPropres(const QLocale &locale)
{
    switch (locale.language()) {
    case QLocale::Turkish:
    case QLocale::Azerbaijani:
    case QLocale::Lithuanian:
    case QLocale::Greek:
        return true;
    default:
        return false;
    }
}

// Characters whose upper case is longer than one character (or that need a
// context): the text then goes through the full conversion.
bool MajusculeMultiple(char16_t c)
{
    return c == 0x00DF || c == 0x0149 || c == 0x01F0 || (c >= 0x0370 && c <= 0x03FF) || c == 0x0587
        || (c >= 0x1E96 && c <= 0x1E9E) || (c >= 0x1F00 && c <= 0x1FFF) || (c >= 0xFB00 && c <= 0xFB17)
        || (c >= 0xD800 && c <= 0xDFFF);
}

inline char16_t Majuscule(char16_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? char16_t(c - ('a' - 'A')) : c;
    return char16_t(QChar::toUpper(char32_t(c)));
}

// Whether aiguille (already upper case) occurs in the upper case of texte,
// comparing one character at a time; false with multiple set when texte
// holds a character this cannot decide.
bool ContientMajuscules(QStringView texte, QStringView aiguille, bool &multiple)
{
    multiple = false;
    const qsizetype n = texte.size();
    const qsizetype m = aiguille.size();
    const char16_t *t = reinterpret_cast<const char16_t *>(texte.data());
    const char16_t *a = reinterpret_cast<const char16_t *>(aiguille.data());
    // The two ASCII forms of the first character, found without a lookup.
    const char16_t premier = a[0];
    const char16_t premierMinuscule = (premier >= 'A' && premier <= 'Z') ? char16_t(premier + ('a' - 'A')) : premier;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = t[i];
        if (c < 0x80) {
            if (c != premier && c != premierMinuscule)
                continue;
        } else if (MajusculeMultiple(c)) {
            multiple = true;
            return false;
        } else if (Majuscule(c) != premier) {
            continue;
        }
        if (i + m > n)
            continue; // too close to the end, but a later character may still need the full conversion
        qsizetype j = 1;
        while (j < m && Majuscule(t[i + j]) == a[j])
            ++j;
        // Upper case maps every character before here on its own: a match
        // in this prefix is a match in the whole upper-cased text.
        if (j == m)
            return true;
    }
    return false;
}

} // namespace

bool TFormFiche::Correspond(const QString &texte)
{
    if (RechercheCasse)
        return texte.contains(TexteRecherche, Qt::CaseSensitive);
    if (texte.isEmpty())
        return false;
    if (m_rechercheSource != TexteRecherche || m_rechercheMajuscules.isEmpty()) {
        const QLocale locale;
        m_rechercheSource = TexteRecherche;
        m_rechercheMajuscules = locale.toUpper(TexteRecherche);
        m_majusculesParCaractere = !LocaleAMajusculesPropres(locale);
        for (const QChar c : TexteRecherche)
            m_majusculesParCaractere = m_majusculesParCaractere && !MajusculeMultiple(c.unicode());
    }
    // Upper-casing every text of a large file with the locale is the cost of
    // a search: where each character has a one-character upper case, compare
    // as the upper case would, without building it.
    if (m_majusculesParCaractere) {
        bool multiple = false;
        const bool trouve = ContientMajuscules(texte, m_rechercheMajuscules, multiple);
        if (!multiple)
            return trouve;
    }
    return QLocale().toUpper(texte).contains(m_rechercheMajuscules, Qt::CaseSensitive);
}

void TFormFiche::ChercherSuivante(bool arriere)
{
    if (!FichierCourant)
        return;
    const TFichierX &f = *FichierCourant;
    const int n = f.NombreFiches();
    const bool enCours = RechercheEnCours;
    bool trouve = false;
    int i = IndexCourant;
    if (n == 0 || i < 0 || IndexDepartRecherche < 0 || IndexDepartRecherche >= n)
        RechercheEnCours = false; // nothing to search: the cycle cannot start
    while (!trouve && RechercheEnCours) {
        if (arriere)
            i = i == 0 ? n - 1 : i - 1;
        else
            i = i + 1 == n ? 0 : i + 1;
        const TFicheX &fiche = f.Fiche(i);
        if (RechercheTousChamps) {
            trouve = Correspond(fiche.Champ1()) || Correspond(fiche.Champ2())
                || (f.AvecTitre && Correspond(fiche.Champ0()));
        } else {
            trouve = Correspond(f.AvecTitre ? fiche.Champ0() : fiche.Champ1());
        }
        RechercheEnCours = i != IndexDepartRecherche;
    }
    if (i != IndexCourant)
        AfficherFiche(i);
    MettreAJourBoutons();
    if (RechercheEnCours)
        return; // a match is shown; the next step is the user's
    TInteraction &interaction = TInteraction::Courante();
    if (!enCours || arriere != RechercheArriere)
        interaction.Message(TInteraction::Avertissement, tr("Search completed."), TInteraction::Ok, 0);
    else if (trouve)
        interaction.Message(TInteraction::Information, tr("End of search."), TInteraction::Ok, 0);
    else
        interaction.Message(TInteraction::Erreur, tr("Not found!"), TInteraction::Ok, 0, tr("Failure"));
}
