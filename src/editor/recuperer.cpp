#include "editor/recuperer.h"

#include "document/recuperation.h"
#include "editor/fiche.h"
#include "model/erreurs.h"
#include "model/fichierx.h"
#include "settings/init.h"
#include "ui/interaction.h"

#include <QAction>
#include <QFileInfo>
#include <QLocale>

TRecuperation *TOffreRecuperation::Installer(TFormFiche &fiche)
{
    return new TRecuperation(fiche.Document(), OptionsCourantes, &fiche);
}

void TOffreRecuperation::Offrir(TFormFiche &fiche, TRecuperation &recuperation)
{
    TInteraction &interaction = TInteraction::Courante();
    const auto illisible = [&interaction](const QString &detail, const QString &chemin) {
        QString texte = tr("A recovery copy cannot be read");
        texte += detail.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + detail;
        texte += QLatin1String("\r\n") + tr("It was set aside as \"%1\".").arg(chemin);
        interaction.Message(TInteraction::Avertissement, texte, TInteraction::Ok, 0);
    };
    QStringList endommagees;
    std::vector<TCopieRecuperation> copies = TRecuperation::Abandonnees(endommagees);
    for (const QString &chemin : std::as_const(endommagees))
        illisible(QString(), chemin);
    for (TCopieRecuperation &copie : copies) {
        const QString nom = copie.Nom.isEmpty() ? tr("(New file)") : QFileInfo(copie.Nom).fileName();
        const QString heure = QLocale().toString(copie.Heure.toLocalTime(), QLocale::ShortFormat);
        const auto reponse = interaction.Message(TInteraction::Question,
                                                 tr("Recover the unsaved changes to %1 from %2?").arg(nom, heure),
                                                 TInteraction::RecupererIgnorerPlusTard, 0, tr("Recovery"));
        if (reponse == TInteraction::RepIgnorer) {
            TRecuperation::Supprimer(copie);
            continue;
        }
        if (reponse != TInteraction::RepRecuperer) {
            TRecuperation::Laisser(copie);
            continue;
        }
        std::unique_ptr<TFichierX> cartes;
        try {
            cartes = TRecuperation::Lire(copie, OptionsCourantes());
        } catch (const Erreur &erreur) {
            illisible(erreur.message(), TRecuperation::Ecarter(copie));
            continue;
        } catch (const std::exception &erreur) {
            illisible(QString::fromLocal8Bit(erreur.what()), TRecuperation::Ecarter(copie));
            continue;
        }
        // The document shown may hold changes of its own (a copy recovered
        // before): closed as Close does it, asking first.
        if (fiche.Document().EstOuvert()) {
            if (QAction *fermer = fiche.Action("Fermer1"))
                fiche.ActiverRaccourci(fermer->shortcut());
            if (fiche.Document().EstOuvert()) {
                TRecuperation::Laisser(copie);
                continue;
            }
        }
        recuperation.Adopter(std::move(copie));
        fiche.Document().Charger(std::move(cartes), OptionsCourantes());
    }
}
