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

// libxml2 allocates through the current memory budget (see budget.h), and
// its own messages (parse errors, memory turned down, encodings) are kept,
// never printed. Called on every thread before it uses libxml2.
void PreparerMemoire();

// Forgets libxml2's messages kept on this thread: at the start of a reading.
void OublierMessages();
// How many messages libxml2 gave on this thread since OublierMessages.
int NombreMessages();
// The message of a refusal followed by libxml2's own messages since
// OublierMessages: the first few, then how many more there were.
QString AvecMessages(const QString &message);

}
