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

void Poser(QPlainTextEdit *memo, const QString &texte)
{
    memo->setPlainText(QString(texte).replace(CRLF, QStringLiteral("\n")));
}

} // namespace Memo
