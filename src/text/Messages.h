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
inline const Message DeleteCreditedInvoice{
    QStringLiteral("Izbrani račun ima dobropis %1, ki bo ostal brez svojega računa.\r\n"
                   "Račun bo izbrisan za vse večne čase! Je to res tvoja želja?"),
    QStringLiteral("Trenutek odločitve")}; // %1: the credit notes' numbers

// Credit notes
inline const Message MakeCreditNote{
    QStringLiteral("Naredim dobropis k računu %1? Dobropis dobi novo številko in današnji "
                   "datum; postavke, ki jih ne vračate, v njem izbrišite."),
    Titles::Question}; // %1: the invoice's number
inline const Message MakeAnotherCreditNote{
    QStringLiteral("Račun %1 že ima dobropis %2. Naredim še enega?"),
    Titles::Question}; // %1: the invoice's number, %2: its credit notes
inline const Message CreditNoteOfCreditNote{
    QStringLiteral("Izbrani dokument je dobropis. Dobropisa ni mogoče dobropisati."),
    Titles::Cannot};
inline const Message CreditNoteNotMade{QStringLiteral("Dobropisa ni bilo mogoče narediti:"),
                                       Titles::Database}; // the engine's text follows
inline const Message CreditedInvoiceGone{
    QStringLiteral("Računa %1 ni več: medtem je bil izbrisan. Dobropis ni narejen."),
    Titles::Cannot}; // %1: the invoice's number

// Purging old invoices
inline const Message PurgeInvoices{QStringLiteral("Računi bodo izbrisani za vse večne čase!\r\n"
                                                  "Je to res tvoja želja?"),
                                   QStringLiteral("Trenutek odločitve")};
inline const Message PurgeGiveUp{QStringLiteral("Za vsak slučaj še enkrat vprašam:\r\n"
                                                "Bi se mogoče raje odpovedal temu dejanju?"),
                                 QStringLiteral("Ne morem verjeti")}; // Yes gives up
inline const Message PurgeFailed{QStringLiteral("Starih računov ni bilo mogoče izbrisati:\n"),
                                 Titles::Database}; // the engine's text follows

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
// A save whose COMMIT went unanswered, and the server could not be asked
// since whether it landed: saved again, it is found and not stored twice.
inline const Message SaveOutcomeUnknown{
    QStringLiteral("Povezava s strežnikom se je prekinila med shranjevanjem, zato ni znano, "
                   "ali je račun shranjen. Shranite ga znova, ko bo strežnik dosegljiv: "
                   "shranjenega ne bo shranil dvakrat."),
    Titles::Database}; // the engine's text follows
inline const Message NoInvoiceList{
    QStringLiteral("Seznam računov ni odprt, zato računa ne morem shraniti."), Titles::Cannot};
inline const Message UnsavedChanges{QStringLiteral("Si morda nehote pozabil shraniti spremembe?"),
                                    QStringLiteral("Majhna pozornost")};
// Several workstations on one server: a save or a delete that finds the
// invoice changed or deleted by another since this one read it.
inline const Message ChangedMeanwhile{
    QStringLiteral("Račun je medtem spremenil nekdo drug (%1). Vaše spremembe niso shranjene."),
    Titles::Cannot};                                       // %1: ChangedBy or DeletedBy
inline const QString ChangedBy = QStringLiteral("%1, %2"); // %1: the workstation, %2: when
inline const QString DeletedBy = QStringLiteral("račun je izbrisan");
inline const QString DeleteChangedMeanwhile =
    QStringLiteral("Račun je medtem spremenil nekdo drug (%1). Račun ni izbrisan.");
inline const QString ShowOtherVersion =
    QStringLiteral("Prikažem račun, kot je zdaj shranjen? Če izberete »Ne«, urejate naprej "
                   "svojo različico.");
// The same for a row of a code list (the customers, the staff, the tariff).
inline const Message RowChangedMeanwhile{
    QStringLiteral("Zapis je medtem spremenil nekdo drug (%1). Vaše spremembe niso shranjene."),
    Titles::Cannot}; // %1: ChangedBy or RowDeletedBy
inline const QString RowDeletedBy = QStringLiteral("zapis je izbrisan");
// An action asked about a row that another workstation changed or deleted
// before the answer came: nothing is done.
inline const Message AskedRowChanged{
    QStringLiteral("Zapis je medtem spremenil nekdo drug (%1). Ukaz ni izveden."),
    Titles::Cannot}; // %1: ChangedBy or RowDeletedBy

// An invoice names its buyer.
inline const Message NoCustomerName{
    QStringLiteral("Račun mora imeti naročnika! Vpiši ime naročnika in shrani znova."),
    Titles::BadData};
// Invoices are numbered in the order they are issued.
inline const Message DateBeforeLast{
    QStringLiteral("Datum računa (%1) je pred datumom zadnjega shranjenega računa (%2). Računi "
                   "morajo biti oštevilčeni po vrstnem redu izdaje. Ga vseeno shranim?"),
    Titles::Question}; // %1: the invoice's date, %2: the latest stored date
inline const Message DateNotChecked{
    QStringLiteral("Datuma zadnjega shranjenega računa ni mogoče prebrati, zato računa ne "
                   "shranim:"),
    Titles::Database}; // the engine's text follows
inline const QString CreditNoteTitle =
    QStringLiteral("Dobropis k računu %1"); // %1: the credited invoice's number

} // namespace Messages

