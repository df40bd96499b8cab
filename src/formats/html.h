#pragma once

#include <QString>

// Card texts as the HTML of flash-card programs, and back.
namespace Html {

// Escapes & < > " ; a line end (CR LF, CR or LF) becomes <br>, a TAB four spaces.
QString DepuisTexte(const QString &texte);

// The text of an HTML fragment: <br> and the ends of blocks become CR LF,
// entities are decoded, an image gives its file name, other tags are dropped.
// A raw line end in the source stays a line end (CR LF). A fragment the
// parser could not take whole (the memory budget, nesting past its depth
// limit, a text node too long) raises ErreurIdInvalide.
QString VersTexte(const QString &html);

// The text with tags dropped and entities decoded, line breaks removed: what
// flash-card programs sort and compare notes by.
QString SansBalises(const QString &html);

}
