#pragma once

#include <QString>

class QPlainTextEdit;

// Texts in memory break lines with CR LF; a memo breaks them into paragraphs.
namespace Memo {

// The memo's text with CR LF line breaks.
QString Texte(const QPlainTextEdit *memo);
// Longer than any line of a memo shows.
constexpr qsizetype MotAuPlusLong = 1000;
// True when the text holds a word (a run without blanks) longer than that.
bool MotLong(const QString &texte);
// Shows a text with CR LF line breaks in the memo.
void Poser(QPlainTextEdit *memo, const QString &texte);

} // namespace Memo