namespace ServiceMessages {

// What the services list and its edit dialog say in their message boxes.
inline const Message DuplicateNumber{
    QStringLiteral("Geodetsko storitev s to zaporedno številko že imamo v bazi!"),
    QStringLiteral("Napaka unikatnosti")};
inline const Message HasOperations{
    QStringLiteral("Te geodetske storitve ne morem brisati, saj ima že vnešene postavke!"),
    Titles::Cannot};
inline const Message RenumberReprices{
    QStringLiteral("Te geodetske storitve ne morem preštevilčiti, saj ima že vnešene postavke, "
                   "ki bi se na shranjenih računih ob naslednjem preračunu obračunale drugače! "
                   "Storitev lahko dobi le številko iste vrste: obračun po točkah, vpisani "
                   "zneski, stroški ali pavšal."),
    Titles::Cannot};
inline const Message ListNotRead{
    QStringLiteral("Seznama geodetskih storitev ni mogoče prebrati:\n"),
    Titles::Cannot}; // the engine's text follows
inline const Message NotSaved{QStringLiteral("Geodetske storitve ni bilo mogoče shraniti:\n"),
                              Titles::Database}; // the engine's text follows
inline const Message NotDeleted{QStringLiteral("Geodetske storitve ni bilo mogoče izbrisati:\n"),
                                Titles::Database}; // the engine's text follows

} // namespace ServiceMessages

namespace OperationMessages {

// The operations list "Opravila" and its dialog "Opravilo".

inline const Message ServicesNotRead{
    QStringLiteral("Seznama geodetskih storitev ni mogoče prebrati:"),
    Titles::Cannot}; // the engine's text follows
inline const Message OperationsNotRead{QStringLiteral("Seznama opravil ni mogoče prebrati:"),
                                       Titles::Cannot}; // the engine's text follows
inline const Message MarksNotCleared{
    QStringLiteral("Oznak izbranih opravil ni bilo mogoče počistiti:"),
    Titles::Database}; // the engine's text follows

// Deleting
inline const Message Protected{
    QStringLiteral("Tega opravila ne smeš brisati, saj je zakonsko zaščiteno!"), Titles::Cannot};
inline const Message UsedOnInvoices{
    QStringLiteral("Tega opravila ne morem brisati, saj se že pojavlja na računih!"),
    Titles::Cannot};
inline const Message AskDelete{QStringLiteral("Želiš resnično izbrisati to opravilo iz šifranta?"),
                               QStringLiteral("Trenutek odločitve")};
inline const Message NotDeleted{QStringLiteral("Opravila ni bilo mogoče izbrisati:"),
                                Titles::Cannot}; // the engine's text follows

// The dialog
inline const Message DuplicateNumber{
    QStringLiteral("Postavko s to zaporedno številko že imamo v bazi!"),
    QStringLiteral("Napaka unikatnosti")};
inline const Message FractionalNumber{
    QStringLiteral("Zaporedna številka opravila mora biti celo število, na primer 12."),
    QStringLiteral("Napačen vnos")};
inline const Message ProtectedChange{
    QStringLiteral("Tega opravila ne smeš spreminjati, saj je zakonsko zaščiteno!"),
    Titles::Cannot};
inline const Message NotSaved{QStringLiteral("Opravila ni bilo mogoče shraniti:"),
                              Titles::Cannot}; // the engine's text follows
inline const Message NextNumberNotRead{
    QStringLiteral("Naslednje zaporedne številke ni mogoče prebrati:"),
    Titles::Cannot}; // the engine's text follows

} // namespace OperationMessages

namespace CustomerMessages {

// The register of customers "Naročniki" and the editor that fills from it.
inline const QString Title = QStringLiteral("Naročniki");
inline const Message AskUpdate{
    QStringLiteral("Podatki naročnika »%1« na računu se razlikujejo od shranjenih med "
                   "naročniki.\r\nPosodobim podatke naročnika?"),
    Titles::Question}; // %1: the customer's name
inline const Message AskOverwrite{
    QStringLiteral("Nekatera polja naročnika so že izpolnjena drugače (%1). Jih prepišem s "
                   "podatki naročnika »%2«?"),
    Titles::Question}; // %1: the boxes' captions, %2: the customer's name
inline const Message BadTaxNumber{
    QStringLiteral("Davčna številka »%1« ni veljavna (8 številk, lahko s predpono SI, zadnja je "
                   "kontrolna). Vseeno shranim?"),
    Titles::Question}; // %1: as typed
inline const Message BadAccount{
    QStringLiteral("Transakcijski račun »%1« ni veljaven IBAN (na primer SI56 1910 0000 0123 "
                   "438). Vseeno shranim?"),
    Titles::Question}; // %1: as typed
inline const Message NoName{QStringLiteral("Naročnik mora imeti ime ali davčno številko."),
                            Titles::Cannot};
inline const Message AskDelete{
    QStringLiteral("Naročnik »%1« bo izbrisan iz seznama naročnikov. Računi obdržijo svoje "
                   "podatke.\r\nJe to res tvoja želja?"),
    QStringLiteral("Trenutek odločitve")}; // %1: the customer's name
inline const Message ListNotRead{QStringLiteral("Seznama naročnikov ni mogoče prebrati:"),
                                 Titles::Cannot}; // the engine's text follows
inline const Message NotSaved{QStringLiteral("Naročnika ni bilo mogoče shraniti:"),
                              Titles::Database}; // the engine's text follows
inline const Message NotDeleted{QStringLiteral("Naročnika ni bilo mogoče izbrisati:"),
                                Titles::Database}; // the engine's text follows
inline const Message RegisterNotKept{
    QStringLiteral("Račun je shranjen, seznama naročnikov pa ni bilo mogoče posodobiti:"),
    Titles::Database}; // the engine's text follows
inline const QString SearchHint =
    QStringLiteral("naročnik, kontaktna oseba, naslov, kraj ali davčna številka");
// The captions of a customer's fields, in the order of CustomerField
// (codelists/Customers.h).
inline const QString FieldCaptions[] = {QStringLiteral("Naročnik"),
                                        QStringLiteral("Naslov"),
                                        QStringLiteral("Pošta"),
                                        QStringLiteral("Kraj"),
                                        QStringLiteral("Kontaktna oseba"),
                                        QStringLiteral("Telefon"),
                                        QStringLiteral("Faks"),
                                        QStringLiteral("E-pošta"),
                                        QStringLiteral("Davčna številka"),
                                        QStringLiteral("Transakcijski račun")};

} // namespace CustomerMessages

