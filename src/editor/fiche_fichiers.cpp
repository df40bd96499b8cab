// Opening, saving and closing the card file; the letters of the current state.

#include "editor/fiche.h"

#include "dialogs/dlgnouveau.h"
#include "editor/aide.h"
#include "editor/lettres.h"
#include "formats/formats.h"
#include "formats/table.h"
#include "formats/pertes.h"
#include "model/erreurs.h"
#include "model/flux.h"
#include "model/outils.h"
#include "model/progression.h"
#include "settings/init.h"
#include "ui/interaction.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <climits>

namespace {

QString NomSeul(const QString &chemin)
{
    return QFileInfo(chemin).fileName();
}

// The file a drop brings: the first local file among its addresses.
QString FichierDepose(const QMimeData *donnees)
{
    if (!donnees || !donnees->hasUrls())
        return QString();
    for (const QUrl &adresse : donnees->urls())
        if (adresse.isLocalFile() && !adresse.toLocalFile().isEmpty())
            return adresse.toLocalFile();
    return QString();
}

// Runs an open or save under a progress dialog, shown once it has taken
// half a second; Cancel raises ErreurAnnulation from inside the work.
template <typename F>
auto AvecProgression(const QString &texte, F &&travail)
{
    const std::unique_ptr<TInteraction::Progression> suivi = TInteraction::Courante().SuivreProgression(texte);
    const TProgression progression([&suivi](qint64 fait, qint64 total) { return suivi->Avancer(fait, total); });
    return travail(*suivi);
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

void TFormFiche::OuvrirFichier(const QString &nom, int position, bool modifiable, bool commeDocument,
                               bool signalerErreurs)
{
    // The file shown stays until the new one is read, so that a cancelled
    // read leaves it as it was; the same file is let go first (its lock).
    if (Fichier() && Fichier()->Flux && Fichier()->Flux->MemeFichier(nom))
        FermerFichier();
    QString message;
    try {
        const QChar type = TypePourCsv(nom);
        const TOptions options = OptionsCourantes();
        const QChar format = commeDocument ? Formats::Reconnaitre(nom, options) : QChar();
        const bool import = Formats::A(format, Formats::Importation);
        Formats::Rapport rapport;
        auto fichier = AvecProgression(
            tr("Opening \"%1\"...").arg(NomSeul(nom)), [&](TInteraction::Progression &suivi) {
                // An Anki deck becomes a new card file of the type asked once it is
                // read; a deck this program wrote offers the type it was written from.
                Formats::ChoixType choisir;
                if (import)
                    choisir = [this, &suivi](QChar ecrit) {
                        QChar choisi = ecrit.isNull() ? TypeCourant : ecrit;
                        suivi.Suspendre(true);
                        const bool choix = DemanderTypeImport(choisi);
                        suivi.Suspendre(false);
                        return choix ? choisi : QChar();
                    };
                return Formats::Ouvrir(nom, modifiable, commeDocument, type, options, &rapport, format, choisir);
            });
        if (!fichier) { // no type chosen
            FermerFichier();
            return;
        }
        if (import) // untitled: saved in the type's own format
            fichier->FormatFichier = Lettres::FormatParDefaut(fichier->TypeFichier, LettreTypeCsv);
        // Asked for writing, held read-only because this user may not write it: said once, here.
        const bool retenu = modifiable && commeDocument && !fichier->Modifiable && !EstLectureSeule(nom);
        const bool systeme = retenu && SystemeLectureSeule(nom);
        const bool interdit = retenu && !systeme && EcritureInterdite(nom);
        FermerFichier();
        ChargerDocument(std::move(fichier), position);
        SignalerOmissions(rapport);
        if ((interdit || systeme) && signalerErreurs)
            TInteraction::Courante().Message(TInteraction::Information,
                                             (systeme
                                                  ? tr("\"%1\" is on a read-only file system: it is open read-only.")
                                                  : tr("You may not write to \"%1\": it is open read-only."))
                                                 .arg(NomSeul(nom)),
                                             TInteraction::Ok, 0);
        return;
    } catch (const ErreurAnnulation &) {
        if (Fichier())
            TypeCourant = Fichier()->TypeFichier;
        return;
    } catch (const Erreur &erreur) {
        message = erreur.message();
    } catch (const std::exception &erreur) {
        message = QString::fromLocal8Bit(erreur.what());
    }
    FermerFichier();
    if (!signalerErreurs)
        return;
    // The menu no longer offers a file that cannot be opened.
    if (nom == Parametres.open)
        Parametres.open.clear();
    else if (nom == Parametres.recent)
        Parametres.recent.clear();
    TInteraction::Courante().Message(TInteraction::Erreur, message, TInteraction::Ok, 0);
}

// What the format could not carry over, once per load or save.
void TFormFiche::SignalerOmissions(const Formats::Rapport &rapport)
{
    const QStringList messages = rapport.Messages();
    if (!messages.isEmpty())
        TInteraction::Courante().Message(TInteraction::Information, messages.join(CRLF), TInteraction::Ok, 0);
}

void TFormFiche::ChargerDocument(std::unique_ptr<TFichierX> fichier, int position)
{
    m_positionOuverture = position;
    m_document.Charger(std::move(fichier), OptionsCourantes()); // shown by MontrerDocument
}

void TFormFiche::MontrerDocument()
{
    const int position = m_positionOuverture;
    m_positionOuverture = 0;
    if (!Fichier()) {
        AfficherSansFichier();
        return;
    }
    TypeCourant = Fichier()->TypeFichier;
    EvaluerType();
    AfficherFichier(position);
}

void TFormFiche::OuvrirAvecDialogue(bool commeDocument)
{
    if (!DemanderSauvegarde())
        return;
    const QString liste = TypesOrdonnes();
    const QChar premier = PremierCar(liste);
    QString filtre = Lettres::FiltreOuverture(premier);
    QString typesEntrees = premier;
    if (Parametres.alltyp) {
        for (qsizetype i = 1; i < liste.size(); ++i)
            filtre += u'|' + Lettres::FiltreOuverture(liste.at(i));
        typesEntrees = liste;
        filtre += QLatin1String("|") + tr("All") + QLatin1String("|*.*");
        typesEntrees += u'?';
    }
    // Formats with an entry of their own (GIFT, Aiken), each for one type:
    // after "All", or beside the one type offered when it is theirs.
    filtre += Lettres::EntreesOuverture(typesEntrees, Parametres.alltyp ? QChar() : premier);
    // A model is only read: the read-only box would mean nothing there.
    const auto choix = TInteraction::Courante().OuvrirFichier(filtre, 1, Lettres::Extension(premier, FormatParDefaut()),
                                                              DossierDialogue(), commeDocument);
    if (!choix.Accepte)
        return;
    m_dossierDialogue = QFileInfo(choix.Chemin).absolutePath();
    const int i = choix.IndexFiltre;
    TypeCourant = i >= 1 && i <= typesEntrees.size() ? typesEntrees.at(i - 1) : QChar(u'?');
    OuvrirFichier(choix.Chemin, Lettres::IndexMemorise(choix.Chemin), !choix.LectureSeule, commeDocument, true);
}

bool TFormFiche::DemanderTypeImport(QChar &type)
{
    // The New dialog's list, Dictionnaire first unless a type was chosen.
    QString liste = TypesOrdonnes();
    Lettres::MettreEnTete(type != u'?' && !type.isNull() && liste.contains(type) ? type : QChar(u'D'), liste);
    if (!DlgNouveau)
        DlgNouveau = new TDlgNouveau(this);
    DlgNouveau->Remplir(liste, true);
    if (TInteraction::Courante().Executer(*DlgNouveau) != QDialog::Accepted)
        return false;
    type = DlgNouveau->LettreChoisie();
    return true;
}

void TFormFiche::RouvrirFichier(const QString &nom, int position)
{
    if (!DemanderSauvegarde())
        return;
    TypeCourant = u'?';
    OuvrirFichier(nom, position, true, true, true);
}

void TFormFiche::NouveauFichier()
{
    if (!DemanderSauvegarde())
        return;
    const QString liste = TypesOrdonnes();
    if (liste.isEmpty())
        return;
    if (!DlgNouveau)
        DlgNouveau = new TDlgNouveau(this);
    DlgNouveau->Remplir(liste);
    if (Parametres.alltyp && liste.size() > 1 && TInteraction::Courante().Executer(*DlgNouveau) != QDialog::Accepted)
        return;
    TypeCourant = DlgNouveau->LettreChoisie();
    FermerFichier();
    const TOptions options = OptionsCourantes();
    auto fichier = std::make_unique<TFichierX>(TypeCourant, FormatParDefaut(), options);
    fichier->InitialiserNouveau(options);
    ChargerDocument(std::move(fichier), -1);
}

// ----------------------------------------------------------------- other instances

void TFormFiche::OuvrirFichierTransmis(const QStringList &lignes)
{
    if (lignes.isEmpty() || lignes.constFirst().isEmpty())
        return;
    const QString nom = lignes.constFirst();
    if (Fichier() && Fichier()->NomFichier == nom)
        return; // already shown
    RouvrirFichier(nom, Lettres::IndexMemorise(nom));
}

void TFormFiche::RecevoirLignes(const QStringList &lignes)
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    m_lignesEnAttente = lignes;
    m_lignesRecues = true;
    // Never from inside the socket's signal, nor under a running dialog:
    // closing the file while a save dialog is up would pull it from under it.
    QTimer::singleShot(0, this, &TFormFiche::TraiterLignesEnAttente);
}

void TFormFiche::TraiterLignesEnAttente()
{
    if (!m_lignesRecues)
        return;
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget() || TProgression::EnCours()) {
        QTimer::singleShot(200, this, &TFormFiche::TraiterLignesEnAttente);
        return;
    }
    const QStringList lignes = m_lignesEnAttente;
    m_lignesEnAttente.clear();
    m_lignesRecues = false;
    OuvrirFichierTransmis(lignes);
}

