// The property dialogs of the card file (header, quiz options, advanced
// options, captions), its style sheet, and the CSV preferences.

#include "editor/fiche.h"

#include "dialogs/dlgentete.h"
#include "dialogs/dlgetiquettes.h"
#include "dialogs/dlgoptions.h"
#include "dialogs/dlgoptionsavancees.h"
#include "dialogs/dlgoptionscsv.h"
#include "model/outils.h"
#include "settings/init.h"
#include "ui/interaction.h"

#include <QLineEdit>
#include <tuple>

namespace {

// Stores a dialog's values and marks the file modified only when they differ
// from what it held: a change made and then undone in the dialog is no change.
template <typename Etat, typename Stocker>
void StockerSiChange(TFichierX &f, Etat etat, Stocker stocker)
{
    const bool modifie = f.Modifie;
    const auto avant = etat(f);
    stocker();
    f.Modifie = modifie || etat(f) != avant;
}

auto Entete(const TFichierX &f)
{
    return std::make_tuple(f.Titre, f.Description, f.Signature);
}

auto Options(const TFichierX &f)
{
    return std::make_tuple(f.ReposerErreurs, f.SuivreOrdre, f.BriderEntree, f.MotAMot, f.DifferencierCasse,
                           f.Phonetique, f.Correction, f.Temps, f.NombreQuestions, f.ScoreSatisfaisant);
}

auto OptionsAvancees(const TFichierX &f)
{
    return std::make_tuple(f.OuVisible, f.Fragmenteur, f.Ponctuation, f.AvecMotsIgnores, f.MotsIgnores);
}

// The name with ".xsl" in place of any extension it has.
QString AvecExtensionXsl(const QString &nom)
{
    const qsizetype point = nom.lastIndexOf(u'.');
    const qsizetype dossier = qMax(nom.lastIndexOf(u'/'), nom.lastIndexOf(u'\\'));
    return (point > dossier ? nom.left(point) : nom) + QLatin1String(".xsl");
}

} // namespace

void TFormFiche::Entete1Click()
{
    if (!FichierCourant)
        return;
    CreerDialogues();
    // A title typed in the title line belongs to the header shown.
    ValiderTitreFichier();
    TFichierX &f = *FichierCourant;
    DlgEntete->Remplir(f);
    if (DlgEntete->Executer() != QDialog::Accepted || !f.Modifiable)
        return;
    StockerSiChange(f, Entete, [&] { DlgEntete->Stocker(f); });
    AfficherTitreFichier();
}

void TFormFiche::Options1Click()
{
    if (!FichierCourant || !FichierCourant->EstQuestionnaire)
        return;
    CreerDialogues();
    TFichierX &f = *FichierCourant;
    DlgOptions->Remplir(f);
    if (DlgOptions->Executer() != QDialog::Accepted || !f.Modifiable)
        return;
    StockerSiChange(f, Options, [&] { DlgOptions->Stocker(f); });
}

void TFormFiche::OptionsAvancees1Click()
{
    if (!FichierCourant || !FichierCourant->EstQuestionnaire)
        return;
    CreerDialogues();
    TFichierX &f = *FichierCourant;
    DlgOptionsAvancees->Remplir(f);
    if (DlgOptionsAvancees->Executer() != QDialog::Accepted || !f.Modifiable)
        return;
    StockerSiChange(f, OptionsAvancees, [&] { DlgOptionsAvancees->Stocker(f); });
}

void TFormFiche::Etiquettes1Click()
{
    if (!FichierCourant || !FichierCourant->Modifiable)
        return;
    CreerDialogues();
    TFichierX &f = *FichierCourant;
    const TFicheX &e = f.Etiquettes;
    DlgEtiquettes->Remplir(e.Champ0(), e.Champ1(), e.Champ2());
    if (DlgEtiquettes->Executer() != QDialog::Accepted)
        return;
    const QString c0 = DlgEtiquettes->EEtiquette0->text();
    const QString c1 = DlgEtiquettes->EEtiquette1->text();
    const QString c2 = DlgEtiquettes->EEtiquette2->text();
    if (c0 == e.Champ0() && c1 == e.Champ1() && c2 == e.Champ2())
        return;
    f.SetEtiquettes(c0, c1, c2);
    AfficherEtiquettes();
}

void TFormFiche::FeuilledeStyle1Click()
{
    if (!FichierCourant || !FichierCourant->Modifiable)
        return;
    TFichierX &f = *FichierCourant;
    QString nom = f.FeuilleStyle;
    if (!TInteraction::Courante().Saisir(tr("Style sheet"), tr("Name of the file:"), nom))
        return;
    nom = Rogner(nom);
    if (!nom.isEmpty())
        nom = AvecExtensionXsl(nom);
    f.FeuilleStyle = nom; // empty: no style sheet
    f.Modifie = true;     // OK marks the file, even with the same name
}

void TFormFiche::OptionsCSVClick()
{
    CreerDialogues();
    DlgOptionsCSV->Remplir(Parametres.csvutf, Echapper(QString(SeparateurCsv())));
    if (DlgOptionsCSV->Executer() != QDialog::Accepted)
        return;
    Parametres.csvutf = DlgOptionsCSV->ItemIndex() == 1;
    ReglagesModifies = true;
    const QString separateur = Rogner(DlgOptionsCSV->EComma->text());
    // A quote or a line break would split records and quoted fields apart:
    // every CSV file written with it would read back broken.
    const QChar c = PremierCar(Desechapper(separateur));
    if (c == u'"' || c == u'\r' || c == u'\n') {
        TInteraction::Courante().Message(
            TInteraction::Avertissement,
            tr("\"%1\" cannot separate the fields of a CSV file: the separator stays \"%2\".")
                .arg(separateur, Echapper(QString(SeparateurCsv()))),
            TInteraction::Ok, 0);
        return;
    }
    DefinirSeparateurCsv(separateur);
}
