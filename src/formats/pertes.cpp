#include "formats/pertes.h"

#include "model/fichierx.h"
#include "model/pagecode.h"
#include "formats/natif.h"
#include "formats/questions.h"
#include "settings/init.h"

namespace {

class Compteur
{
public:
    Compteur(Formats::Pertes &pertes, int page) : m_pertes(pertes), m_page(page) { }

    void Ajouter(QStringView texte, int fiche)
    {
        char32_t premier = 0;
        const qsizetype n = PageCode::Irrepresentables(texte, m_page, &premier);
        if (n == 0)
            return;
        if (m_pertes.nombre == 0) {
            m_pertes.fiche = fiche;
            m_pertes.caractere = premier;
        }
        m_pertes.nombre += n;
    }

private:
    Formats::Pertes &m_pertes;
    int m_page;
};

} // namespace

namespace Formats {

Pertes CaracteresPerdus(const TFichierX &f, QChar format)
{
    Pertes pertes;
    const int n = f.NombreFiches();
    if (format == u'n') {
        // The texts in the order the native writer writes them.
        Compteur compteur(pertes, TFichierNatif::PageTextes(f));
        compteur.Ajouter(f.Titre, -1);
        compteur.Ajouter(f.Signature, -1);
        if (f.EstQuestionnaire) {
            compteur.Ajouter(f.OuVisible, -1);
            compteur.Ajouter(f.Ponctuation, -1);
        }
        if (f.AvecMotsIgnores)
            compteur.Ajouter(f.MotsIgnoresEffectifs(), -1);
        for (int i = 0; i < n; ++i) {
            compteur.Ajouter(f.Fiche(i).Champ1(), i);
            compteur.Ajouter(f.Fiche(i).Champ2(), i);
        }
    } else if (format == u'c') {
        Compteur compteur(pertes, PageCode::AnsiSysteme());
        for (int i = 0; i < n; ++i) {
            compteur.Ajouter(f.Fiche(i).Champ1(), i);
            compteur.Ajouter(f.Fiche(i).Champ2(), i);
        }
    } else if (format == u'm' || format == u'g') {
        Questions::DepuisCartes cartes(f);
        for (int i = 0; i < n; ++i) {
            if (!cartes.Lire(f.Fiche(i)).SansBonneReponse(f.TypeFichier == u'M'))
                continue;
            if (pertes.sansBonneReponse++ == 0)
                pertes.ficheSansBonneReponse = i;
        }
    } else if ((format == u's' || format == u't') && !Parametres.csvutf) {
        // The fields a CSV record or a text export holds: written as lines,
        // a numbered card is its answer alone.
        const bool lignes = format == u't' || f.Fragmenteur.isEmpty() || f.Fragmenteur == QLatin1String("\r\n");
        const bool titre = f.AvecTitre && !(lignes && f.Numerote);
        Compteur compteur(pertes, PageCode::AnsiSysteme());
        for (int i = 0; i < n; ++i) {
            const TFicheX &fiche = f.Fiche(i);
            if (titre)
                compteur.Ajouter(fiche.Champ0(), i);
            if (!f.Numerote)
                compteur.Ajouter(fiche.Champ1(), i);
            compteur.Ajouter(fiche.Champ2(), i);
        }
    }
    return pertes;
}

}
