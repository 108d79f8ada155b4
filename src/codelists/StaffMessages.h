#pragma once

#include "app/Messages.h"

namespace valmir::Messages {

// Staff list: the input box
inline const QString StaffNamePrompt = QStringLiteral("Ime in priimek");
inline const QString AddStaffTitle = QStringLiteral("Dodaj novega sestavljavca");
inline const QString RenameStaffTitle = QStringLiteral("Sprememba podatkov");

// Staff list: refusals and failures
inline const Message StaffOnInvoices{
    QStringLiteral("Te osebe ne morem brisati, saj se pojavlja kot sestavljavec na %1 računih!"),
    QStringLiteral("Pridnih ne brišemo")}; // %1: the number of invoices
inline const Message StaffListNotRead{QStringLiteral("Seznama oseb ni mogoče prebrati:"),
                                      Titles::Cannot}; // the engine's text follows
inline const Message StaffNotSaved{QStringLiteral("Osebe ni bilo mogoče shraniti:"),
                                   Titles::Database}; // the engine's text follows
inline const Message StaffNotDeleted{QStringLiteral("Osebe ni bilo mogoče izbrisati:"),
                                     Titles::Database}; // the engine's text follows
inline const Message StaffNotRead{
    QStringLiteral("Izbrane osebe ni bilo mogoče prebrati, zato je ne spreminjam."),
    Titles::Database};

// Post-office lookup
inline const Message PostOfficesNotRead{QStringLiteral("Seznama pošt ni mogoče prebrati:"),
                                        Titles::Cannot}; // the engine's text follows

} // namespace valmir::Messages
