// Opening, saving and closing the card file; the letters of the current state.

#include "fiche.h"

#include "formats/formats.h"
#include "interaction.h"
#include "lettres.h"
#include "model/erreurs.h"
#include "model/outils.h"
#include "settings/init.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>

namespace {

QString NomSeul(const QString &chemin)
{
    return QFileInfo(chemin).fileName();
}

} // namespace

QString TFormFiche::TypesOrdonnes() const
{
    return Lettres::TypesOrdonnes(TypeCourant);
}

QChar TFormFiche::FormatParDefaut() const
{
    return Lettres::FormatParDefaut(TypeCourant, LettreTypeCsv);
}

QChar TFormFiche::TypePourCsv(const QString &nom) const
{
    return Lettres::TypePourCsv(nom, TypeCourant);
}

// ----------------------------------------------------------------- opening

void TFormFiche::OuvrirFichier(const QString &nom, int position, bool modifiable,
                               bool commeDocument, bool signalerErreurs)
{
    QString message;
    try {
        ChargerDocument(Formats::Ouvrir(nom, modifiable, commeDocument, TypePourCsv(nom)), position);
        return;
    } catch (const Erreur &erreur) {
        message = erreur.message();
    } catch (const std::exception &erreur) {
        message = QString::fromLocal8Bit(erreur.what());
    }
    if (!signalerErreurs)
        return;
    // The menu no longer offers a file that cannot be opened.
    if (nom == Parametres.open)
        Parametres.open.clear();
    else if (nom == Parametres.recent)
        Parametres.recent.clear();
    TInteraction::Courante().Message(TInteraction::Erreur, message, TInteraction::Ok, 0);
}

void TFormFiche::ChargerDocument(std::unique_ptr<TFichierX> fichier, int position)
{
    FichierCourant = std::move(fichier);
    TypeCourant = FichierCourant->TypeFichier;
    EvaluerType();
    if (Alphabetique && FichierCourant->FormatFichier != u'c' && !FichierCourant->EstTrie()) {
        const bool modifie = FichierCourant->Modifie;
        FichierCourant->Trier(); // keeping the order is the editor's business, not a change
        FichierCourant->Modifie = modifie;
    }
    AfficherFichier(position);
}

void TFormFiche::Ouvrir1Click(bool commeDocument)
{
    if (!DemanderSauvegarde())
        return;
    const QString liste = TypesOrdonnes();
    const QChar premier = PremierCar(liste);
    QString filtre = Lettres::FiltreOuverture(premier);
    if (Parametres.alltyp) {
        for (qsizetype i = 1; i < liste.size(); ++i)
            filtre += u'|' + Lettres::FiltreOuverture(liste.at(i));
        filtre += QLatin1String("|") + tr("All") + QLatin1String("|*.*");
    }
    const auto choix = TInteraction::Courante().OuvrirFichier(
        filtre, 1, Lettres::Extension(premier, FormatParDefaut()));
    if (!choix.Accepte)
        return;
    const int i = choix.IndexFiltre;
    const int types = Parametres.alltyp ? int(liste.size()) : 1;
    TypeCourant = i >= 1 && i <= types ? liste.at(i - 1) : QChar(u'?');
    FermerFichier();
    OuvrirFichier(choix.Chemin, Lettres::IndexMemorise(choix.Chemin), !choix.LectureSeule,
                  commeDocument, true);
}

void TFormFiche::RouvrirFichier(const QString &nom, int position)
{
    if (!FermerAvecDemande())
        return;
    TypeCourant = u'?';
    OuvrirFichier(nom, position, true, true, true);
}

// ----------------------------------------------------------------- saving