namespace CopyMessages {

// "Kopiraj račun": a new invoice from a stored one.
inline const Message LeftOut{
    QStringLiteral("Teh postavk ni v novem računu, ker njihovih opravil ni več v šifrantu:\n%1"),
    QStringLiteral("Kopija računa")}; // %1: the lines, one a line
inline const QString LeftOutLine =
    QStringLiteral("točke %1, količina %2, znesek %3"); // as the invoice stored them
inline const Message NotFound{QStringLiteral("Računa, ki naj ga kopiram, ni več v bazi."),
                              Titles::Cannot};
inline const Message NotRead{QStringLiteral("Računa ni bilo mogoče kopirati:"),
                             Titles::Database}; // the engine's text follows
// A copy would bill again what the credit note took back.
inline const Message OfCreditNote{
    QStringLiteral("Izbrani dokument je dobropis. Iz dobropisa ni mogoče narediti novega računa."),
    Titles::Cannot};

} // namespace CopyMessages

namespace Messages {

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

} // namespace Messages

namespace DocumentMessages {

// What printing the price calculation says in its message boxes.

inline const Message NoLines{QStringLiteral("Kaj naj tiskam, če pa ni postavk!"),
                             QStringLiteral("Rivove")};
inline const Message NotOpened{
    QStringLiteral("Dokumenta ni bilo mogoče zapisati v mapo »%1«: nobene od datotek "
                   "racun.rtf do racun99.rtf ni bilo mogoče odpreti za pisanje. Preverite, "
                   "ali mapa obstaja in ali imate pravico pisanja vanjo."),
    Titles::Cannot}; // %1: the folder
inline const Message NotWritten{
    QStringLiteral("Dokumenta »%1« ni bilo mogoče v celoti zapisati (%2), zato ga nisem "
                   "odprl. Preverite prostor na disku in poskusite znova."),
    Titles::Cannot}; // %1: the file, %2: the system's reason
inline const Message SettingsNotRead{QStringLiteral("Nastavitev računa ni mogoče prebrati:"),
                                     Titles::Database}; // the engine's text follows
inline const Message LinesNotRead{QStringLiteral("Postavk računa ni mogoče prebrati:"),
                                  Titles::Database}; // the engine's text follows
inline const Message ServicesNotRead{
    QStringLiteral("Seznama geodetskih storitev ni mogoče prebrati:"),
    Titles::Database}; // the engine's text follows
// The document is written, but without its UPN QR code: why.
inline const QString NoQrCodeTitle = QStringLiteral("Brez kode UPN QR");
inline const Message QrBadAccount{
    QStringLiteral("Dokument je narejen brez kode UPN QR za plačilo: TRR »%1« v Naših "
                   "podatkih ni veljaven slovenski IBAN (SI56 in 15 številk). Popravite ga, "
                   "da bo koda na naslednjem izpisu."),
    NoQrCodeTitle}; // %1: the TRR as typed
inline const Message QrNotMade{
    QStringLiteral("Dokument je narejen brez kode UPN QR za plačilo, ker kode ni bilo mogoče "
                   "narisati (%1)."),
    NoQrCodeTitle}; // %1: libzint's words

} // namespace DocumentMessages

namespace EInvoiceMessages {

// Why the e-invoice of a stored invoice was not made.
inline const QString Title = QStringLiteral("E-račun");
inline const Message NotFound{
    QStringLiteral("Računa »%1« ni v bazi, zato e-računa ni mogoče narediti."),
    Title}; // %1: the number asked for
inline const Message Missing{
    QStringLiteral("E-računa za račun »%1« ni mogoče narediti, ker manjka: %2. "
                   "Dopolnite podatke in poskusite znova."),
    Title}; // %1: the number, %2: what is missing, the texts below joined by commas
inline const QString MissingNumber = QStringLiteral("številka računa");
inline const QString MissingDate = QStringLiteral("datum računa");
inline const QString MissingName = QStringLiteral("ime kupca");
inline const QString MissingLines = QStringLiteral("vsaj ena postavka z zneskom");
inline const QString MissingVatNumber =
    QStringLiteral("davčna številka pisarne v Naših podatkih (SI in 8 številk)");
inline const QString MissingIban =
    QStringLiteral("veljaven TRR pisarne v Naših podatkih (IBAN: SI56 in 15 številk)");
inline const Message NotRead{QStringLiteral("Računa »%1« ni mogoče prebrati:"),
                             Titles::Database}; // %1: the number; the engine's text follows
inline const Message NoScratch{
    QStringLiteral("Začasne baze za izračun postavk e-računa ni mogoče narediti:"),
    Titles::Database}; // the engine's text follows

} // namespace EInvoiceMessages

namespace SchemaMessages {

// Why a data database cannot be used by this version of the program.
inline const Message Newer{
    QStringLiteral("Podatkovno bazo je zapisala novejša različica programa VALMIR (različica "
                   "podatkov %1, ta program pozna različice do %2). Namestite novejšo različico "
                   "programa. Datoteke nisem spremenil."),
    Titles::Cannot}; // %1: the file's version, %2: the program's
inline const Message UpgradeFailed{
    QStringLiteral("Podatkovne baze ni bilo mogoče posodobiti za to različico programa (%1). "
                   "Datoteka je ostala nespremenjena."),
    Titles::Database}; // %1: the engine's text
// A program built without the rules a step needs; not for the user's eyes
// in a working program, but said rather than skipped.
inline const Message NoStepWork{
    QStringLiteral("korak nadgradnje %1 nima svojega dela"), Titles::Database}; // %1: version

} // namespace SchemaMessages

