#include "formats/contrat.h"

#include "model/fichierx.h"
#include "model/flux.h"

namespace Contrat {

void TerminerChargement(TFichierX &fichier, const QString &nom, std::unique_ptr<TFlux> flux, bool modifiable)
{
    fichier.NomFichier = nom;
    fichier.Modifiable = modifiable;
    fichier.Flux = std::move(flux);
    fichier.Modifie = false;
}

void TerminerEnregistrement(TFichierX &fichier, const QString &nom, bool nouveau, QChar format,
                            const QByteArray &contenu)
{
    const QString cible = (!nouveau && fichier.Flux) ? fichier.Flux->Nom() : nom;
    std::unique_ptr<TFlux> flux = TFlux::Remplacer(cible, contenu, fichier.Flux.get());
    fichier.Flux = std::move(flux);
    fichier.FormatFichier = format;
    fichier.NomFichier = cible;
    fichier.Modifie = false;
    fichier.Modifiable = true;
}

void EcrireExport(const TFichierX &fichier, const QString &nom, const QByteArray &contenu)
{
    TFlux::Remplacer(nom, contenu, fichier.Flux.get());
}

}