bool TFormFiche::SauverFichier(QString nom, bool demanderNom, bool exporter)
{
    if (!FichierCourant)
        return false;
    TFichierX &fichier = *FichierCourant;
    const QChar type = fichier.TypeFichier;
    QChar format = fichier.FormatFichier;
    if (demanderNom) {
        const QString liste = exporter ? Lettres::FormatsExport(fichier)
                                       : Lettres::FormatsSauvegarde(fichier);
        if (liste.isEmpty())
            return false;
        if (exporter)
            format = liste.at(0);
        QString filtre = Lettres::FiltreSauvegarde(type, format);
        for (qsizetype i = 1; i < liste.size(); ++i)
            filtre += u'|' + Lettres::FiltreSauvegarde(type, liste.at(i));
        const auto choix = TInteraction::Courante().SauverFichier(
            filtre, 1, Lettres::Extension(type, format), nom);
        if (!choix.Accepte)
            return false;
        if (choix.IndexFiltre >= 1 && choix.IndexFiltre <= liste.size())
            format = liste.at(choix.IndexFiltre - 1);
        nom = choix.Chemin;
        if (nom != fichier.NomFichier) {
            if (QFileInfo::exists(nom)
                && TInteraction::Courante().Message(
                       TInteraction::Avertissement,
                       tr("The file \"%1\" already exists.\r\nOverwrite it?").arg(NomSeul(nom)),
                       TInteraction::OkAnnuler, 0)
                    != TInteraction::RepOk)
                return false;
        } else if (fichier.Modifie) {
            demanderNom = false; // rewritten in place
        } else {
            return false;
        }
    }
    try {
        Formats::Enregistrer(fichier, nom, format, demanderNom);
    } catch (const Erreur &erreur) {
        TInteraction::Courante().Message(TInteraction::Erreur, erreur.message(), TInteraction::Ok, 0);
        return false;
    } catch (const std::exception &erreur) {
        TInteraction::Courante().Message(TInteraction::Erreur, QString::fromLocal8Bit(erreur.what()),
                                         TInteraction::Ok, 0);
        return false;
    }
    Lettres::MettreEnTete(format, Parametres.frmats);
    if (demanderNom) {
        AfficherTitreFenetre();
        AppliquerLectureSeule();
        MettreAJourBoutons();
    }
    return true;
}

void TFormFiche::Sauver1Click()
{
    if (!FichierCourant || !ValiderFiche())
        return;
    ValiderTitreFichier();
    SauverFichier(FichierCourant->NomFichier, FichierCourant->NomFichier.isEmpty(), false);
}

void TFormFiche::Sauversous1Click()
{
    if (!FichierCourant || !ValiderFiche())
        return;
    ValiderTitreFichier();
    SauverFichier(NomSansExtension(FichierCourant->NomFichier), true, false);
}

bool TFormFiche::DemanderSauvegarde()
{
    if (!FichierCourant)
        return true;
    if (!ValiderFiche())
        return false;
    ValiderTitreFichier();
    if (!FichierCourant->Modifie)
        return true;
    const QString nom = FichierCourant->NomFichier;
    switch (TInteraction::Courante().Message(
        TInteraction::Avertissement,
        tr("The file \"%1\" has been modified.\r\nDo you want to save it?").arg(NomSeul(nom)),
        TInteraction::OuiNonAnnuler, 0)) {
    case TInteraction::RepOui:
        return SauverFichier(nom, nom.isEmpty(), false);
    case TInteraction::RepNon:
        return true;
    default:
        return false;
    }
}

// ----------------------------------------------------------------- closing

void TFormFiche::FermerFichier()
{
    if (!FichierCourant)
        return;
    const QString nom = FichierCourant->NomFichier;
    if (!nom.isEmpty()) {
        Lettres::MettreEnTete(FichierCourant->TypeFichier, Parametres.types);
        if (nom != Parametres.open) {
            Parametres.recent = Parametres.open;
            Parametres.recnum = Parametres.openum;
            Parametres.open = nom;
        }
        Parametres.openum = IndexCourant;
    }
    FichierCourant.reset();
    AfficherSansFichier();
}

bool TFormFiche::FermerAvecDemande()
{
    if (!DemanderSauvegarde())
        return false;
    FermerFichier();
    return true;
}

void TFormFiche::closeEvent(QCloseEvent *event)
{
    Parametres.opened = FichierCourant != nullptr;
    if (!FermerAvecDemande()) {
        event->ignore();
        return;
    }
    Parametres.fulscr = isMaximized();
    if (!Parametres.fulscr) {
        Parametres.width = width();
        Parametres.height = height() - (menuBar()->isVisible() ? menuBar()->height() : 0);
    }
    event->accept();
}

void TFormFiche::Proprietes1Click()
{
    if (!FichierCourant)
        return;
    const TFichierX &f = *FichierCourant;
    TInteraction::Courante().Message(
        TInteraction::Information,
        tr("Type: %1\r\n\r\nFormat: %2\r\n\r\nNumber of cards: %3")
            .arg(f.NomTypeFichier(), f.NomFormatFichier())
            .arg(f.NombreFiches()),
        TInteraction::Ok, 0, tr("Properties"));
}