namespace SettingsMessages {

// What "Naši podatki" and "Računi" say in their message boxes.
inline const Message CounterNotNumeric{
    QStringLiteral("Številka računa mora bniti numerična vrednost!"), Titles::Cannot};
inline const Message PointValueNotNumeric{
    QStringLiteral("Vrednost točke ni podana v numerični obliki!"), QStringLiteral("Šlamparija")};
inline const Message VatPercentNotNumeric{
    QStringLiteral("Stopnja DDV ni podana v numerični obliki!"), QStringLiteral("Šlamparija")};
inline const Message NotRead{QStringLiteral("Nastavitev ni mogoče prebrati:\n"),
                             Titles::Cannot}; // the engine's text follows
inline const Message NotSaved{QStringLiteral("Nastavitev ni bilo mogoče shraniti:\n"),
                              Titles::Database}; // the engine's text follows
inline const Message PointValueOutOfRange{QStringLiteral("Vrednost točke mora biti večja od 0 €."),
                                          QStringLiteral("Šlamparija")};
inline const Message ValidityOutOfRange{
    QStringLiteral("Veljavnost računa mora biti od 0 do 365 dni."), QStringLiteral("Šlamparija")};
inline const Message VatPercentOutOfRange{QStringLiteral("Stopnja DDV mora biti od 0 do 100 %."),
                                          QStringLiteral("Šlamparija")};

} // namespace SettingsMessages

namespace WordMessages {

// Starting the word processor and storing where it is.
inline const QString Title = QStringLiteral("Zoprna reč");
inline const Message NotFound{
    QStringLiteral("Ne najdem urejevalnika besedil! Prosim, preveri njegovo lokacijo."), Title};
inline const Message CannotOpen{
    QStringLiteral("Imam težavo pri odpiranju računa! Mogoče je račun še zmeraj odprt! "
                   "Preveri in poskusi znova."),
    Title};
inline const Message NotRead{QStringLiteral("Lokacije urejevalnika besedil ni mogoče prebrati:\n"),
                             Titles::Database}; // the engine's text follows
inline const Message NotSaved{
    QStringLiteral("Lokacije urejevalnika besedil ni bilo mogoče shraniti:\n"),
    Titles::Database}; // the engine's text follows

} // namespace WordMessages

namespace OverviewMessages {

// The overview of turnover.
inline const Message NotRead{QStringLiteral("Pregleda prometa ni mogoče prebrati:"),
                             Titles::Cannot}; // the engine's text follows
inline const Message CsvNotWritten{
    QStringLiteral("Datoteke %1 ni bilo mogoče zapisati:\n%2"), // %1: the file, %2: why
    Titles::Cannot};

} // namespace OverviewMessages

namespace BackupMessages {

// Copies of the data database: "Varnostna kopija...", "Obnovi iz varnostne
// kopije..." and the daily copy made on exit.
inline const QString Title = QStringLiteral("Varnostna kopija");
inline const QString RestoreTitle = QStringLiteral("Obnova iz varnostne kopije");
inline const QString FileFilter = QStringLiteral("Podatkovne baze VALMIR (*.db);;Vse datoteke (*)");
inline const Message Saved{QStringLiteral("Varnostna kopija podatkov je shranjena v »%1«."),
                           Title}; // %1: the file
inline const Message NotSaved{QStringLiteral("Varnostne kopije ni bilo mogoče shraniti:"),
                              Title}; // the reason follows
inline const Message Refused{
    QStringLiteral("Datoteke »%1« ne morem obnoviti, podatki ostajajo nespremenjeni:"),
    RestoreTitle}; // %1: the file; the reason follows
inline const Message AskRestore{
    QStringLiteral("Vsi trenutni podatki bodo zamenjani s podatki iz kopije »%1«.\r\n"
                   "Trenutni podatki bodo prej shranjeni kot kopija v mapi »%2«.\r\n"
                   "Je to res tvoja želja?"),
    QStringLiteral("Trenutek odločitve")}; // %1: the copy, %2: the folder of copies
inline const Message Restored{QStringLiteral("Podatki so obnovljeni iz kopije »%1«."),
                              RestoreTitle}; // %1: the file
inline const Message DailyFailed{
    QStringLiteral("Ob zadnjem zaprtju programa dnevne varnostne kopije ni bilo mogoče "
                   "narediti. Shranite kopijo ročno (Podatki, Varnostna kopija) in preverite "
                   "prostor na disku:"),
    Title}; // the reason follows
inline const Message DailyFailedUntold{
    QStringLiteral("Dnevne varnostne kopije ni bilo mogoče narediti, in tudi zapiska o tem ni "
                   "bilo mogoče shraniti. Shranite kopijo ročno (Podatki, Varnostna kopija) in "
                   "preverite prostor na disku:"),
    Title}; // the reasons follow
inline const Message KeptBeforeUpgrade{
    QStringLiteral("Podatkovna baza je posodobljena za to različico programa. Podatki, kot so "
                   "bili pred posodobitvijo, so shranjeni v »%1«."),
    Title}; // %1: the copy
inline const Message NotKeptBeforeUpgrade{
    QStringLiteral("Podatkovne baze »%1« ni mogoče posodobiti, ker pred posodobitvijo ni bilo "
                   "mogoče shraniti njene kopije v »%2« (%3).\nPodatkovna baza je ostala "
                   "nespremenjena. Preverite prostor na disku in pravice mape ter poskusite znova."),
    Title}; // %1: the data database, %2: the copy, %3: why
// Any file written where the user says (a backup copy, the CSV of the turnover).
inline const Message OwnFile{
    QStringLiteral("»%1« je datoteka s podatki, ki jih program VALMIR uporablja, zato je ni "
                   "mogoče prepisati. Izberite drugo ime ali drugo mapo."),
    Titles::Cannot}; // %1: the file
// Why a copy of the data on the server was not saved (after NotSaved).
inline const Message FolderNotWritable{QStringLiteral("v mapo »%1« ni mogoče pisati (%2)"),
                                       Title}; // %1: the folder, %2: why
inline const Message FileNotWritten{QStringLiteral("datoteke »%1« ni mogoče zapisati (%2)"),
                                    Title}; // %1: the file, %2: why
inline const Message ServerBusy{
    QStringLiteral("povezava s strežnikom je sredi zapisovanja podatkov; poskusite znova, ko "
                   "se zapisovanje konča"),
    Title};
inline const Message TableNotCopied{QStringLiteral("tabela %1: %2"),
                                    Title}; // %1: the table, %2: the engine's words

} // namespace BackupMessages

