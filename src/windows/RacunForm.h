#pragma once

#include <QList>
#include <QtCore/qnamespace.h>

class QCheckBox;
class QComboBox;
class QCompleter;
class QDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStandardItemModel;
class QTableWidget;
class QTabWidget;
class QTimer;
class QToolButton;
class QWidget;

namespace valmir {

class BoundGrid;

// The controls of the invoice editor and their layout. Each control
// carries its given name as objectName (in the comment beside it).
struct RacunForm {
    void setupUi(QDialog* dialog);

    QTabWidget* tabs = nullptr; // SSTab1

    // Header: Text1(0..15); Text1(7), the remark, is remarkEdit and the
    // list holds null there.
    QList<QLineEdit*> headerBoxes;
    QPlainTextEdit* remarkEdit = nullptr;    // Text1_7
    QComboBox* staffCombo = nullptr;         // Combo1
    QPushButton* calendarButton = nullptr;   // Command7
    QToolButton* postOfficeButton = nullptr; // Command8
    // The register's customers offered while the name is typed. The rows
    // are the register's own search, so the completer neither filters them
    // nor writes into the box: the editor does both.
    QCompleter* customerCompleter = nullptr; // Completer1
    QStandardItemModel* customerModel = nullptr;
    static constexpr int CustomerRowRole = Qt::UserRole + 1; // the row of the offered customers

    // Lines and pricing.
    BoundGrid* linesGrid = nullptr;              // DBGrid1
    QLineEdit* pointValueEdit = nullptr;         // Text2
    QLineEdit* percentEdit = nullptr;            // Text3
    QPushButton* addOperationsButton = nullptr;  // Command3
    QPushButton* deleteLineButton = nullptr;     // Command4
    QPushButton* recalculateButton = nullptr;    // Command5
    QPushButton* surchargeToAllButton = nullptr; // Command6
    QCheckBox* unifiedReportCheck = nullptr;     // Check1
    QCheckBox* lumpSumCheck = nullptr;           // Check2
    QLabel* pointsLabel = nullptr;               // Label11
    QLabel* baseLabel = nullptr;                 // Label7
    QLabel* vatLabel = nullptr;                  // Label5
    QLabel* vatCaptionLabel = nullptr;           // VatCaption: "DDV (22%)" beside it
    QLabel* totalLabel = nullptr;                // Label4
    QLabel* totalCaptionLabel = nullptr;         // its caption

    // Payments: the invoice's payments as stored, and one booked by hand.
    QTableWidget* paymentsList = nullptr;    // List1: date, amount, source
    QLabel* openLabel = nullptr;             // Label12: what is still open
    QLineEdit* paymentDateEdit = nullptr;    // Text4
    QLineEdit* paymentAmountEdit = nullptr;  // Text5
    QPushButton* addPaymentButton = nullptr; // Command12

    QCheckBox* paidCheck = nullptr;    // Check3
    QPushButton* printButton = nullptr; // Command2
    QPushButton* pdfButton = nullptr;   // Command9
    QPushButton* eInvoiceButton = nullptr; // Command11
    QPushButton* emailButton = nullptr; // Command10
    QPushButton* saveButton = nullptr;  // Command1
    QTimer* openTimer = nullptr;        // Timer1: prices the lines once the window shows

private:
    QWidget* buildHeaderTab();
    QWidget* buildLinesTab();
    QWidget* buildPaymentsTab();
    void setTabOrder();
};

} // namespace valmir
