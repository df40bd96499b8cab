#include "formats/pertes.h"

#include "formats/questions.h"
#include "formats/table.h"
#include "model/fichierx.h"
#include "model/pagecode.h"

#include <algorithm>

namespace Formats {

void Rapport::Ajouter(const Perte &perte)
{
    if (perte.nombre <= 0)
        return;
    for (Perte &p : m_pertes) {
        if (p.genre == perte.genre) {
            p.nombre += perte.nombre;
            return;
        }
    }
    m_pertes.push_back(perte);
}

const Perte *Rapport::De(Perte::Genre genre) const
{
    for (const Perte &p : m_pertes) {
        if (p.genre == genre)
            return &p;
    }
    return nullptr;
}

bool Rapport::Bloquant() const
{
    return std::any_of(m_pertes.begin(), m_pertes.end(), [](const Perte &p) { return p.Bloquante(); });
}

QStringList Rapport::Messages() const
{
    QStringList messages;
    for (const Perte &p : m_pertes) {
        if (!p.Bloquante() && !p.message.isEmpty())
            messages << p.message;
    }
    return messages;
}

void CompteurPertes::Ajouter(QStringView texte, int fiche)
{
    char32_t premier = 0;
    const qsizetype n = PageCode::Irrepresentables(texte, m_page, &premier);
    if (n > 0)
        m_rapport.Ajouter({Perte::Caracteres, n, fiche, premier, QString()});
}

Rapport SansBonneReponse(const TFichierX &f, const TOptions &options)
{
    Rapport rapport;
    Questions::DepuisCartes cartes(f, options);
    for (int i = 0; i < f.NombreFiches(); ++i) {
        if (cartes.Lire(f.Fiche(i)).SansBonneReponse(f.TypeFichier == u'M'))
            rapport.Ajouter({Perte::SansBonneReponse, 1, i, 0, QString()});
    }
    return rapport;
}

Rapport PertesEnregistrement(const TFichierX &f, QChar format, const TOptions &options)
{
    const TFormat *ecrivain = Trouver(format);
    return ecrivain ? ecrivain->CePerdrait(f, options) : Rapport();
}

}