namespace PdfMessages {

// Saving the price calculation as a PDF and sending it by e-mail.
inline const Message Replace{QStringLiteral("Datoteka »%1« že obstaja. Jo zamenjam?"),
                             Titles::Question}; // %1: the PDF
inline const Message FolderNotMade{
    QStringLiteral("Mape dokumentov »%1« ni mogoče ustvariti. Preverite jo v nastavitvah "
                   "računov."),
    Titles::Cannot}; // %1: the folder
inline const Message NotPlaced{QStringLiteral("PDF-ja ni bilo mogoče shraniti kot »%1«:"),
                               Titles::Cannot}; // %1: the PDF; the system's words follow
inline const Message NotShown{
    QStringLiteral("PDF je shranjen kot »%1«, a ga ni bilo mogoče odpreti."),
    Titles::Cannot}; // %1: the PDF
inline const Message NoMailLauncher{
    QStringLiteral("Ne najdem programa xdg-email, ki odpre poštni program. Namestite paket "
                   "xdg-utils. PDF je shranjen kot »%1«."),
    Titles::Cannot}; // %1: the PDF
inline const Message MailNotStarted{
    QStringLiteral("Poštnega programa ni bilo mogoče odpreti. PDF je shranjen kot »%1«."),
    Titles::Cannot}; // %1: the PDF; xdg-email's own words may follow
inline const Message SaveFirst{QStringLiteral("Račun še ni shranjen. Ga shranim?"),
                               Titles::Question}; // the PDF and the mail go out as stored
inline const Message BadAddress{
    QStringLiteral("»%1« ni en sam navaden e-poštni naslov, na primer ime@podjetje.si. "
                   "Popravite ga ali pustite polje prazno in naslov vpišite v poštnem programu."),
    Titles::BadData}; // %1: the address as typed
inline const Message EInvoiceSaved{QStringLiteral("E-račun je shranjen kot »%1«."),
                                   QStringLiteral("E-račun")}; // %1: the file
inline const Message EInvoiceNotWritten{
    QStringLiteral("E-računa ni bilo mogoče shraniti kot »%1«:"),
    Titles::Cannot}; // %1: the file; the system's words follow
inline const QString OpeningMail = QStringLiteral("Odpiram poštni program ...");
inline const QString Cancel = QStringLiteral("Prekliči");
inline const Message PdfSaved{QStringLiteral("PDF je shranjen kot »%1«."),
                              QStringLiteral("PDF")}; // %1: the file

} // namespace PdfMessages

namespace ReminderMessages {

// The reminder (opomin) of an overdue invoice, from the main list.
inline const Message NotRead{QStringLiteral("Računa za opomin ni mogoče prebrati:"),
                             Titles::Database}; // the engine's text follows
inline const QString NotFound = QStringLiteral("Računa ni več v bazi."); // after NotRead
inline const Message CreditNote{
    QStringLiteral("Izbrani dokument je dobropis. Za dobropis ni opomina."), Titles::Cannot};
inline const Message Paid{QStringLiteral("Račun %1 je plačan. Opomin ni potreben."),
                          Titles::Cannot}; // %1: the invoice's number
inline const Message NothingOwed{
    QStringLiteral("Račun %1 je v celoti dobropisan. Naročnik ne dolguje ničesar."),
    Titles::Cannot}; // %1: the invoice's number
inline const Message NoDueDate{
    QStringLiteral("Račun %1 nima datuma, zato nima roka plačila. Vpišite datum v računu."),
    Titles::Cannot}; // %1: the invoice's number
inline const Message NotDue{QStringLiteral("Račun %1 še ni zapadel v plačilo (rok plačila: %2)."),
                            Titles::Cannot}; // %1: the invoice's number, %2: its due date
inline const Message NotRecorded{
    QStringLiteral("Opomin je shranjen kot »%1«, a ga ni bilo mogoče zabeležiti pri računu:"),
    Titles::Database}; // %1: the PDF; the engine's text follows
inline const Message Send{
    QStringLiteral("Opomin je shranjen kot »%1«. Ga pošljem naročniku po e-pošti?"),
    Titles::Question}; // %1: the PDF

} // namespace ReminderMessages

namespace HelpMessages {

// The manual's window.
inline const Message NotFound{
    QStringLiteral("Navodil ni mogoče prikazati: strani navodil v programu manjkajo. "
                   "Program deluje naprej kot doslej."),
    Titles::Cannot};

// Once, on the first start with no invoice; the link opens the manual.
inline const Message FirstSteps{
    QStringLiteral(
        "<p>Seznam računov je še prazen. Preden narediš prvi račun:</p>"
        "<ol><li>v meniju Nastavitve izpolni »Naši podatki« (ime, naslov, TRR, davčna "
        "številka);</li>"
        "<li>v meniju Podatki preglej cenik (»Geodetske storitve« in »Opravila«): točke v "
        "njem so le zgled, ne cenik tvoje pisarne;</li>"
        "<li>nato pritisni »Nov račun«.</li></ol>"
        "<p>Več o tem v navodilih: <a href=\"qrc:/help/prvi_koraki.html\">Prvi koraki</a> "
        "(navodila odpre tudi tipka F1).</p>"),
    QStringLiteral("Prvi koraki")};

} // namespace HelpMessages

