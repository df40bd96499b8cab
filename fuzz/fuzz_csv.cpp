// CSV import. The first byte picks the separator (',' ';' tab space), whether
// CSV is UTF-8 and the type of the file; the rest is the file. What was read
// is then written back as CSV and as text.
#include "commun.h"
#include "formats/texte/csv.h"
#include "model/options.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, size_t taille)
{
    if (taille == 0)
        return 0;
    static const char *const separateurs[] = {",", ";", "\\t", "\\s"};
    static const char types[] = "LNQMDRVEFA";
    const uint8_t mode = donnees[0];
    TOptions options;
    options.separateurCsv = QString::fromLatin1(separateurs[mode & 3]);
    options.utf8Csv = (mode & 4) != 0;
    const QChar type = QLatin1Char(types[(mode >> 3) % (sizeof(types) - 1)]);
    const QByteArray octets = Fuzz::Octets(donnees + 1, taille - 1);
    Fuzz::Essayer([&] {
        auto f = TFichierCSV::LireCSV(octets, type, options);
        Fuzz::Parcourir(*f);
        TFichierCSV::EcrireCSV(*f, QLatin1Char('s'), options);
        TFichierCSV::EcrireCSV(*f, QLatin1Char('t'), options);
    });
    return 0;
}
