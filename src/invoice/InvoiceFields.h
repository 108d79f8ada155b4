#pragma once

#include <QString>
#include <QVariant>

namespace valmir {

// How a header box of the editor shows a field of tblRacun and how the
// box's text is stored again. Loading and saving both go by this one
// table, so that whatever a box shows reads back as the value it came from.
enum class BoxForm {
    Text,     // shown trimmed, stored as typed (an empty box is empty text)
    Date,     // shown d.M.yyyy, stored as a date (an empty box is Null)
    Validity, // a number of days; "30 dni" as typed counts as 30
};

struct HeaderField {
    int box;             // Text1(box); 7 is the remark box
    const char16_t* field;
    BoxForm form;
    bool customer;       // copied into a new invoice for the same customer
};

inline constexpr HeaderField HeaderFields[] = {
    {0, u"StevilkaRacuna", BoxForm::Text, false},
    {1, u"Ime", BoxForm::Text, true},
    {2, u"Naslov", BoxForm::Text, true},
    {3, u"PST", BoxForm::Text, true},
    {4, u"Posta", BoxForm::Text, true},
    {5, u"Telefon", BoxForm::Text, true},
    {6, u"KontaktnaOseba", BoxForm::Text, true},
    {7, u"Opombe", BoxForm::Text, true},
    {8, u"Datum", BoxForm::Date, false},
    {9, u"Faks", BoxForm::Text, true},
    {10, u"Email", BoxForm::Text, true},
    {11, u"Delovisce", BoxForm::Text, false},
    {12, u"Zadeva", BoxForm::Text, false},
    {13, u"Davcna", BoxForm::Text, true},
    {14, u"TRR", BoxForm::Text, true},
    {15, u"Veljavnost", BoxForm::Validity, false},
};
inline constexpr int HeaderBoxCount = 16;
inline constexpr int NumberBox = 0;
inline constexpr int CustomerBox = 1;
inline constexpr int PostcodeBox = 3;
inline constexpr int PlaceBox = 4;
inline constexpr int RemarkBox = 7;
inline constexpr int DateBox = 8;
inline constexpr int EmailBox = 10;
inline constexpr int ValidityBox = 15;

// The text a box shows for a stored value, and the value its text stores.
QString boxText(const QVariant& stored, BoxForm form);
QVariant storedValue(const QString& text, BoxForm form);

// When a stored invoice falls due: its date plus the whole days of its
// validity; no validity, or one below nought, is due on the day. None
// without a date. The list, the reminder and the e-invoice all use it.
QVariant dueDate(const QVariant& date, const QVariant& validity);

// A stored number as a number box (point value, percentage, validity)
// shows it: the locale's form, which readNumber() reads back unchanged.
QString numberBoxText(const QVariant& value);

} // namespace valmir
