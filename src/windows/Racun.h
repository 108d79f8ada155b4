#pragma once

#include "codelists/Customers.h"
#include "invoice/InvoiceSaver.h"
#include "ui/AppContext.h"
#include "windows/RacunForm.h"

#include "ui/LoadingDialog.h"

#include <optional>

class QModelIndex;

namespace valmir {

class BoundGrid;
class Database;
class Recordset;

// The invoice editor. It loads when constructed, as OpenMode says: 0 a new
// invoice, 1 the invoice current in the main list, 2 a new invoice for the
// customer of that invoice; or a new invoice copied from a stored one
// (CopyOf). Shown modally over the main window.
class Racun : public LoadingDialog {
    Q_OBJECT
public:
    Racun(const AppContext& context, BoundGrid* invoiceList, QWidget* parent = nullptr);
    // "Kopiraj račun": a new invoice made from the stored invoice with this
    // ID (InvoiceCopy.h), with a newly proposed number and today's date.
    // Nothing is stored until it is saved.
    struct CopyOf {
        qint64 invoiceId = 0;
        bool quote = false; // a copy of a quote is a new quote
    };
    Racun(const AppContext& context, BoundGrid* invoiceList, CopyOf source,
          QWidget* parent = nullptr);
    // "Nova ponudba": a new quote, with the customer OpenMode says (0 or
    // 2) and the next quote number.
    struct NewQuote {};
    Racun(const AppContext& context, BoundGrid* invoiceList, NewQuote, QWidget* parent = nullptr);
    // "Naredi račun": a new invoice made from the stored quote with this ID,
    // its lines priced as the quote was (InvoiceCopy.h), with the next
    // invoice number and today's date; saved, it names its quote.
    struct FromQuote {
        qint64 quoteId = 0;
    };
    Racun(const AppContext& context, BoundGrid* invoiceList, FromQuote source,
          QWidget* parent = nullptr);
    ~Racun() override;

    bool isQuote() const { return m_quote; }
    // The stored invoice or quote the editor stands on; 0 before it is saved.
    qint64 storedId() const { return m_invoiceId; }

    // The form's state, for whoever needs to look at it.
    int mode() const { return Mode; }
    bool isLoading() const { return Loading; }
    bool isModified() const { return Modified; }
    QString originalNumber() const { return OriginalNumber; }
    double lumpSumAmount() const { return LumpSumAmount; }

    // The text of a header box Text1(i), the remark box included.
    QString headerText(int index) const;
    void setHeaderText(int index, const QString& text);

    // The routines of the staff box. FillStaffList reports a failure and
    // returns false.
    bool FillStaffList();
    void SelectStaff(const QVariant& id);

    // The header as the boxes show it, for saving and printing.
    InvoiceHeader currentHeader() const;
    void reloadStored();

    // "Tiskaj račun": writes the document and opens it.
    void PrintInvoice();
    // "Shrani PDF": writes the document of the stored invoice as its PDF and
    // shows it.
    void savePdf();
    // "Shrani e-račun": the stored invoice as an e-invoice in the documents
    // folder.
    void saveEInvoice();
    // "Pošlji po e-pošti": that PDF attached to a new message to the customer.
    void sendByEmail();

    // "Shrani račun": true when the invoice was written; the window closes.
    bool save();

    // Every way of leaving except the save (window button, Escape) comes
    // here and asks about unsaved changes first.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The documents are made there, from the editor's state.
    friend class InvoiceOutput;

    Racun(const AppContext& context, BoundGrid* invoiceList, std::optional<qint64> copyOf,
          bool quote, qint64 fromQuote, QWidget* parent);

    void connectHandlers();
    // Saves the invoice and keeps the window open on it as a stored invoice;
    // false after the message that says why not.
    bool store();
    void reportEngineError(const QString& error);

    void setUpGrid();
    bool load();
    bool loadFromList();
    bool loadStoredLines(qint64 invoiceId);
    bool loadNewInvoiceDefaults();
    bool loadCopy(qint64 invoiceId);
    // The title and the boxes a quote has and an invoice has not.
    void showKind();
    bool refreshLines(); // reports a failure
    Recordset* lines() const;

    // "Preračun": prices the lines and shows the totals; false when the
    // pricing failed (and was told).
    bool recalculateAndShow();
    void onTimer();
    void onAddOperations();
    void onDeleteLine();
    void onSurchargeToAll();
    void onLumpSumClicked();
    void onUnifiedReportClicked();
    void setUnifiedReport(bool ticked);
    void askUnifiedReport();
    void onHeaderChanged(int index);
    void onPaidToggled(bool ticked);
    // The payments of the stored invoice: shown from the database, booked
    // by hand ("Dodaj plačilo", the paid tick) and removed (the tick taken
    // off), each written at once on its own, apart from the invoice's save.
    void showPayments();
    void onAddPayment();
    bool bookHandPayment(const QDate& date, double amount);
    void setPaidShown(bool paid);
    void onCalendar();
    void onPostOfficeLookup();
    // The register of customers: offered while the name is typed, filling
    // the customer's boxes when chosen, kept current when saved.
    void onCustomerTyped(const QString& text);
    void onCustomerChosen(const QModelIndex& index);
    void fillCustomer(const Customer& customer);
    void updateCustomerRegister();
    // Whether the window may close now; asks about unsaved changes.
    bool mayClose();

    RacunForm ui;
    AppContext m_context;
    Database* m_db;   // the data database
    Database* m_work; // the work database
    BoundGrid* m_invoiceList;
    bool m_timerStarted = false;

    // The form's own variables.
    int Mode = 0;
    bool Loading = false;
    bool m_paidShown = false; // the tick set from the database, not by the user
    QString OriginalNumber;
    // The number the program proposed for a new invoice: saved untouched,
    // it moves to the next free one when another workstation took it.
    QString m_proposedNumber;
    // The identity of the save of a new invoice, kept while it is tried
    // again (InvoiceHeader::saveKey).
    QString m_saveKey;
    // The version of the stored invoice as the editor read it (server).
    qint64 m_rowVersion = 0;
    qint64 m_invoiceId = 0; // the stored invoice edited (mode 1)
    bool Modified = false;
    double LumpSumAmount = 0;
    // The VAT rate the invoice is priced, saved and printed with: its own
    // for a stored invoice, the settings' for a new one.
    double m_vatPercent = DefaultVatPercent;
    // What a credit note takes back; nothing for an invoice.
    std::optional<InvoiceHeader::Credited> m_credits;
    // The stored invoice a copy is made from, and what it could not take.
    std::optional<qint64> m_copyOf;
    QString m_copyNotice;
    // A quote, new or stored; and the quote a new invoice is made from.
    bool m_quote = false;
    qint64 m_fromQuote = 0;
    QList<Customer> m_offered;  // the customers the completer shows, by row
    bool m_offerFailed = false; // told once: the box works on without offers
};

} // namespace valmir