namespace AboutMessages {

// "&System Info..." when no system-information tool can be started: a plain
// box (no icon) under the program's title.
inline const Message SystemInfoUnavailable{
    QStringLiteral("System Information Is Unavailable At This Time"),
    QStringLiteral("VALMIR 2009")};

} // namespace AboutMessages

namespace ServerMessages {

// Moving the data to the office's PostgreSQL server ("valmir --prenesi"),
// told on the console.
inline const QString Title = QStringLiteral("Prenos na strežnik");
inline const Message PasswordGiven{
    QStringLiteral("Geslo ne sodi v ukazno vrstico, kjer ga vidijo tudi drugi uporabniki "
                   "računalnika. Vpišite ga v datoteko ~/.pgpass (ali pg_service.conf) in ga "
                   "iz niza za povezavo izpustite."),
    Title};
inline const Message NoData{QStringLiteral("Podatkov ni: »%1« ne obstaja."), Title}; // %1: file
inline const Message NotConnected{QStringLiteral("Povezava s strežnikom ni uspela: %1"),
                                  Title}; // %1: libpq's words
inline const Message NotEmpty{
    QStringLiteral("Baza »%1« na strežniku že vsebuje tabele programa (%2). Podatki se "
                   "prenesejo le v prazno bazo; na strežniku in v datoteki ni nič spremenjeno."),
    Title}; // %1: the database, %2: its tables
inline const Message NoCollation{
    QStringLiteral("Strežnik ne pozna slovenske razvrstitve »%1« (PostgreSQL brez ICU)."), Title};
inline const Message NoExtension{
    QStringLiteral("Razširitve »%1« ni bilo mogoče namestiti v bazo na strežniku (paket "
                   "postgresql-contrib; namesti jo lastnik baze z ukazom CREATE EXTENSION %1): "
                   "%2"),
    Title}; // %2: the server's words
inline const Message OtherVersion{
    QStringLiteral("Podatki v datoteki so različice %1, ta program pa na strežniku zna "
                   "narediti tabele različice %2."),
    Title};
inline const Message Failed{
    QStringLiteral("Prenos na strežnik ni uspel, na strežniku ni nič spremenjeno: %1"),
    Title}; // %1: the server's words
inline const Message TableRows{QStringLiteral("Vrstic v tabeli %1: %2"), Title};
// Dates the file kept as empty text or as an impossible day.
inline const Message DatesEmptied{
    QStringLiteral("Praznih ali neveljavnih datumov, ki so na strežniku prazni: %1"), Title};
inline const Message Done{QStringLiteral("Podatki so preneseni v bazo »%1« na strežniku."), Title};

// Working on the server (valmir --server, Podatki > Strežnik).
inline const Message Unreachable{
    QStringLiteral("S podatkovno bazo na strežniku se ni mogoče povezati.\n%1"),
    Title}; // %1: libpq's words
inline const Message NotOurs{
    QStringLiteral("V bazi »%1« na strežniku ni podatkov programa VALMIR (%2).\n"
                   "Podatke prenesite nanjo z ukazom valmir --prenesi."),
    Title}; // %1: the database, %2: what is missing
inline const Message NewerVersion{
    QStringLiteral("Podatki na strežniku so različice %1, ta program pa zna delati z različico "
                   "%2. Namestite novejšo različico programa VALMIR."),
    Title};
inline const Message OlderVersion{
    QStringLiteral("Podatki na strežniku so različice %1, ta program pa potrebuje različico %2."),
    Title};
inline const Message UpgradeRefused{
    QStringLiteral("Podatkov na strežniku ni bilo mogoče posodobiti z različice %1 na "
                   "različico %2. Posodobi jih lahko le lastnik baze: naj program enkrat zažene "
                   "lastnik baze (ali skrbnik strežnika).\n%3"),
    Title}; // %3: the server's words
inline const Message DuplicateNumbers{
    QStringLiteral("Številka računa »%1« je v podatkih večkrat, na strežniku pa mora biti "
                   "vsaka številka ena sama. Podvojene številke je treba popraviti (v datoteki "
                   "pred prenosom na strežnik)."),
    Title}; // %1: the number
inline const Message AskRestoreOffice{
    QStringLiteral("Vsi podatki v bazi »%1« na strežniku bodo zamenjani s podatki iz kopije "
                   "»%2«.\r\nTrenutni podatki bodo prej shranjeni kot kopija v mapi »%3«.\r\n"
                   "Na bazo so povezane še druge delovne postaje: %4. Med obnovo ne morejo "
                   "shranjevati, potem pa vidijo obnovljene podatke.\r\nJe to res tvoja želja?"),
    QStringLiteral("Trenutek odločitve")}; // %1: database, %2: copy, %3: folder, %4: how many
// Why a copy is not put back on the server (after BackupMessages::Refused).
inline const Message CopyOtherVersion{
    QStringLiteral("kopija je različice podatkov %1, na strežnik pa program obnovi le kopijo "
                   "različice %2"),
    Title}; // %1: the copy's version, %2: the version of the server's tables
inline const Message CopyNotData{QStringLiteral("datoteka ni podatkovna baza programa VALMIR"),
                                 Title};
inline const Message NotOnServer{
    QStringLiteral("Podatkov na strežniku program ne obnovi iz varnostne kopije: to naredi "
                   "skrbnik strežnika (ali pa kopijo prenesete v prazno bazo z ukazom "
                   "valmir --prenesi)."),
    Title};

// The window "Podatki > Strežnik..." and the start on the remembered choice.
inline const QString ChoiceTitle = QStringLiteral("Strežnik");
inline const Message NoConninfo{
    QStringLiteral("Vpišite niz za povezavo s strežnikom, na primer »host=streznik "
                   "dbname=valmir« ali »service=valmir«."),
    ChoiceTitle};
inline const Message FoundOurs{
    QStringLiteral("Povezava s strežnikom uspe: v bazi »%1« so podatki programa VALMIR "
                   "različice %2."),
    ChoiceTitle}; // %1: the database, %2: the version
inline const Message FoundEmpty{
    QStringLiteral("Povezava s strežnikom uspe: baza »%1« je prazna. Vanjo lahko prenesete "
                   "podatke iz datoteke (»Prenesi podatke na strežnik«)."),
    ChoiceTitle};
inline const Message FoundPartial{
    QStringLiteral("V bazi »%1« na strežniku so le nekatere tabele programa VALMIR (%2). "
                   "Program z njo ne more delati in podatkov vanjo ni mogoče prenesti; bazo "
                   "mora urediti skrbnik strežnika."),
    ChoiceTitle}; // %2: the tables there
inline const Message ChoiceSaved{
    QStringLiteral("Izbira je shranjena. Program jo upošteva ob naslednjem zagonu."), ChoiceTitle};
inline const Message ChoiceNotSaved{QStringLiteral("Izbire ni bilo mogoče shraniti:"),
                                    ChoiceTitle}; // the reason follows
inline const Message Moved{
    QStringLiteral("%1\n\n%2\n\nProgram ta čas še dela s podatki v datoteki; kar boste vpisali "
                   "vanjo, na strežnik ne pride. Da bo ob naslednjem zagonu delal s podatki na "
                   "strežniku, kliknite »Shrani«."),
    Title}; // %1: Done, %2: the rows of each table
inline const Message Cancelled{
    QStringLiteral("Prenos je preklican, na strežniku ni nič spremenjeno."), Title};
inline const QString MovingTable = QStringLiteral("Prenašam tabelo %1 ...");
inline const QString CompletingTables =
    QStringLiteral("Na strežniku dokončujem tabele (kazala, iskanje, vsote) ...");
inline const Message StartOnFile{
    QStringLiteral("Podatkov na strežniku ni mogoče uporabiti.\n%1\n\n"
                   "Zaženem program s podatki v datoteki na tem računalniku?"),
    QStringLiteral("VALMIR")}; // %1: what the start found

// A statement on the server that could not be done, in place of the
// server's words: the row it needs is held by another workstation longer
// than the session's lock_timeout, or the server stopped answering.
inline const QString Locked =
    QStringLiteral("Podatki so trenutno zaklenjeni pri drugi delovni postaji, poskusite znova.");
inline const QString LinkLost =
    QStringLiteral("Povezava s strežnikom je prekinjena (strežnik se ne odziva). Kar ni bilo "
                   "shranjeno, ni zapisano; poskusite znova, ko bo povezava spet delovala.");
// The main window's status line while its connection is lost.
inline const QString LinkLostNote =
    QStringLiteral("Povezava s strežnikom je prekinjena: seznam ne sledi drugim postajam.");

} // namespace ServerMessages

