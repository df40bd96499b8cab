// The list of cards, the clipboard, the printout of a card and the two fonts.

#include "editor/fiche.h"

#include "editor/liste.h"
#include "model/outils.h"
#include "settings/init.h"
#include "ui/interaction.h"
#include "ui/memo.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTextBlock>
#include <QTextLayout>

namespace {

const QString Marge = QStringLiteral("      ");

// The lines of a memo as it displays them: a paragraph wrapped by the memo
// gives one line per row on screen.
QStringList LignesAffichees(const QPlainTextEdit *memo)
{
    QStringList lignes;
    QTextDocument *document = memo->document();
    QAbstractTextDocumentLayout *mise = document->documentLayout();
    for (QTextBlock bloc = document->begin(); bloc.isValid(); bloc = bloc.next()) {
        mise->blockBoundingRect(bloc); // lays the block out if it is not yet
        const QString texte = bloc.text();
        const QTextLayout *disposition = bloc.layout();
        if (!disposition || disposition->lineCount() == 0) {
            lignes << texte;
            continue;
        }
        for (int l = 0; l < disposition->lineCount(); ++l) {
            const QTextLine ligne = disposition->lineAt(l);
            lignes << texte.mid(ligne.textStart(), ligne.textLength());
        }
    }
    return lignes;
}

} // namespace

// ----------------------------------------------------------------- list of cards

void TFormFiche::Listedesfiches1Click()
{
    if (!FichierCourant || !Liste || !ValiderFiche())
        return;
    const int n = FichierCourant->NombreFiches();
    Liste->Selection = nullptr;
    if (BlocNotes) {
        // Newest first: items run from the last card to the first.
        Liste->Decalage = n - 1;
        Liste->Modele->Remplir(FichierCourant.get(), true);
        Liste->Selectionner(Liste->Decalage - IndexCourant);
    } else {
        Liste->Decalage = 0;
        Liste->Modele->Remplir(FichierCourant.get(), false);
        Liste->Selectionner(IndexCourant);
    }
    Liste->Selection = [this](int position) { AfficherFiche(position); };
    const int avant = IndexCourant;
    const int resultat = TInteraction::Courante().Executer(*Liste);
    Liste->Selection = nullptr;
    if (resultat == TListe::Abandon)
        AfficherFiche(avant);
}

// ----------------------------------------------------------------- clipboard

void TFormFiche::PressePapiers1Click()
{
    if (!FichierCourant || !CarteAffichee())
        return;
    // The texts as shown, edits not yet validated included.
    const TFichierX &f = *FichierCourant;
    QString texte = Memo::Texte(MReponse);
    if (!f.Numerote)
        texte = Memo::Texte(MQuestion) + CRLF + CRLF + texte;
    if (f.AvecTitre && !ETitre->text().isEmpty())
        texte = ETitre->text() + CRLF + CRLF + texte;
    QGuiApplication::clipboard()->setText(texte);
}

void TFormFiche::ListeVersPressePapiers1Click()
{
    if (!FichierCourant || !ValiderFiche())
        return;
    const TFichierX &f = *FichierCourant;
    QString texte;
    for (int i = 0; i < f.NombreFiches(); ++i)
        texte += f.LibelleFiche(i) + CRLF;
    QGuiApplication::clipboard()->setText(texte);
}

// ----------------------------------------------------------------- printing

QStringList TFormFiche::LignesImpression() const
{
    QStringList lignes;
    lignes << Marge + ETitre->text() << QString();
    for (const QString &l : LignesAffichees(MQuestion))
        lignes << Marge + l;
    lignes << QString();
    for (const QString &l : LignesAffichees(MReponse))
        lignes << Marge + l;
    return lignes;
}

QList<QStringList> TFormFiche::ImprimerLignes(QPrinter &imprimante, const QFont &police,
                                              const QStringList &lignes)
{
    QList<QStringList> pages;
    QPainter peintre;
    if (!peintre.begin(&imprimante))
        return pages;
    // The font measured on the printer, not on the screen.
    peintre.setFont(QFont(police, &imprimante));
    const QFontMetrics mesures = peintre.fontMetrics();
    const int hauteur = qMax(1, mesures.lineSpacing());
    const QRect page = imprimante.pageLayout().paintRectPixels(imprimante.resolution());
    const int largeur = page.width();
    const int bas = page.height();
    int y = 0;
    pages.append(QStringList());
    for (const QString &ligne : lignes) {
        if (y > 0 && y + hauteur > bas) {
            if (!imprimante.newPage())
                break;
            pages.append(QStringList());
            y = 0;
        }
        peintre.drawText(QRect(0, y, largeur, hauteur), Qt::AlignLeft | Qt::TextDontClip, ligne);
        pages.last() << ligne;
        y += hauteur;
    }
    peintre.end();
    return pages;
}

void TFormFiche::Imprimer1Click()
{
    if (!FichierCourant || !CarteAffichee())
        return;
    QPrinter imprimante;
    imprimante.setDocName(windowTitle());
    TInteraction &interaction = TInteraction::Courante();
    if (!interaction.Imprimer(imprimante))
        return;
    const QList<QStringList> pages = ImprimerLignes(imprimante, PoliceImpression, LignesImpression());
    if (pages.isEmpty() || imprimante.printerState() == QPrinter::Error)
        interaction.Message(TInteraction::Erreur, tr("The card could not be printed."),
                            TInteraction::Ok, 0);
}

// ----------------------------------------------------------------- fonts

void TFormFiche::AppliquerPoliceChamps(const QFont &police)
{
    // Without the named font, the fields stay in a fixed-pitch face: texts
    // are often laid out in columns with spaces.
    QFont effective = police;
    if (!QFontDatabase::hasFamily(police.family())) {
        effective.setFamily(QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
        effective.setStyleHint(QFont::TypeWriter);
        effective.setFixedPitch(true);
    }
    for (QWidget *champ : {static_cast<QWidget *>(ETitre), static_cast<QWidget *>(MQuestion),
                           static_cast<QWidget *>(MReponse)})
        champ->setFont(effective);
    PoliceImpression = effective;
}

void TFormFiche::AppliquerPoliceListe(const QFont &police)
{
    if (Liste)
        Liste->LBListe->setFont(police);
}

void TFormFiche::Police1Click()
{
    QFont police(Parametres.foname, Parametres.fosize);
    if (!TInteraction::Courante().ChoisirPolice(police))
        return;
    Parametres.foname = police.family();
    Parametres.fosize = police.pointSize() > 0 ? police.pointSize() : QFontInfo(police).pointSize();
    ReglagesModifies = true;
    AppliquerPoliceChamps(police);
    AjusterPanneaux();
}

void TFormFiche::Police2Click()
{
    QFont police(Parametres.lstfon, Parametres.lstfos);
    if (!TInteraction::Courante().ChoisirPolice(police))
        return;
    Parametres.lstfon = police.family();
    Parametres.lstfos = police.pointSize() > 0 ? police.pointSize() : QFontInfo(police).pointSize();
    ReglagesModifies = true;
    AppliquerPoliceListe(police);
}
