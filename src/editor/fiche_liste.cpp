// The list of cards, the clipboard, the printout of a card and the two fonts.

#include "editor/fiche.h"

#include "editor/liste.h"
#include "model/outils.h"
#include "settings/init.h"
#include "ui/interaction.h"
#include "ui/memo.h"

#include <QAbstractTextDocumentLayout>
#include <QPageLayout>
#include <QPrinterInfo>
#include <QPdfWriter>
#include <QFileInfo>
#include <QFile>
#include <QDir>
#include <QBuffer>
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
    if (!Fichier() || !Liste || !ValiderFiche())
        return;
    const int n = Fichier()->NombreFiches();
    Liste->Selection = nullptr;
    if (BlocNotes) {
        // Newest first: items run from the last card to the first.
        Liste->Decalage = n - 1;
        Liste->Modele->Remplir(Fichier(), true);
        Liste->Selectionner(Liste->Decalage - IndexCourant);
    } else {
        Liste->Decalage = 0;
        Liste->Modele->Remplir(Fichier(), false);
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
    if (!Fichier() || !CarteAffichee())
        return;
    // The texts as shown, edits not yet validated included.
    const TFichierX &f = *Fichier();
    QString texte = Memo::Texte(MReponse);
    if (!f.Numerote)
        texte = Memo::Texte(MQuestion) + CRLF + CRLF + texte;
    if (f.AvecTitre && !ETitre->text().isEmpty())
        texte = ETitre->text() + CRLF + CRLF + texte;
    QGuiApplication::clipboard()->setText(texte);
}