// ----------------------------------------------------------------- drag and drop

void TFormFiche::OuvrirDepose(const QString &chemin)
{
    if (TProgression::EnCours()) { // dropped while a file is read or written
        QTimer::singleShot(200, this, [this, chemin] { OuvrirDepose(chemin); });
        return;
    }
    if (!DemanderSauvegarde())
        return;
    TypeCourant = u'?'; // as the "All" entry of the open dialog
    OuvrirFichier(chemin, Lettres::IndexMemorise(chemin), true, true, true);
}

bool TFormFiche::TraiterDepot(QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *glisser = static_cast<QDragMoveEvent *>(event);
        if (FichierDepose(glisser->mimeData()).isEmpty())
            return false;
        glisser->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *depot = static_cast<QDropEvent *>(event);
        const QString chemin = FichierDepose(depot->mimeData());
        if (chemin.isEmpty())
            return false;
        depot->acceptProposedAction();
        // The questions come after the drag has ended.
        QTimer::singleShot(0, this, [this, chemin] { OuvrirDepose(chemin); });
        return true;
    }
    default:
        return false;
    }
}

void TFormFiche::dragEnterEvent(QDragEnterEvent *event)
{
    if (!TraiterDepot(event))
        QMainWindow::dragEnterEvent(event);
}

