#pragma once

// What the Anki readers (ankilecture.h) and the writer (ankiecriture.cpp) share.

#include <QByteArray>
#include <QChar>
#include <QCoreApplication>
#include <QString>

#include <sqlite3.h>

#include <memory>

// The messages' translation context.
struct Anki
{
    Q_DECLARE_TR_FUNCTIONS(Anki)
};

namespace AnkiCommun {

// Between the fields of a note in the notes table.
inline const QChar SeparateurChamps = QChar(0x1F);
// The note types this program exports are named after the file types.
inline const QString PrefixeType = QStringLiteral("Amblopad ");
// The card template of those note types, whose notes hold the question,
// the body, then the title. Older packages named it "Card 1" and put the
// title first.
inline const QString NomGabarit = QStringLiteral("Amblopad");
// The header line of an Anki text export that gives the card file's type
// and which card field each column after the tags holds (0 title, 1
// question, 2 body): "#amblopad:Q 120".
inline const QString CleDisposition = QStringLiteral("amblopad");

inline QByteArray Utf8(const QString &texte)
{
    return texte.toUtf8();
}

struct FermerBase
{
    void operator()(sqlite3 *b) const { sqlite3_close(b); }
};
using Base = std::unique_ptr<sqlite3, FermerBase>;

}