void TFormFiche::ListeVersPressePapiers1Click()
{
    if (!Fichier() || !ValiderFiche())
        return;
    const TFichierX &f = *Fichier();
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

QList<QStringList> TFormFiche::ImprimerLignes(QPagedPaintDevice &imprimante, const QFont &police,
                                              const QStringList &lignes)
{
    QList<QStringList> pages;
    QPainter peintre;
    if (!peintre.begin(&imprimante))
        return pages;
    // The font measured on the printer, not on the screen.
    const QFont surPapier(police, &imprimante);
    peintre.setFont(surPapier);
    const QFontMetrics mesures = peintre.fontMetrics();
    const int hauteur = qMax(1, mesures.lineSpacing());
    const QRect page = imprimante.pageLayout().paintRectPixels(imprimante.logicalDpiX());
    const int largeur = page.width();
    const int bas = page.height();
    int y = 0;
    pages.append(QStringList());
    const auto ecrire = [&](int x, const QString &texte, const QString &rendu) {
        if (y > 0 && y + hauteur > bas) {
            if (!imprimante.newPage())
                return false;
            pages.append(QStringList());
            y = 0;
        }
        peintre.drawText(QRect(x, y, qMax(1, largeur - x), hauteur), Qt::AlignLeft | Qt::TextDontClip, texte);
        pages.last() << rendu;
        y += hauteur;
        return true;
    };
    for (const QString &ligne : lignes) {
        if (mesures.horizontalAdvance(ligne) <= largeur) {
            if (!ecrire(0, ligne, ligne))
                break;
            continue;
        }
        // Too long for the page: wrapped at words, the rows after the first
        // under the first one's text.
        qsizetype blancs = 0;
        while (blancs < ligne.size() && ligne.at(blancs) == u' ')
            ++blancs;
        const QString retrait = ligne.left(blancs);
        const int x = qMin(mesures.horizontalAdvance(retrait), largeur / 2);
        const QString texte = ligne.mid(blancs);
        QTextLayout disposition(texte, surPapier, &imprimante);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        disposition.setTextOption(option);
        disposition.beginLayout();
        for (QTextLine rang = disposition.createLine(); rang.isValid(); rang = disposition.createLine())
            rang.setLineWidth(largeur - x);
        disposition.endLayout();
        bool suite = true;
        for (int l = 0; l < disposition.lineCount() && suite; ++l) {
            const QTextLine rang = disposition.lineAt(l);
            const QString morceau = texte.mid(rang.textStart(), rang.textLength());
            suite = ecrire(x, morceau, retrait + morceau);
        }
        if (!suite)
            break;
    }
    peintre.end();
    return pages;
}

void TFormFiche::Imprimer1Click()
{
    if (!Fichier() || !CarteAffichee())
        return;
    TInteraction &interaction = TInteraction::Courante();
    QPrinter imprimante;
    // The job and a printout to a file are named after the document, not the window.
    const QString nom = Fichier()->NomFichier;
    const QString base = nom.isEmpty() ? QStringLiteral("Amblopad") : QFileInfo(nom).completeBaseName();
    imprimante.setDocName(base);
    if (QPrinterInfo::availablePrinterNames().isEmpty())
        imprimante.setOutputFileName(QDir(DossierDialogue()).filePath(base + QStringLiteral(".pdf")));
    if (!interaction.Imprimer(imprimante))
        return;
    // Never closer to the edge than a desktop printout usually is.
    const QMarginsF minimum(20, 25, 20, 25);
    const QMarginsF marges = imprimante.pageLayout().margins(QPageLayout::Millimeter);
    imprimante.setPageMargins(QMarginsF(qMax(marges.left(), minimum.left()), qMax(marges.top(), minimum.top()),
                                        qMax(marges.right(), minimum.right()), qMax(marges.bottom(), minimum.bottom())),
                              QPageLayout::Millimeter);
    const QStringList lignes = LignesImpression();
    const QString fichierPdf = imprimante.outputFormat() == QPrinter::PdfFormat ? imprimante.outputFileName()
                                                                                : QString();
    if (fichierPdf.isEmpty()) {
        const QList<QStringList> pages = ImprimerLignes(imprimante, PoliceImpression, lignes);
        if (pages.isEmpty() || imprimante.printerState() == QPrinter::Error)
            interaction.Message(TInteraction::Erreur, tr("The card could not be printed."), TInteraction::Ok, 0);
        return;
    }
    // A printout to a file is made in memory, then written: a file that
    // cannot be written (a missing folder, a full disk) is reported with the
    // system's own words.
    QBuffer tampon;
    tampon.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&tampon);
        pdf.setPageLayout(imprimante.pageLayout());
        pdf.setResolution(imprimante.resolution());
        pdf.setTitle(base);
        pdf.setCreator(QStringLiteral("Amblopad"));
        ImprimerLignes(pdf, PoliceImpression, lignes);
    }
    QFile sortie(fichierPdf);
    bool ecrit = sortie.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && sortie.write(tampon.data()) == tampon.data().size() && sortie.flush();
    const QString erreur = sortie.errorString();
    sortie.close();
    ecrit = ecrit && sortie.error() == QFileDevice::NoError;
    if (!ecrit)
        interaction.Message(TInteraction::Erreur,
                            tr("The card could not be printed to \"%1\".").arg(fichierPdf) + QStringLiteral("\r\n")
                                + erreur,
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
    for (QWidget *champ :
         {static_cast<QWidget *>(ETitre), static_cast<QWidget *>(MQuestion), static_cast<QWidget *>(MReponse)})
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
    // The font the fields really show (a fallback when the stored one is
    // missing): OK without a change stores what the user saw.
    QFont police(QFontInfo(ETitre->font()).family(), Parametres.fosize);
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
    if (Liste)
        police.setFamily(QFontInfo(Liste->LBListe->font()).family());
    if (!TInteraction::Courante().ChoisirPolice(police))
        return;
    Parametres.lstfon = police.family();
    Parametres.lstfos = police.pointSize() > 0 ? police.pointSize() : QFontInfo(police).pointSize();
    ReglagesModifies = true;
    AppliquerPoliceListe(police);
}
