#pragma once

#include <QString>

namespace valmir {

// What the program says in its message boxes, in one place: the manual,
// the tests and a translator read them here.
struct Message {
    QString text;
    QString title;
};

namespace Titles {
inline const QString Database = QStringLiteral("Napaka v bazi");
inline const QString Cannot = QStringLiteral("Ne bo šlo");
inline const QString Question = QStringLiteral("Vprašanje");
inline const QString BadData = QStringLiteral("Napaka v podatkih");
inline const QString BadDate = QStringLiteral("Napačen datum");
inline const QString TooLarge = QStringLiteral("Prevelik znesek");
} // namespace Titles

namespace Messages {

// Lists
inline const Message NotANumber{
    QStringLiteral("»%1« ni število. Vpišite število, na primer 1234,50."), // %1: what was typed
    QStringLiteral("Napačen vnos")};

// Invoice list
inline const Message InvoiceListNotRead{QStringLiteral("Seznama računov ni mogoče prebrati:"),
                                        Titles::Cannot}; // the engine's text follows
inline const Message DeleteInvoice{QStringLiteral("Izbrani račun bo izbrisan za vse večne čase!\r\n"
                                                  "Je to res tvoja želja?"),
                                   QStringLiteral("Trenutek odločitve")};
inline const Message InvoiceNotDeleted{QStringLiteral("Računa ni bilo mogoče izbrisati:\n"),
                                       Titles::Cannot}; // the engine's text follows

// Invoice editor: opening
inline const Message NoDatabase{QStringLiteral("Baza podatkov ni odprta."), Titles::Cannot};
inline const Message NoInvoiceSelected{QStringLiteral("Ni izbranega računa."), Titles::Cannot};
inline const Message NoSettings{
    QStringLiteral("Manjkajo nastavitve računa (vrednost točke, veljavnost in števec računov). "
                   "Vnesi jih v nastavitvah računa in poskusi znova."),
    Titles::BadData};

// Invoice editor: pricing and lines
inline const Message PercentCapped{
    QStringLiteral("Proccent pavšalnega obračuna stroškov sem zmanjšal na dovoljenih 10%"),
    QStringLiteral("Požrešneš")};
inline const Message SurchargeCapped{
    QStringLiteral("Povišek je omejen na 50 %! Previsoke poviške sem zato zmanjšal na 50."),
    QStringLiteral("Previsoki poviški")};
inline const Message AmountTooLarge{
    QStringLiteral("Znesek je prevelik za izračun. Preverite količine, točke in poviške."),
    Titles::TooLarge};
inline const Message ExpensesAsLumpSum{QStringLiteral("Stroški so že obračunani pavšalno!"),
                                       QStringLiteral("Lakomnež")};
inline const Message DeleteLine{QStringLiteral("Bi res rad izbrisal izbrano opravilo?"),
                                Titles::Question};
inline const Message AskTickUnifiedReport{
    QStringLiteral("Ali si izdelal en elaborat in bi pravzaprav rad odkljukal 70 %?"),
    Titles::Question};
inline const Message AskUntickUnifiedReport{
    QStringLiteral("Na računu je samo ena geodetska storitev. Si mogoče 70 % vrednost "
                   "elaborata obračunal pomotoma?"),
    Titles::Question};

// Invoice editor: saving and closing
inline const Message PointValueNotNumeric{
    QStringLiteral("Vrednost točke mora imeti numerično vrednost!"), Titles::BadData};
inline const Message PercentNotNumeric{
    QStringLiteral("Procent pavšalnega obračuna stroškov mora imeti numerično vrednost!"),
    Titles::BadData};
inline const Message DuplicateNumber{
    QStringLiteral("Račun s takšno številko že imamo v bazi! Številka računa mora biti unikatna."),
    Titles::Cannot};
inline const Message BadDate{QStringLiteral("Datum ni podan v duhu gregorijanskega koledarja!"),
                             Titles::BadDate};
inline const Message InvoiceNotSaved{QStringLiteral("Računa ni bilo mogoče shraniti."),
                                     Titles::Database}; // the engine's text follows
inline const Message NoInvoiceList{
    QStringLiteral("Seznam računov ni odprt, zato računa ne morem shraniti."), Titles::Cannot};
inline const Message UnsavedChanges{QStringLiteral("Si morda nehote pozabil shraniti spremembe?"),
                                    QStringLiteral("Majhna pozornost")};

} // namespace Messages

} // namespace valmir