namespace PdfDrawingMessages {

// The PDF of a document, drawn by the program itself.
inline const Message NotDrawn{QStringLiteral("PDF-ja ni bilo mogoče narisati:"),
                              Titles::Cannot}; // the painter's words follow

} // namespace PdfDrawingMessages

namespace EInvoiceFormatMessages {

// What the e-invoice tells the buyer of paying.
inline const QString PaymentTerms =
    QStringLiteral("Rok plačila: %1 (%2 dni po datumu računa), z nakazilom na TRR s sklicem.");
// %1: the due date, %2: the days
inline const QString CreditNoteTerms =
    QStringLiteral("Dobropis k računu %1: zneska ni treba plačati.");
// %1: the number of the invoice taken back

// A Peppol invoice for a buyer the network cannot deliver to.
inline const Message NoBuyerAddress{
    QStringLiteral("E-računa Peppol BIS za račun »%1« ni mogoče narediti, ker kupec nima "
                   "elektronskega naslova. Vpišite kupčevo davčno številko (SI in 8 številk) na "
                   "račun ali njegov elektronski naslov Peppol (na primer 9949:SI12345678) v "
                   "Naročnike, ali pa izberite obliko e-SLOG."),
    EInvoiceMessages::Title}; // %1: the number
// An electronic address typed in a form the network does not know.
inline const Message BadAddress{
    QStringLiteral("Elektronski naslov »%1« ni pravilen: vpišite shemo s štirimi številkami, "
                   "dvopičje in oznako, na primer 9949:SI12345678, ali pustite polje prazno."),
    QStringLiteral("Elektronski naslov")}; // %1: as typed

} // namespace EInvoiceFormatMessages
// Payments and the bank's statements (Podatki > Uvoz bančnega izpiska,
// --izpisek, the invoice editor's payments).
namespace PaymentMessages {
inline const QString Title = QStringLiteral("Uvoz bančnega izpiska");
// %1: what is wrong, one of the texts below.
inline const QString NotStatement =
    QStringLiteral("Datoteka ni veljaven bančni izpisek camt.053: %1. Nič ni zapisano.");
inline const QString NotCamt053 =
    QStringLiteral("prvi element je %1, ne »Document« izpiska camt.053");
inline const QString OtherCamtVersion =
    QStringLiteral("različice %1 program ne bere (bere camt.053.001.02, .04 in .08)");
inline const QString SeveralStatements = QStringLiteral("v datoteki je več izpiskov");
inline const QString BadAmount = QStringLiteral("znesek »%1« v vrstici %2 ni število");
inline const QString BadSign = QStringLiteral("oznaka »%1« v vrstici %2 ni CRDT ali DBIT");
inline const QString EntryIncomplete =
    QStringLiteral("postavki v vrstici %1 manjka znesek, smer (CdtDbtInd) ali datum knjiženja");
inline const QString TransactionWithoutAmount =
    QStringLiteral("transakciji postavke v vrstici %1 manjka znesek");
inline const QString NotWellFormed =
    QStringLiteral("XML ni pravilno zapisan (%1, vrstica %2, stolpec %3)");
inline const QString NoStatement = QStringLiteral("v datoteki ni izpiska (Stmt)");
inline const QString NoAccount = QStringLiteral("izpisku manjka račun (Stmt/Acct/Id/IBAN)");
inline const QString NoStatementId = QStringLiteral("izpisku manjka oznaka (Stmt/Id)");
inline const QString OtherAccount = QStringLiteral(
    "Izpisek je za račun %1, pisarna pa ima račun %2. Nič ni zapisano."); // %1: statement's
inline const QString NoOfficeAccount = QStringLiteral(
    "Izpisek je za račun %1, pisarna pa nima vpisanega svojega računa (TRR). Nič ni zapisano.");
inline const QString AlreadyRead = QStringLiteral(
    "Izpisek %1 za račun %2 je bil že prebran (%3). Nič ni zapisano."); // %3: the day
inline const QString FileNotRead = QStringLiteral("Datoteke »%1« ni mogoče prebrati: %2");
inline const QString Failed = QStringLiteral("Izpiska ni bilo mogoče zapisati: %1");
// %1 file, %2 statement, then the counts.
inline const QString Summary =
    QStringLiteral("%1: izpisek %2, prilivov %3 (plačanih v celoti %4, delno %5, preplačanih %6, "
                   "nerazporejenih %7), stornacij %8, izpuščenih bremenitev %9");
inline const QString CreditNoteNotPaid = QStringLiteral("Dobropis se ne plačuje.");
inline const QString PlacedMeanwhile =
    QStringLiteral("Plačilo je medtem razporedil nekdo drug; ni spremenjeno.");
// The summary window after a statement was read.
inline const QString SummaryTitle = QStringLiteral("Bančni izpisek %1"); // %1: Stmt/Id
inline const QString ChooseFiles = QStringLiteral("Uvoz bančnega izpiska");
inline const QString FileFilter =
    QStringLiteral("Bančni izpiski camt.053 (*.xml);;Vse datoteke (*)");
inline const QString AskInvoice =
    QStringLiteral("Številka računa, ki mu gre plačilo %1 (%2):"); // %1 amount, %2 payer
inline const QString NoSuchInvoice =
    QStringLiteral("Računa %1 ni ali je dobropis; plačilo ostane nerazporejeno.");
// The invoice editor's payments.
inline const Message RemoveHandPayments{
    QStringLiteral("Odstranim plačila računa, vpisana ročno ali prenesena (%1)? Plačila z "
                   "bančnih izpiskov ostanejo."),
    QStringLiteral("Plačila računa")}; // %1: how many, and their sum
inline const Message PaymentNotBooked{QStringLiteral("Plačila ni bilo mogoče zapisati."),
                                      QStringLiteral("Plačila računa")};
inline const Message CreditNoteNoPayment{
    QStringLiteral("Dobropis se ne plačuje: plačila mu ni mogoče vpisati."),
    QStringLiteral("Plačila računa")};
inline const Message PaymentDateInvalid{
    QStringLiteral("Datum plačila ni veljaven (vpišite npr. 8.12.2026)."),
    QStringLiteral("Plačila računa")};
inline const Message PaymentAmountInvalid{
    QStringLiteral("Znesek plačila mora biti število, večje od nič."),
    QStringLiteral("Plačila računa")};
inline const Message PaymentsAfterSave{
    QStringLiteral("Plačilo se vpiše shranjenemu računu: najprej shranite račun."),
    QStringLiteral("Plačila računa")};
} // namespace PaymentMessages

