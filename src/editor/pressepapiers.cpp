// What the clipboard commands leave for "Paste as new card", and the cards
// read back from the clipboard.

#include "editor/pressepapiers.h"

#include "model/fichierx.h"
#include "model/outils.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMimeData>

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

namespace PressePapiers {

void Copier(const QString &texte, const QList<QStringList> &cartes)
{
    QJsonArray liste;
    for (const QStringList &carte : cartes)
        liste.append(QJsonArray::fromStringList(carte));
    auto *donnees = new QMimeData;
    donnees->setText(texte);
    donnees->setData(TypeMimeCartes, QJsonDocument(liste).toJson(QJsonDocument::Compact));
    QGuiApplication::clipboard()->setMimeData(donnees);
}

QList<QStringList> CartesDepuisTexte(const TFichierX &fichier, const QString &texte)
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

QList<QStringList> Cartes(const TFichierX &fichier)
{
    QList<QStringList> cartes;
    const QMimeData *donnees = QGuiApplication::clipboard()->mimeData();
    if (!donnees)
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
    return donnees->hasText() ? CartesDepuisTexte(fichier, donnees->text()) : cartes;
}

} // namespace PressePapiers
