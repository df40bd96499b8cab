#include "formats/pertes.h"

#include "formats/questions.h"
#include "formats/table.h"
#include "model/fichierx.h"
#include "model/pagecode.h"

namespace Formats {

void CompteurPertes::Ajouter(QStringView texte, int fiche)
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

Pertes SansBonneReponse(const TFichierX &f)
{
    Pertes pertes;
    Questions::DepuisCartes cartes(f);
    for (int i = 0; i < f.NombreFiches(); ++i) {
        if (!cartes.Lire(f.Fiche(i)).SansBonneReponse(f.TypeFichier == u'M'))
            continue;
        if (pertes.sansBonneReponse++ == 0)
            pertes.ficheSansBonneReponse = i;
    }
    return pertes;
}

Pertes CaracteresPerdus(const TFichierX &f, QChar format)
{
    const TFormat *ecrivain = Trouver(format);
    return ecrivain ? ecrivain->CePerdrait(f) : Pertes();
}

}
