#include "windows/RacunForm.h"

#include "ui/BoundGrid.h"
#include "invoice/InvoiceFields.h"
#include "invoice/Vat.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace valmir {

namespace {

// Longest input of each header box; 0 for none.
constexpr int MaxLength[HeaderBoxCount] = {20, 50, 50, 6,  50, 50, 50, 0,
                                           20, 50, 50, 50, 50, 50, 50, 20};

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

QPushButton* button(const QString& name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    // Enter in a box must never save or add by surprise.
    b->setAutoDefault(false);
    return b;
}

QLabel* makeTotalLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFrameShape(QFrame::StyledPanel);
    label->setMinimumWidth(140);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

void RacunForm::setupUi(QDialog* dialog) {
    tabs = new QTabWidget(dialog);
    tabs->setObjectName(QStringLiteral("SSTab1"));
    tabs->addTab(buildHeaderTab(), QStringLiteral("Osnovni podatki"));
    tabs->addTab(buildLinesTab(), QStringLiteral("Obračun geodetske storitve"));
    tabs->addTab(buildPaymentsTab(), QStringLiteral("Plačila"));

    paidCheck = new QCheckBox(QStringLiteral("Račun je plačan"), dialog);
    paidCheck->setObjectName(QStringLiteral("Check3"));
    paidCheck->setAutoFillBackground(true);
    printButton = button(QStringLiteral("Command2"), QStringLiteral("Tiskaj račun"), dialog);
    pdfButton = button(QStringLiteral("Command9"), QStringLiteral("Shrani PDF"), dialog);
    eInvoiceButton = button(QStringLiteral("Command11"), QStringLiteral("Shrani e-račun"), dialog);
    emailButton = button(QStringLiteral("Command10"), QStringLiteral("Pošlji po e-pošti"), dialog);
    saveButton = button(QStringLiteral("Command1"), QStringLiteral("Shrani račun"), dialog);

    openTimer = new QTimer(dialog);
    openTimer->setObjectName(QStringLiteral("Timer1"));
    openTimer->setSingleShot(true);
    openTimer->setInterval(1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(paidCheck);
    bottom->addStretch(1);
    bottom->addWidget(printButton);
    bottom->addWidget(pdfButton);
    bottom->addWidget(eInvoiceButton);
    bottom->addWidget(emailButton);
    bottom->addWidget(saveButton);

    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(tabs, 1);
    layout->addLayout(bottom);
    setTabOrder();
    dialog->resize(960, 640);
}

QWidget* RacunForm::buildHeaderTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabOsnovni"));
    headerBoxes.resize(HeaderBoxCount);
    for (int i = 0; i < HeaderBoxCount; ++i) {
        if (i == RemarkBox)
            continue;
        auto* box = new QLineEdit(page);
        box->setObjectName(QStringLiteral("Text1_%1").arg(i));
        box->setMaxLength(MaxLength[i]);
        headerBoxes[i] = box;
    }
    remarkEdit = new QPlainTextEdit(page);
    remarkEdit->setObjectName(QStringLiteral("Text1_7"));
    remarkEdit->setTabChangesFocus(true);
    remarkEdit->setMinimumHeight(80);

    staffCombo = new QComboBox(page);
    staffCombo->setObjectName(QStringLiteral("Combo1"));
    staffCombo->setMinimumContentsLength(20);
    calendarButton = button(QStringLiteral("Command7"), QStringLiteral("Koledar"), page);
    postOfficeButton = new QToolButton(page);
    postOfficeButton->setObjectName(QStringLiteral("Command8"));
    postOfficeButton->setText(QStringLiteral("?"));
    postOfficeButton->setToolTip(QStringLiteral("Poišči pošto"));
    customerModel = new QStandardItemModel(page);
    customerCompleter = new QCompleter(customerModel, page);
    customerCompleter->setObjectName(QStringLiteral("Completer1"));
    customerCompleter->popup()->setObjectName(QStringLiteral("Completer1Popup"));
    customerCompleter->setWidget(headerBoxes[1]);
    headerBoxes[3]->setMaximumWidth(80);
    headerBoxes[8]->setMaximumWidth(140);
    headerBoxes[15]->setMaximumWidth(80);

    // The boxes stand in the order Tab visits them, read top to bottom and
    // left to right: the invoice and the customer on the left; the date,
    // the customer's contacts and tax data and the compiler on the right;
    // the remark and the validity below both.
    auto* left = new QGridLayout;
    int row = 0;
    auto addLeft = [&](const QString& label, QWidget* field) {
        left->addWidget(caption(label, page), row, 0);
        left->addWidget(field, row, 1);
        ++row;
    };
    addLeft(QStringLiteral("Številka računa "), headerBoxes[0]);
    addLeft(QStringLiteral("Naziv storitve "), headerBoxes[11]);
    addLeft(QStringLiteral("Številka zadeve "), headerBoxes[12]);
    addLeft(QStringLiteral("Naročnik "), headerBoxes[1]);
    addLeft(QStringLiteral("Naslov "), headerBoxes[2]);
    auto* post = new QHBoxLayout;
    post->addWidget(headerBoxes[3]);
    post->addWidget(headerBoxes[4], 1);
    post->addWidget(postOfficeButton);
    left->addWidget(caption(QStringLiteral("Pošta "), page), row, 0);
    left->addLayout(post, row, 1);
    ++row;
    addLeft(QStringLiteral("Kontaktna oseba "), headerBoxes[6]);
    left->setRowStretch(row, 1);
    left->setColumnStretch(1, 1);

    auto* right = new QGridLayout;
    row = 0;
    auto addRight = [&](const QString& label, QWidget* field) {
        right->addWidget(caption(label, page), row, 0);
        right->addWidget(field, row, 1);
        ++row;
    };
    auto* date = new QHBoxLayout;
    date->addWidget(headerBoxes[8]);
    date->addWidget(calendarButton);
    date->addStretch(1);
    right->addWidget(caption(QStringLiteral("Datum "), page), row, 0);
    right->addLayout(date, row++, 1);
    addRight(QStringLiteral("Telefon "), headerBoxes[5]);
    addRight(QStringLiteral("Faks "), headerBoxes[9]);
    addRight(QStringLiteral("E-pošta"), headerBoxes[10]);
    addRight(QStringLiteral("Davčna številka"), headerBoxes[13]);
    addRight(QStringLiteral("Transakcijski račun"), headerBoxes[14]);
    addRight(QStringLiteral("Izračun pripravil "), staffCombo);
    right->setRowStretch(row, 1);
    right->setColumnStretch(1, 1);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addSpacing(16);
    columns->addLayout(right, 1);

    auto* remark = new QVBoxLayout;
    remark->addWidget(caption(QStringLiteral("Opomba "), page));
    remark->addWidget(remarkEdit, 1);
    auto* validity = new QHBoxLayout;
    validity->addWidget(caption(QStringLiteral("Veljavnost (dni)"), page));
    validity->addWidget(headerBoxes[15]);
    validity->addStretch(1);
    remark->addLayout(validity);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(columns);
    layout->addLayout(remark, 1);
    return page;
}

QWidget* RacunForm::buildLinesTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabObracun"));

