#pragma once

namespace PageCodeTables {

struct Table {
    int pageCode;
    const char16_t *haut; // characters of bytes 0x80..0xFF
};

extern const Table tables[];
extern const int nombreTables;

}
