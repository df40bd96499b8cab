#pragma once

// Moodle XML quizzes summed up one line per question, for the tests that
// compare what the writer made with what they expect.

#include "formats/documentxml.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace QuestionsMoodle {

// Questions of a document, one line each: the child elements in order, with
// their text, so that a wrong element, order, attribute or text shows.
inline QString TexteDe(const TNoeudXml &e)
{
    return e.Enfant(QStringLiteral("text")).Texte();
}

inline QString Resume(const TNoeudXml &question)
{
    QStringList parties{QStringLiteral("type=") + question.Attribut(QStringLiteral("type"))};
    for (const TNoeudXml &e : question.Elements()) {
        const QString nom = e.Nom();
        QString partie = nom;
        if (e.AAttribut(QStringLiteral("format")))
            partie += QStringLiteral("{") + e.Attribut(QStringLiteral("format")) + QStringLiteral("}");
        if (nom == QLatin1String("answer")) {
            partie += QStringLiteral("[") + e.Attribut(QStringLiteral("fraction")) + QStringLiteral("]=") + TexteDe(e);
            if (const TNoeudXml t = e.Enfant(QStringLiteral("tolerance")))
                partie += QStringLiteral("~") + t.Texte();
        } else if (nom == QLatin1String("subquestion")) {
            partie += QStringLiteral("=") + TexteDe(e) + QStringLiteral(">")
                + TexteDe(e.Enfant(QStringLiteral("answer")));
        } else if (nom == QLatin1String("units")) {
            partie += QStringLiteral("=") + e.Texte();
        } else if (e.Enfant(QStringLiteral("text"))) {
            partie += QStringLiteral("=") + TexteDe(e);
        } else {
            partie += QStringLiteral("=") + e.Texte();
        }
        parties << partie;
    }
    return parties.join(u'|');
}

// Parses the bytes (which must be well-formed) and gives the question lines.
inline QStringList Questions(const QByteArray &octets)
{
    TDocumentXml doc;
    if (!doc.Charger(octets)) {
        qWarning("not well-formed: %s", qPrintable(doc.MessageErreur()));
        return {QStringLiteral("<not well-formed>")};
    }
    if (doc.Racine().Nom() != QLatin1String("quiz"))
        return {QStringLiteral("<no quiz>")};
    QStringList lignes;
    for (const TNoeudXml &q : doc.Racine().Enfants(QStringLiteral("question")))
        lignes << Resume(q);
    return lignes;
}

} // namespace QuestionsMoodle
