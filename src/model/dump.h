#pragma once

#include <QByteArray>

class TFichierX;

// The whole card file as one JSON object (UTF-8), fields under their own
// names; the stream and the two state flags are left out.
QByteArray DumpJson(const TFichierX &fichier);
