#pragma once

#include <QByteArray>
#include <QString>

// Checks made on a document's bytes before the XML parser sees them.
namespace GardeXml {

// The most attributes an element may carry. Card files use a few; libxml2
// compares each attribute with all those before it, so thousands on one
// element would take minutes.
constexpr int MaxAttributs = 64;

// True when no element carries more than MaxAttributs attributes, looked at
// in one pass over the bytes in the document's own encoding; else false with
// the line of the offending element.
bool AttributsRaisonnables(const QByteArray &octets, int &ligne);

// libxml2 allocates through the current memory budget (see budget.h): called
// once, before libxml2 is first used.
void PreparerMemoire();

}