void TFormFiche::dragMoveEvent(QDragMoveEvent *event)
{
    if (!TraiterDepot(event))
        QMainWindow::dragMoveEvent(event);
}

void TFormFiche::dropEvent(QDropEvent *event)
{
    if (!TraiterDepot(event))
        QMainWindow::dropEvent(event);
}

// ----------------------------------------------------------------- saving

bool TFormFiche::SauverFichier(QString nom, bool demanderNom, bool exporter)
{
    if (!Fichier())
        return false;
    const TFichierX &fichier = *Fichier();
    const QChar type = fichier.TypeFichier;
    QChar format = fichier.FormatFichier;
    if (demanderNom) {
        const QString liste = exporter ? Lettres::FormatsExport(fichier) : Lettres::FormatsSauvegarde(fichier);
        if (liste.isEmpty())
            return false;
        if (exporter)
            format = liste.at(0);
        QString filtre = Lettres::FiltreSauvegarde(type, format);
        for (qsizetype i = 1; i < liste.size(); ++i)
            filtre += u'|' + Lettres::FiltreSauvegarde(type, liste.at(i));
        const auto choix = TInteraction::Courante().SauverFichier(filtre, 1, Lettres::Extension(type, format),
                                                                  QFileInfo(nom).fileName(), DossierDialogue());
        if (!choix.Accepte)
            return false;
        if (choix.IndexFiltre >= 1 && choix.IndexFiltre <= liste.size())
            format = liste.at(choix.IndexFiltre - 1);
        nom = choix.Chemin;
        // A name without extension takes the chosen format's: the name and
        // the bytes written never disagree.
        if (QFileInfo(nom).suffix().isEmpty() && !QFileInfo(nom).isDir())
            nom += u'.' + Lettres::Extension(type, format);
        m_dossierDialogue = QFileInfo(nom).absolutePath();
        if (exporter && !fichier.NomFichier.isEmpty() && nom == fichier.NomFichier) {
            // An export written over the document's own file would replace it
            // by something that cannot be opened as this document again.
            TInteraction::Courante().Message(
                TInteraction::Erreur,
                tr("The file \"%1\" is the file being edited: choose another name for the export.").arg(NomSeul(nom)),
                TInteraction::Ok, 0);
            return false;
        }
        if (nom != fichier.NomFichier) {
            if (QFileInfo::exists(nom)
                && TInteraction::Courante().Message(
                       TInteraction::Avertissement,
                       tr("The file \"%1\" already exists.\r\nOverwrite it?").arg(NomSeul(nom)),
                       TInteraction::OkAnnuler, 0)
                    != TInteraction::RepOk)
                return false;
        } else if (m_document.EstModifie()) {
            demanderNom = false; // rewritten in place
        } else {
            return false;
        }
    }
    const TOptions options = OptionsCourantes();
    Formats::Rapport rapport = Formats::PertesEnregistrement(*Fichier(), format, options);
    if (!AccepterPertes(rapport))
        return false;
    try {
        AvecProgression(tr("Saving \"%1\"...").arg(NomSeul(nom)), [&](TInteraction::Progression &) {
            m_document.Enregistrer(nom, format, demanderNom, exporter, options, &rapport);
        });
    } catch (const ErreurAnnulation &) {
        return false; // the file and the document stay as they were
    } catch (const Erreur &erreur) {
        TInteraction::Courante().Message(TInteraction::Erreur, erreur.message(), TInteraction::Ok, 0);
        return false;
    } catch (const std::exception &erreur) {
        TInteraction::Courante().Message(TInteraction::Erreur, QString::fromLocal8Bit(erreur.what()), TInteraction::Ok,
                                         0);
        return false;
    }
    SignalerOmissions(rapport);
    Lettres::MettreEnTete(format, Parametres.frmats);
    if (demanderNom) {
        AfficherTitreFenetre();
        AppliquerLectureSeule();
        MettreAJourBoutons();
    }
    return true;
}