    pointValueEdit = new QLineEdit(page);
    pointValueEdit->setObjectName(QStringLiteral("Text2"));
    pointValueEdit->setMaxLength(20);
    pointValueEdit->setMaximumWidth(100);
    pointValueEdit->setAlignment(Qt::AlignRight);
    addOperationsButton = button(QStringLiteral("Command3"), QStringLiteral("Dodaj opravila"), page);
    deleteLineButton = button(QStringLiteral("Command4"), QStringLiteral("Briši opravilo"), page);
    recalculateButton = button(QStringLiteral("Command5"), QStringLiteral("Preračun"), page);
    surchargeToAllButton = button(QStringLiteral("Command6"), QStringLiteral("Vsem"), page);
    surchargeToAllButton->setToolTip(QStringLiteral("Povišek prvega opravila vsem opravilom"));

    auto* top = new QHBoxLayout;
    top->addWidget(caption(QStringLiteral("Vrednost točke"), page));
    top->addWidget(pointValueEdit);
    top->addWidget(caption(QStringLiteral("€"), page));
    top->addStretch(1);
    top->addWidget(addOperationsButton);
    top->addWidget(deleteLineButton);
    top->addWidget(surchargeToAllButton);
    top->addWidget(recalculateButton);

    linesGrid = new BoundGrid(page);
    linesGrid->setObjectName(QStringLiteral("DBGrid1"));
    linesGrid->setMinimumHeight(160);

    unifiedReportCheck = new QCheckBox(QStringLiteral("Enoten elaborat geodetske storitve (70 %)"), page);
    unifiedReportCheck->setObjectName(QStringLiteral("Check1"));
    lumpSumCheck = new QCheckBox(QStringLiteral("Obračunaj ostale stroške v pavšalni vrednosti "), page);
    lumpSumCheck->setObjectName(QStringLiteral("Check2"));
    percentEdit = new QLineEdit(QStringLiteral("10"), page);
    percentEdit->setObjectName(QStringLiteral("Text3"));
    percentEdit->setMaxLength(20);
    percentEdit->setMaximumWidth(60);
    percentEdit->setAlignment(Qt::AlignRight);

    auto* options = new QGridLayout;
    options->addWidget(unifiedReportCheck, 0, 0, 1, 3);
    options->addWidget(lumpSumCheck, 1, 0);
    options->addWidget(percentEdit, 1, 1);
    options->addWidget(caption(QStringLiteral("%"), page), 1, 2);
    options->setColumnStretch(3, 1);
    options->setRowStretch(2, 1);