namespace QuoteMessages {

inline const QString Title = QStringLiteral("Ponudba");
// What a quote has not, being no invoice: asked for, each is refused.
inline const Message NoEInvoice{
    QStringLiteral("»%1« je ponudba, ne račun: e-računa zanjo ni mogoče narediti. Iz ponudbe "
                   "najprej naredite račun (gumb »Naredi račun«)."),
    Title}; // %1: the quote's number
inline const Message NoCreditNote{
    QStringLiteral("»%1« je ponudba, ne račun: dobropisa zanjo ni mogoče narediti."),
    Title}; // %1: the quote's number
inline const Message NoReminder{
    QStringLiteral("»%1« je ponudba, ne račun: opomina zanjo ni mogoče narediti."),
    Title}; // %1: the quote's number
inline const QString NoPayment =
    QStringLiteral("»%1« je ponudba, ne račun: plačila ji ni mogoče vpisati."); // %1: its number
// "Naredi račun" on a quote already turned into an invoice.
inline const Message AnotherInvoice{
    QStringLiteral("Iz ponudbe »%1« je že narejen račun %2. Ali želite iz nje narediti še en "
                   "račun?"),
    Title}; // %1: the quote's number, %2: the invoices' numbers
// The status line of the quotes' list.
inline const QString Shown[] = {
    QStringLiteral("Prikazana %1 ponudba"), QStringLiteral("Prikazani %1 ponudbi"),
    QStringLiteral("Prikazane %1 ponudbe"), QStringLiteral("Prikazanih %1 ponudb")}; // %1: how many

} // namespace QuoteMessages

} // namespace valmir
