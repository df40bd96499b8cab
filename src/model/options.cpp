#include "model/options.h"

#include "model/outils.h"
#include "resources/chaines.h"

TOptions::TOptions()
    : ouVisible(Chaines::DefautOu()), ponctuation(Chaines::DefautPonctuation()),
      motsIgnores(Chaines::DefautMotsIgnores()), separateurQcm(Chaines::DefautSeparateurQcm()),
      typesCsv(Chaines::DefautTypesCsv())
{
}

QChar TOptions::CarSeparateurCsv() const
{
    return SeparateurCsv(separateurCsv);
}