QString TFormFiche::DossierDialogue() const
{
    const auto existe = [](const QString &dossier) { return !dossier.isEmpty() && QFileInfo(dossier).isDir(); };
    if (Fichier() && !Fichier()->NomFichier.isEmpty()) {
        const QString dossier = QFileInfo(Fichier()->NomFichier).absolutePath();
        if (existe(dossier))
            return dossier;
    }
    if (existe(m_dossierDialogue))
        return m_dossierDialogue;
    for (const QString &souvenir : {Parametres.open, Parametres.recent}) {
        if (souvenir.isEmpty())
            continue;
        const QString dossier = QFileInfo(souvenir).absolutePath();
        if (existe(dossier))
            return dossier;
    }
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

bool TFormFiche::AccepterPertes(const Formats::Rapport &rapport)
{
    if (!rapport.Bloquant())
        return true;
    QString texte;
    if (const Formats::Perte *p = rapport.De(Formats::Perte::Caracteres)) {
        const QString caractere = QString::fromUcs4(&p->caractere, 1);
        texte = tr("%n character(s) cannot be written in this format and will be saved as \"?\".", nullptr,
                   int(qMin<qsizetype>(p->nombre, INT_MAX)));
        texte += u' ';
        if (p->fiche >= 0)
            texte += tr("The first one, \"%1\", is in card %2 (\"%3\").")
                         .arg(caractere)
                         .arg(p->fiche + 1)
                         .arg(Fichier()->LibelleFiche(p->fiche));
        else
            texte += tr("The first one, \"%1\", is in the file's header.").arg(caractere);
        texte += QLatin1String("\r\n");
    }
    if (const Formats::Perte *p = rapport.De(Formats::Perte::SansBonneReponse)) {
        texte += tr("%n multiple-choice card(s) have no right answer marked: such a question accepts every answer, "
                    "or none.",
                    nullptr, int(p->nombre));
        texte += u' ';
        texte += tr("The first one is card %1 (\"%2\").").arg(p->fiche + 1).arg(Fichier()->LibelleFiche(p->fiche));
        texte += QLatin1String("\r\n");
    }
    texte += tr("Save anyway?");
    return TInteraction::Courante().Message(TInteraction::Avertissement, texte, TInteraction::OuiNon, 0)
        == TInteraction::RepOui;
}

void TFormFiche::EnregistrerFichier()
{
    if (!Fichier() || !ValiderFiche())
        return;
    ValiderTitreFichier();
    SauverFichier(Fichier()->NomFichier, Fichier()->NomFichier.isEmpty(), false);
}

void TFormFiche::EnregistrerSous()
{
    if (!Fichier() || !ValiderFiche())
        return;
    ValiderTitreFichier();
    SauverFichier(NomSansExtension(Fichier()->NomFichier), true, false);
}

void TFormFiche::Exporter()
{
    if (!Fichier() || !ValiderFiche())
        return;
    ValiderTitreFichier();
    SauverFichier(NomSansExtension(Fichier()->NomFichier), true, true);
}

bool TFormFiche::DemanderSauvegarde()
{
    if (!Fichier())
        return true;
    if (!ValiderFiche())
        return false;
    ValiderTitreFichier();
    if (!m_document.EstModifie())
        return true;
    const QString nom = Fichier()->NomFichier;
    // An imported or new document has no name yet: it is called as its window title calls it.
    switch (TInteraction::Courante().Message(TInteraction::Avertissement,
                                             tr("The file \"%1\" has been modified.\r\nDo you want to save it?")
                                                 .arg(nom.isEmpty() ? tr("(New file)") : NomSeul(nom)),
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
    if (!Fichier())
        return;
    const QString nom = Fichier()->NomFichier;
    if (!nom.isEmpty()) {
        Lettres::MettreEnTete(Fichier()->TypeFichier, Parametres.types);
        if (nom != Parametres.open) {
            Parametres.recent = Parametres.open;
            Parametres.recnum = Parametres.openum;
            Parametres.open = nom;
        }
        Parametres.openum = IndexCourant;
    }
    m_document.Fermer(); // the window empties in MontrerDocument
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
    if (TProgression::EnCours()) { // the document is being read or written
        event->ignore();
        return;
    }
    Parametres.opened = Fichier() != nullptr;
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
    EcrireParametres(ReglagesModifies);
    // The program ends with its main window: the help window and any other
    // window still shown go with it.
    TAide::Fermer();
    const QWidgetList fenetres = QApplication::topLevelWidgets();
    for (QWidget *fenetre : fenetres)
        if (fenetre != this && fenetre->isVisible())
            fenetre->close();
}

void TFormFiche::MontrerProprietes()
{
    if (!Fichier())
        return;
    const TFichierX &f = *Fichier();
    TInteraction::Courante().Message(TInteraction::Information,
                                     tr("Type: %1\r\n\r\nFormat: %2\r\n\r\nNumber of cards: %3")
                                         .arg(f.NomTypeFichier(), Formats::NomFormat(f.FormatFichier))
                                         .arg(f.NombreFiches()),
                                     TInteraction::Ok, 0, tr("Properties"));
}
