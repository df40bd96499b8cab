#include "ui/memo.h"

#include "model/outils.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace Memo {

QString Texte(const QPlainTextEdit *memo)
{
    // The raw text keeps non-breaking spaces, which toPlainText() would turn
    // into spaces.
    const QString texte = memo->document()->toRawText();
    QString resultat;
    resultat.reserve(texte.size());
    for (QChar c : texte) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == u'\n')
            resultat += CRLF;
        else
            resultat += c;
    }
    return resultat;
}

bool MotLong(const QString &texte)
{
    qsizetype mot = 0;
    for (const QChar c : texte) {
        if (c.isSpace())
            mot = 0;
        else if (++mot > MotAuPlusLong)
            return true;
    }
    return false;
}

void Poser(QPlainTextEdit *memo, const QString &texte)
{
    // Wrapping at word boundaries costs the square of a word's length once
    // the word is wider than the memo: a text holding a word longer than any
    // line can show wraps anywhere instead.
    memo->setWordWrapMode(MotLong(texte) ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
    // CR LF made LF in one pass (replace() moves the tail again for every
    // thousand line ends).
    QString lignes;
    lignes.reserve(texte.size());
    qsizetype debut = 0;
    for (qsizetype i = texte.indexOf(CRLF); i >= 0; i = texte.indexOf(CRLF, debut)) {
        lignes.append(QStringView(texte).mid(debut, i - debut));
        debut = i + 1; // from the LF
    }
    lignes.append(QStringView(texte).mid(debut));
    memo->setPlainText(lignes);
}

} // namespace Memo
