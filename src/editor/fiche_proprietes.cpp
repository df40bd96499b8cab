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

namespace {

// The name with ".xsl" in place of any extension it has.
QString AvecExtensionXsl(const QString &nom)
{
    const qsizetype point = nom.lastIndexOf(u'.');
    const qsizetype dossier = qMax(nom.lastIndexOf(u'/'), nom.lastIndexOf(u'\\'));
    return (point > dossier ? nom.left(point) : nom) + QLatin1String(".xsl");
}

} // namespace

void TFormFiche::ModifierEntete()
{
    if (!Fichier())
        return;
    CreerDialogues();
    // A title typed in the title line belongs to the header shown.
    ValiderTitreFichier();
    DlgEntete->Remplir(*Fichier());
    if (DlgEntete->Executer() != QDialog::Accepted || !Fichier()->Modifiable)
        return;
    m_document.ModifierProprietes(tr("Header"), [this](TFichierX &f) { DlgEntete->Stocker(f); });
    AfficherTitreFichier();
}

void TFormFiche::ModifierOptions()
{
    if (!Fichier() || !Fichier()->EstQuestionnaire)
        return;
    CreerDialogues();
    DlgOptions->Remplir(*Fichier());
    if (DlgOptions->Executer() != QDialog::Accepted || !Fichier()->Modifiable)
        return;
    m_document.ModifierProprietes(tr("Options"), [this](TFichierX &f) { DlgOptions->Stocker(f); });
}

void TFormFiche::ModifierOptionsAvancees()
{
    if (!Fichier() || !Fichier()->EstQuestionnaire)
        return;
    CreerDialogues();
    DlgOptionsAvancees->Remplir(*Fichier(), OptionsCourantes());
    if (DlgOptionsAvancees->Executer() != QDialog::Accepted || !Fichier()->Modifiable)
        return;
    m_document.ModifierProprietes(tr("Advanced options"), [this](TFichierX &f) { DlgOptionsAvancees->Stocker(f); });
}

void TFormFiche::ModifierEtiquettes()
{
    if (!Fichier() || !Fichier()->Modifiable)
        return;
    CreerDialogues();
    const TFichierX &f = *Fichier();
    const TFicheX &e = f.Etiquettes;
    DlgEtiquettes->Remplir(e.Champ0(), e.Champ1(), e.Champ2());
    if (DlgEtiquettes->Executer() != QDialog::Accepted)
        return;
    const QString c0 = DlgEtiquettes->EEtiquette0->text();
    const QString c1 = DlgEtiquettes->EEtiquette1->text();
    const QString c2 = DlgEtiquettes->EEtiquette2->text();
    if (c0 == e.Champ0() && c1 == e.Champ1() && c2 == e.Champ2())
        return;
    m_document.ModifierProprietes(tr("Labels"), [&](TFichierX &g) { g.SetEtiquettes(c0, c1, c2); });
    AfficherEtiquettes();
}

void TFormFiche::ModifierFeuilleStyle()
{
    if (!Fichier() || !Fichier()->Modifiable)
        return;
    const TFichierX &f = *Fichier();
    QString nom = f.FeuilleStyle;
    if (!TInteraction::Courante().Saisir(tr("Style sheet"), tr("Name of the file:"), nom))
        return;
    nom = Rogner(nom);
    if (!nom.isEmpty())
        nom = AvecExtensionXsl(nom);
    // Empty: no style sheet. OK marks the file, even with the same name.
    m_document.ModifierProprietes(
        tr("Style sheet"), [&nom](TFichierX &g) { g.FeuilleStyle = nom; }, true);
}

void TFormFiche::ModifierOptionsCsv()
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