    pointsLabel = makeTotalLabel(QStringLiteral("Label11"), page);
    baseLabel = makeTotalLabel(QStringLiteral("Label7"), page);
    vatLabel = makeTotalLabel(QStringLiteral("Label5"), page);
    totalLabel = makeTotalLabel(QStringLiteral("Label4"), page);
    QFont bold = totalLabel->font();
    bold.setBold(true);
    totalLabel->setFont(bold);
    auto* totals = new QGridLayout;
    const QList<std::pair<QString, QLabel*>> rows = {{QStringLiteral("Skupaj točk"), pointsLabel},
                                                     {QStringLiteral("Osnova za DDV"), baseLabel},
                                                     {vatCaption(DefaultVatPercent), vatLabel},
                                                     {QStringLiteral("Za plačilo"), totalLabel}};
    for (int i = 0; i < rows.size(); ++i) {
        auto* label = caption(rows[i].first, page);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        totals->addWidget(label, i, 0);
        totals->addWidget(rows[i].second, i, 1);
        if (rows[i].second == vatLabel) {
            // The invoice's own rate; the editor sets it when it loads.
            vatCaptionLabel = label;
            label->setObjectName(QStringLiteral("VatCaption"));
        }
        if (rows[i].second == totalLabel)
            totalCaptionLabel = label; // "Skupaj" on a quote
    }

    auto* bottom = new QHBoxLayout;
    bottom->addLayout(options, 1);
    bottom->addLayout(totals);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addWidget(linesGrid, 1);
    layout->addLayout(bottom);
    return page;
}

QWidget* RacunForm::buildPaymentsTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabPlacila"));

    paymentsList = new QTableWidget(0, 3, page);
    paymentsList->setObjectName(QStringLiteral("List1"));
    paymentsList->setHorizontalHeaderLabels(
        {QStringLiteral("Datum"), QStringLiteral("Znesek"), QStringLiteral("Vir")});
    paymentsList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    paymentsList->setSelectionMode(QAbstractItemView::NoSelection);
    paymentsList->verticalHeader()->hide();
    paymentsList->horizontalHeader()->setStretchLastSection(true);
    paymentsList->setColumnWidth(0, 110);
    paymentsList->setColumnWidth(1, 130);

    openLabel = makeTotalLabel(QStringLiteral("Label12"), page);
    paymentDateEdit = new QLineEdit(page);
    paymentDateEdit->setObjectName(QStringLiteral("Text4"));
    paymentDateEdit->setMaxLength(10);
    paymentDateEdit->setMaximumWidth(100);
    paymentAmountEdit = new QLineEdit(page);
    paymentAmountEdit->setObjectName(QStringLiteral("Text5"));
    paymentAmountEdit->setMaxLength(20);
    paymentAmountEdit->setMaximumWidth(120);
    paymentAmountEdit->setAlignment(Qt::AlignRight);
    addPaymentButton = button(QStringLiteral("Command12"), QStringLiteral("Dodaj plačilo"), page);

    auto* hand = new QHBoxLayout;
    hand->addWidget(caption(QStringLiteral("Datum plačila"), page));
    hand->addWidget(paymentDateEdit);
    hand->addWidget(caption(QStringLiteral("Znesek"), page));
    hand->addWidget(paymentAmountEdit);
    hand->addWidget(caption(QStringLiteral("€"), page));
    hand->addWidget(addPaymentButton);
    hand->addStretch(1);
    hand->addWidget(caption(QStringLiteral("Odprto"), page));
    hand->addWidget(openLabel);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(paymentsList, 1);
    layout->addLayout(hand);
    return page;
}

void RacunForm::setTabOrder() {
    const QList<QWidget*> chain = {headerBoxes[0],     headerBoxes[11],
                                   headerBoxes[12],    headerBoxes[1],
                                   headerBoxes[2],     headerBoxes[3],
                                   headerBoxes[4],     postOfficeButton,
                                   headerBoxes[6],     headerBoxes[8],
                                   calendarButton,     headerBoxes[5],
                                   headerBoxes[9],     headerBoxes[10],
                                   headerBoxes[13],    headerBoxes[14],
                                   staffCombo,         remarkEdit,
                                   pointValueEdit,     addOperationsButton,
                                   deleteLineButton,   surchargeToAllButton,
                                   recalculateButton,  linesGrid,
                                   unifiedReportCheck, lumpSumCheck,
                                   percentEdit,        headerBoxes[15],
                                   paymentDateEdit,    paymentAmountEdit,
                                   addPaymentButton,   paidCheck,
                                   printButton,        pdfButton,
                                   eInvoiceButton,     emailButton,
                                   saveButton};
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

} // namespace valmir
