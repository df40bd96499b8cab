// Printing cards: the lines of a card or of the file, laid out on pages.

#include "editor/impression.h"

#include "model/fichierx.h"
#include "model/outils.h"
#include "ui/interaction.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextBlock>
#include <QTextDocument>
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

namespace Impression {

QStringList LignesFiche(const QString &titre, const QPlainTextEdit *question, const QPlainTextEdit *reponse)
{
    QStringList lignes;
    lignes << Marge + titre << QString();
    for (const QString &l : LignesAffichees(question))
        lignes << Marge + l;
    lignes << QString();
    for (const QString &l : LignesAffichees(reponse))
        lignes << Marge + l;
    return lignes;
}

QList<QStringList> Blocs(const TFichierX &f, const QString &titreFichier)
{
    const auto ajouter = [](QStringList &lignes, const QString &texte) {
        for (const QString &l : texte.split(CRLF))
            lignes << Marge + l;
    };
    QList<QStringList> blocs;
    const int n = f.NombreFiches();
    for (int i = 0; i < n; ++i) {
        const TFicheX &fiche = f.Fiche(i);
        QStringList lignes;
        // A file without card titles shows its own title once, on top.
        if (f.AvecTitre || i == 0)
            lignes << Marge + (f.AvecTitre ? fiche.Champ0() : titreFichier) << QString();
        ajouter(lignes, f.Numerote ? QString::number(i + 1) : fiche.Champ1());
        lignes << QString();
        ajouter(lignes, fiche.Champ2());
        if (i + 1 < n)
            lignes << QString();
        blocs << lignes;
    }
    return blocs;
}

QList<QStringList> ImprimerLignes(QPagedPaintDevice &imprimante, const QFont &police, const QStringList &lignes)
{
    return ImprimerBlocs(imprimante, police, {lignes});
}

QList<QStringList> ImprimerBlocs(QPagedPaintDevice &imprimante, const QFont &police, const QList<QStringList> &blocs)
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
    const int parPage = qMax(1, bas / hauteur);

    // One printed row: where it starts, what is drawn, what it stands for.
    struct Rang
    {
        int x;
        QString texte;
        QString rendu;
    };
    const auto rangs = [&](const QStringList &lignes) {
        std::vector<Rang> liste;
        for (const QString &ligne : lignes) {
            if (mesures.horizontalAdvance(ligne) <= largeur) {
                liste.push_back({0, ligne, ligne});
                continue;
            }
            // Too long for the page: wrapped at words, the rows after the
            // first under the first one's text.
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
            for (int l = 0; l < disposition.lineCount(); ++l) {
                const QTextLine rang = disposition.lineAt(l);
                const QString morceau = texte.mid(rang.textStart(), rang.textLength());
                liste.push_back({x, morceau, retrait + morceau});
            }
        }
        return liste;
    };

    int y = 0;
    pages.append(QStringList());
    const auto nouvellePage = [&] {
        if (!imprimante.newPage())
            return false;
        pages.append(QStringList());
        y = 0;
        return true;
    };
    bool suite = true;
    for (const QStringList &bloc : blocs) {
        const std::vector<Rang> liste = rangs(bloc);
        const int n = int(liste.size());
        // A block that fits on a page is never cut: it starts the next one.
        if (y > 0 && n <= parPage && y + n * hauteur > bas)
            suite = nouvellePage();
        for (int r = 0; r < n && suite; ++r) {
            if (y > 0 && y + hauteur > bas && !(suite = nouvellePage()))
                break;
            const Rang &rang = liste[size_t(r)];
            peintre.drawText(QRect(rang.x, y, qMax(1, largeur - rang.x), hauteur), Qt::AlignLeft | Qt::TextDontClip,
                             rang.texte);
            pages.last() << rang.rendu;
            y += hauteur;
        }
        if (!suite)
            break;
    }
    peintre.end();
    return pages;
}

void Imprimer(const QList<QStringList> &blocs, const QFont &police, const QString &nom, const QString &dossier,
              const QString &echec, const QString &echecFichier)
{
    TInteraction &interaction = TInteraction::Courante();
    QPrinter imprimante;
    // The job and a printout to a file are named after the document, not the window.
    const QString base = nom.isEmpty() ? QStringLiteral("Amblopad") : QFileInfo(nom).completeBaseName();
    imprimante.setDocName(base);
    if (QPrinterInfo::availablePrinterNames().isEmpty())
        imprimante.setOutputFileName(QDir(dossier).filePath(base + QStringLiteral(".pdf")));
    if (!interaction.Imprimer(imprimante))
        return;
    // Never closer to the edge than a desktop printout usually is.
    const QMarginsF minimum(20, 25, 20, 25);
    const QMarginsF marges = imprimante.pageLayout().margins(QPageLayout::Millimeter);
    imprimante.setPageMargins(QMarginsF(qMax(marges.left(), minimum.left()), qMax(marges.top(), minimum.top()),
                                        qMax(marges.right(), minimum.right()), qMax(marges.bottom(), minimum.bottom())),
                              QPageLayout::Millimeter);
    const QString fichierPdf = imprimante.outputFormat() == QPrinter::PdfFormat ? imprimante.outputFileName()
                                                                                : QString();
    if (fichierPdf.isEmpty()) {
        const QList<QStringList> pages = ImprimerBlocs(imprimante, police, blocs);
        if (pages.isEmpty() || imprimante.printerState() == QPrinter::Error)
            interaction.Message(TInteraction::Erreur, echec, TInteraction::Ok, 0);
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
        ImprimerBlocs(pdf, police, blocs);
    }
    QFile sortie(fichierPdf);
    bool ecrit = sortie.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && sortie.write(tampon.data()) == tampon.data().size() && sortie.flush();
    const QString erreur = sortie.errorString();
    sortie.close();
    ecrit = ecrit && sortie.error() == QFileDevice::NoError;
    if (!ecrit)
        interaction.Message(TInteraction::Erreur, echecFichier.arg(fichierPdf) + QStringLiteral("\r\n") + erreur,
                            TInteraction::Ok, 0);
}

} // namespace Impression
