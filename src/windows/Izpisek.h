#pragma once

#include "document/Payments.h"
#include "ui/AppContext.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace valmir {

// What reading a bank statement did: each movement with what became of it
// (placed in full, in part, overpaid, unplaced, reversed, a debit left
// out) and the invoice's number and what it still owes. An unplaced
// payment can be given to an invoice by its number ("Razporedi...") or
// left as it is.
class Izpisek : public QDialog {
    Q_OBJECT
public:
    Izpisek(const AppContext& context, StatementImport read, QWidget* parent = nullptr);

    // Asks for the files, reads each and shows what became of it; a
    // refused file is told. True when any was read.
    static bool importFiles(const AppContext& context, QWidget* parent);

    // Gives the selected unplaced payment to the invoice of this number;
    // false (told) when it could not.
    bool placeSelected(const QString& number);

private:
    void fill();
    void placeAsked();

    AppContext m_context;
    StatementImport m_read;
    QLabel* m_summary = nullptr;
    QTableWidget* m_list = nullptr;
    QPushButton* m_place = nullptr;
};

} // namespace valmir
