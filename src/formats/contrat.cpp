#include "formats/contrat.h"

#include "model/erreurs.h"
#include "model/fichierx.h"
#include "model/flux.h"

#include <QCoreApplication>
#include <QDir>

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
    // A file too large to be opened again would lose the cards it was saved
    // to keep (the native format gives every card the room of the longest).
    if (contenu.size() > TFlux::TailleMaximale())
        throw ErreurIdInvalide(QCoreApplication::translate("Contrat",
                                                           "\"%1\" would take %2 MB in this format, more than the "
                                                           "%3 MB of the largest file that can be opened. Nothing "
                                                           "was saved.")
                                   .arg(QDir::toNativeSeparators(cible))
                                   .arg((contenu.size() + (1 << 20) - 1) >> 20)
                                   .arg(TFlux::TailleMaximale() >> 20));
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
