// New cards made from others: Duplicate card, Paste as new card, and what
// the clipboard commands leave for them.

#include "editor/fiche.h"

#include "document/document.h"
#include "model/outils.h"
#include "ui/interaction.h"
#include "ui/memo.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>

namespace {

// The cards' three fields, exact, beside the clipboard's text.
const QString TypeMimeCartes = QStringLiteral("application/x-amblopad-cards");

QStringList Lignes(QString texte)
{
    texte.replace(CRLF, QStringLiteral("\n"));
    texte.replace(u'\r', u'\n');
    return texte.split(u'\n');
}

} // namespace

void TFormFiche::CopierCartes(const QString &texte, const QList<QStringList> &cartes)
{
    QJsonArray liste;
    for (const QStringList &carte : cartes)
        liste.append(QJsonArray::fromStringList(carte));
    auto *donnees = new QMimeData;
    donnees->setText(texte);
    donnees->setData(TypeMimeCartes, QJsonDocument(liste).toJson(QJsonDocument::Compact));
    QGuiApplication::clipboard()->setMimeData(donnees);
}

QList<QStringList> TFormFiche::CartesDepuisTexte(const TFichierX &fichier, const QString &texte)
{
    QList<QStringList> cartes;
    QStringList lignes = Lignes(texte);
    while (!lignes.isEmpty() && lignes.constLast().trimmed().isEmpty())
        lignes.removeLast();
    while (!lignes.isEmpty() && lignes.constFirst().trimmed().isEmpty())
        lignes.removeFirst();
    if (lignes.isEmpty())
        return cartes;
    const bool blocs = lignes.contains(QString());
    if (!blocs && lignes.size() > 1) {
        // A list, one entry a line: each entry names a card.
        for (const QString &ligne : std::as_const(lignes)) {
            if (ligne.trimmed().isEmpty())
                continue;
            if (fichier.Numerote || fichier.TypeFichier == u'N')
                cartes.append({QString(), QString(), ligne});
            else
                cartes.append({fichier.AvecTitre ? ligne : QString(), ligne, QString()});
        }
        return cartes;
    }
    // One card, its fields apart by an empty line as "Card -> clipboard" writes them.
    QList<QStringList> parties{{}};
    for (const QString &ligne : std::as_const(lignes)) {
        if (ligne.isEmpty() && !parties.constLast().isEmpty())
            parties.append(QStringList());
        else
            parties.last().append(ligne);
    }
    const auto reste = [&parties](qsizetype depuis) {
        QStringList texteReste;
        for (qsizetype i = depuis; i < parties.size(); ++i) {
            if (i > depuis)
                texteReste << QString();
            texteReste << parties.at(i);
        }
        return texteReste.join(CRLF);
    };
    if (fichier.Numerote)
        cartes.append({QString(), QString(), reste(0)});
    else if (fichier.AvecTitre && parties.size() >= 3)
        cartes.append({parties.at(0).join(u' '), parties.at(1).join(CRLF), reste(2)});
    else
        cartes.append({QString(), parties.at(0).join(CRLF), reste(1)});
    return cartes;
}

QList<QStringList> TFormFiche::CartesPressePapiers() const
{
    QList<QStringList> cartes;
    const QMimeData *donnees = QGuiApplication::clipboard()->mimeData();
    if (!donnees || !Fichier())
        return cartes;
    if (donnees->hasFormat(TypeMimeCartes)) {
        const QJsonDocument document = QJsonDocument::fromJson(donnees->data(TypeMimeCartes));
        for (const QJsonValue &valeur : document.array()) {
            const QJsonArray champs = valeur.toArray();
            QStringList carte;
            for (int i = 0; i < 3; ++i)
                carte << champs.at(i).toString();
            cartes.append(carte);
        }
        if (!cartes.isEmpty())
            return cartes;
    }
    return donnees->hasText() ? CartesDepuisTexte(*Fichier(), donnees->text()) : cartes;
}

int TFormFiche::AjouterCartes(const QList<QStringList> &cartes, const QString &nom)
{
    const TFichierX &f = *Fichier();
    std::vector<TFicheX> fiches;
    for (const QStringList &carte : cartes) {
        QString c0 = f.AvecTitre ? carte.value(0) : QString();
        QString c1 = f.Numerote ? QString() : carte.value(1);
        QString c2 = carte.value(2);
        if (f.TypeFichier != u'M') {
            c0 = RognerDroite(c0);
            c1 = Alphabetique ? Rogner(c1) : RognerDroite(c1);
            c2 = RognerDroite(c2);
        }
        // The cards a user could not validate are left out.
        const bool complete = f.Numerote || BlocNotes
            ? !Rogner(c2).isEmpty()
            : !Rogner(c1).isEmpty() || (f.AvecTitre && f.CommenceParCarPourcent(c0));
        if (!complete)
            continue;
        if (BlocNotes && Rogner(c1).isEmpty())
            c1 = Horodatage();
        fiches.emplace_back(c0, c1, c2);
    }
    if (fiches.empty())
        return 0;
    if (Alphabetique) {
        // Each card in its place, after those of the same key.
        for (const TFicheX &fiche : fiches) {
            int bas = 0;
            int haut = Fichier()->NombreFiches();
            while (bas < haut) {
                const int milieu = (bas + haut) / 2;
                if (Collation::Comparer(fiche.Champ1(), Fichier()->Fiche(milieu).Champ1()) < 0)
                    haut = milieu;
                else
                    bas = milieu + 1;
            }
            m_document.InsererFiches(bas, {fiche}, nom);
            IndexCourant = bas;
        }
    } else {
        const int position = CarteAffichee() && !BlocNotes ? IndexCourant + 1 : f.NombreFiches();
        m_document.InsererFiches(position, fiches, nom);
        IndexCourant = position + int(fiches.size()) - 1;
    }
    RechercheEnCours = false;
    AfficherFiche(IndexCourant);
    return int(fiches.size());
}

void TFormFiche::DupliquerFiche1Click()
{
    if (!Fichier() || !Fichier()->Modifiable || !CarteAffichee() || !ValiderFiche() || FicheAbandonnee)
        return;
    const TFicheX &fiche = Fichier()->Fiche(IndexCourant);
    AjouterCartes({{fiche.Champ0(), fiche.Champ1(), fiche.Champ2()}}, Action("DupliquerFiche1")->text().remove(u'&'));
}

void TFormFiche::CollerFiche1Click()
{
    if (!Fichier() || !Fichier()->Modifiable || !ValiderFiche())
        return;
    if (AjouterCartes(CartesPressePapiers(), Action("CollerFiche1")->text().remove(u'&')) == 0)
        TInteraction::Courante().Message(TInteraction::Information, tr("The clipboard holds no card to paste."),
                                         TInteraction::Ok, 0);
}
