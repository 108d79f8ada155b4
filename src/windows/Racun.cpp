#include "windows/Racun.h"

#include "data/Recordset.h"
#include "invoice/InvoiceCopy.h"
#include "invoice/InvoiceFields.h"
#include "invoice/InvoiceSaver.h"
#include "invoice/Numbering.h"
#include "document/Payments.h"
#include "invoice/PostOffice.h"
#include "invoice/Pricing.h"
#include "invoice/WorkingTable.h"
#include "text/Clock.h"
#include "text/Messages.h"
#include "text/Module1.h"
#include "text/TextForms.h"
#include "ui/BoundGrid.h"
#include "ui/HandOver.h"
#include "ui/KeyShortcut.h"
#include "ui/MessageBox.h"
#include "windows/Calendar.h"
#include "windows/I_poste.h"
#include "windows/InvoiceOutput.h"
#include "windows/Postavke.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QUuid>

namespace valmir {

namespace {

// Grid columns.
enum Column { ColTariff, ColOperation, ColPoints, ColQuantity, ColSurcharge, ColAmount };

// After the picker the first added line is typed into: its quantity, or
// the amount of a line without one. `before` holds the lines there were.
void goToFirstNewLine(QTabWidget* tabs, BoundGrid* grid, const QSet<qint64>& before) {
    Recordset* rs = grid->recordset();
    if (!rs || !rs->readAllRows())
        return;
    for (int row = 0; row < rs->rowsRead(); ++row) {
        if (before.contains(rs->value(row, QStringLiteral("ID_tarifa")).toLongLong()))
            continue;
        BoundListModel* model = grid->listModel();
        const bool quantity = model->flags(model->index(row, ColQuantity)) & Qt::ItemIsEditable;
        tabs->setCurrentWidget(grid->parentWidget());
        grid->setFocus();
        grid->setCurrentIndex(model->index(row, quantity ? ColQuantity : ColAmount));
        return;
    }
}

// How many customers the name box offers at most: the most recently used.
constexpr int CustomerOffers = 20;

} // namespace

Racun::Racun(const AppContext& context, BoundGrid* invoiceList, QWidget* parent)
    : Racun(context, invoiceList, std::nullopt, false, 0, parent) {}

Racun::Racun(const AppContext& context, BoundGrid* invoiceList, CopyOf source, QWidget* parent)
    : Racun(context, invoiceList, std::optional<qint64>(source.invoiceId), source.quote, 0,
            parent) {}

Racun::Racun(const AppContext& context, BoundGrid* invoiceList, NewQuote, QWidget* parent)
    : Racun(context, invoiceList, std::nullopt, true, 0, parent) {}

Racun::Racun(const AppContext& context, BoundGrid* invoiceList, FromQuote source, QWidget* parent)
    : Racun(context, invoiceList, std::optional<qint64>(source.quoteId), false, source.quoteId,
            parent) {}

Racun::Racun(const AppContext& context, BoundGrid* invoiceList, std::optional<qint64> copyOf,
             bool quote, qint64 fromQuote, QWidget* parent)
    : LoadingDialog(parent), m_context(context), m_db(context.db), m_work(context.work),
      m_invoiceList(invoiceList), m_copyOf(copyOf), m_quote(quote), m_fromQuote(fromQuote) {
    setObjectName(QStringLiteral("Racun"));
    setWindowTitle(QStringLiteral("Račun"));
    setModal(true);
    setSizeGripEnabled(true);
    ui.setupUi(this);
    connectHandlers();
    setLoaded(load());
}

Racun::~Racun() = default;

void Racun::connectHandlers() {
    for (int i = 0; i < HeaderBoxCount; ++i) {
        if (i == RemarkBox)
            connect(ui.remarkEdit, &QPlainTextEdit::textChanged, this,
                    [this] { onHeaderChanged(RemarkBox); });
        else
            connect(ui.headerBoxes[i], &QLineEdit::textChanged, this,
                    [this, i] { onHeaderChanged(i); });
    }
    connect(ui.pointValueEdit, &QLineEdit::textChanged, this, [this] { Modified = true; });
    connect(ui.staffCombo, &QComboBox::currentIndexChanged, this, [this] { Modified = true; });
    connect(ui.paidCheck, &QCheckBox::toggled, this, &Racun::onPaidToggled);
    connect(ui.addPaymentButton, &QPushButton::clicked, this, &Racun::onAddPayment);
    connect(ui.calendarButton, &QPushButton::clicked, this, &Racun::onCalendar);
    connect(ui.postOfficeButton, &QToolButton::clicked, this, &Racun::onPostOfficeLookup);
    connect(ui.headerBoxes[CustomerBox], &QLineEdit::textEdited, this, &Racun::onCustomerTyped);
    connect(ui.customerCompleter, qOverload<const QModelIndex&>(&QCompleter::activated), this,
            &Racun::onCustomerChosen);
    connect(ui.saveButton, &QPushButton::clicked, this, &Racun::save);
    connect(ui.printButton, &QPushButton::clicked, this, &Racun::PrintInvoice);
    connect(ui.pdfButton, &QPushButton::clicked, this, &Racun::savePdf);
    connect(ui.eInvoiceButton, &QPushButton::clicked, this, &Racun::saveEInvoice);
    connect(ui.emailButton, &QPushButton::clicked, this, &Racun::sendByEmail);
    connect(ui.addOperationsButton, &QPushButton::clicked, this, &Racun::onAddOperations);
    connect(ui.deleteLineButton, &QPushButton::clicked, this, &Racun::onDeleteLine);
    connect(ui.recalculateButton, &QPushButton::clicked, this, &Racun::recalculateAndShow);
    connect(ui.surchargeToAllButton, &QPushButton::clicked, this, &Racun::onSurchargeToAll);
    connect(ui.unifiedReportCheck, &QCheckBox::clicked, this, &Racun::onUnifiedReportClicked);
    connect(ui.lumpSumCheck, &QCheckBox::clicked, this, &Racun::onLumpSumClicked);
    connect(ui.openTimer, &QTimer::timeout, this, &Racun::onTimer);
    // A click into the grid counts as a change, and so does a typed cell
    // that was reached with the keyboard.
    connect(ui.linesGrid, &BoundGrid::gridClicked, this, [this] { Modified = true; });
    connect(ui.linesGrid->itemDelegate(), &QAbstractItemDelegate::commitData, this,
            [this] { Modified = true; });
    connect(ui.linesGrid->listModel(), &BoundListModel::writeFailed, this,
            [this](const QString& error) { reportEngineError(error); });

    // The keys of a day at the keyboard; Delete only in the lines, where it
    // asks as the button does.
    bindKey(ui.saveButton, QKeySequence::Save);
    bindKey(ui.recalculateButton, QKeySequence(Qt::Key_F9));
    bindKey(ui.printButton, QKeySequence::Print);
    bindKey(ui.addOperationsButton, QKeySequence(Qt::Key_Insert));
    bindKey(ui.deleteLineButton, QKeySequence::Delete, ui.linesGrid);
    // Ctrl+Tab and Ctrl+Shift+Tab turn the tabs from anywhere, the lines
    // and the staff box included.
    for (const auto& [key, step] :
         {std::pair(QKeySequence(Qt::CTRL | Qt::Key_Tab), 1),
          std::pair(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1),
          std::pair(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1)}) {
        auto* turn = new QAction(this);
        turn->setShortcut(key);
        turn->setShortcutContext(Qt::WindowShortcut);
        addAction(turn);
        connect(turn, &QAction::triggered, this, [this, step = step] {
            // A hidden tab (a quote's payments) is passed over.
            const int count = ui.tabs->count();
            int next = ui.tabs->currentIndex();
            do
                next = (next + step + count) % count;
            while (!ui.tabs->isTabVisible(next) && next != ui.tabs->currentIndex());
            ui.tabs->setCurrentIndex(next);
        });
    }
}

void Racun::reportEngineError(const QString& error) {
    Msg::critical(this, error, Titles::Database);
}

QString Racun::headerText(int index) const {
    if (index == RemarkBox)
        return ui.remarkEdit->toPlainText();
    if (index < 0 || index >= HeaderBoxCount)
        return {};
    return ui.headerBoxes[index]->text();
}

void Racun::setHeaderText(int index, const QString& text) {
    if (index == RemarkBox)
        ui.remarkEdit->setPlainText(text);
    else if (index >= 0 && index < HeaderBoxCount)
        ui.headerBoxes[index]->setText(text);
}

Recordset* Racun::lines() const { return ui.linesGrid->recordset(); }

// ---------------------------------------------------------------------------
// Loading

bool Racun::FillStaffList() {
    ui.staffCombo->clear();
    // A nameless entry first, on either engine.
    auto rs = m_db->openRecordset(
        QStringLiteral("SELECT * FROM tblSestavljavci ORDER BY Ime IS NOT NULL, Ime"),
        RecordsetKind::Snapshot);
    if (!rs) {
        // Without the list the invoice would be saved with nobody as its
        // compiler: better no editor.
        reportEngineError(m_db->lastError());
        return false;
    }
    // A staff row without a name is still offered, as an empty entry.
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        ui.staffCombo->addItem(NullToStr(rs->field(QStringLiteral("Ime"))),
                               rs->field(QStringLiteral("ID")));
    return true;
}

void Racun::SelectStaff(const QVariant& id) {
    const double wanted = NumberOrZero(id);
    for (int i = 0; i < ui.staffCombo->count(); ++i)
        if (NumberOrZero(ui.staffCombo->itemData(i)) == wanted)
            ui.staffCombo->setCurrentIndex(i);
}

void Racun::setUpGrid() {
    BoundListModel* model = ui.linesGrid->listModel();
    model->setDatabase(m_work);
    model->setRecordSource(QStringLiteral("tblTarifePregled"));
    model->setColumns(
        {{QStringLiteral("Tarifna številka"), QStringLiteral("TarifnaStevilka"), {}},
         {QStringLiteral("Opravilo"), QStringLiteral("GeodetskaStoritev"), {}},
         {QStringLiteral("Točke"), QStringLiteral("Tocke"), {}},
         {QStringLiteral("Količina"), QStringLiteral("Kolicina"), {}},
         {QStringLiteral("Povišek"), QStringLiteral("Povisek"), {}},
         {QStringLiteral("Znesek"), QStringLiteral("znesek"), QStringLiteral("Currency")}});
    // Quantity and surcharge are typed on service lines, the amount on the
    // other lines; the lump-sum line is computed.
    model->setEditable([model](int row, int column) {
        Recordset* rs = model->recordset();
        if (!rs)
            return false;
        const double ts1 = NumberOrZero(rs->value(row, QStringLiteral("TS1")));
        if (column == ColQuantity || column == ColSurcharge)
            return ts1 < OtherLinesFrom;
        if (column == ColAmount)
            return ts1 >= OtherLinesFrom && ts1 != LumpSumService;
        return false;
    });
    // The description takes what room there is; the numbers keep theirs.
    QHeaderView* header = ui.linesGrid->horizontalHeader();
    header->setStretchLastSection(false);
    for (int column : {ColTariff, ColPoints, ColQuantity, ColSurcharge, ColAmount})
        header->resizeSection(column, column == ColAmount || column == ColTariff ? 115 : 80);
    header->setSectionResizeMode(ColOperation, QHeaderView::Stretch);
}

bool Racun::load() {
    if (!m_db || !m_work) {
        Msg::critical(this, Messages::NoDatabase);
        return false;
    }
    setUpGrid();
    if (!emptyWorkingTable(*m_work)) {
        reportEngineError(m_work->lastError());
        return false;
    }
    // A copy is a new invoice; only where its data come from differs.
    Mode = m_copyOf ? 0 : OpenMode;
    Loading = true;
    OriginalNumber.clear();
    m_proposedNumber.clear();
    m_rowVersion = 0;
    m_invoiceId = 0;
    // Every step that fails has shown its message; the editor then does
    // not open, so that no save can write what was never read.
    bool ok = FillStaffList();
    ui.staffCombo->setCurrentIndex(-1);
    if (ok && (Mode == 1 || Mode == 2))
        ok = loadFromList();
    if (ok && Mode != 1)
        ok = loadNewInvoiceDefaults();
    if (ok && m_copyOf)
        ok = loadCopy(*m_copyOf);
    if (ok)
        ok = refreshLines();
    showKind();
    if (ok)
        showPayments();
    ui.vatCaptionLabel->setText(vatCaption(m_vatPercent));
    // A new invoice starts at its customer (the number is proposed and
    // rarely changed); an opened one at its first box.
    ui.headerBoxes[Mode == 1 ? NumberBox : CustomerBox]->setFocus();
    Loading = false;
    Modified = false;
    return ok;
}

bool Racun::loadFromList() {
    Recordset* list = m_invoiceList ? m_invoiceList->recordset() : nullptr;
    if (!list || list->eof() || list->bof()) {
        if (Mode == 2)
            return true; // nobody to copy: a new invoice with empty customer boxes
        Msg::critical(this, Messages::NoInvoiceSelected);
        return false;
    }
    list->clearReadError();
    for (const HeaderField& f : HeaderFields)
        if (Mode == 1 || f.customer)
            setHeaderText(f.box, boxText(list->field(QString::fromUtf16(f.field)), f.form));
    auto field = [list](const char* name) { return list->field(QString::fromLatin1(name)); };
    if (Mode == 1) {
        OriginalNumber = headerText(NumberBox);
        m_rowVersion = list->rowVersion();
        m_invoiceId = field("ID").toLongLong();
        ui.percentEdit->setText(numberBoxText(field("ProcentPavsala")));
        ui.pointValueEdit->setText(numberBoxText(field("VrednostTocke")));
        SelectStaff(NullToZero(field("Sestavljavec")));
        ui.unifiedReportCheck->setChecked(field("EnotenElaborat").toBool());
        ui.paidCheck->setChecked(field("Placan").toBool());
        m_vatPercent = invoiceVatPercent(field("StopnjaDDV"));
        m_quote = field("Ponudba").toBool();
        if (field("Dobropis").toBool()) {
            m_credits = InvoiceHeader::Credited{NullTrim(field("IzvirniRacun")),
                                                field("IzvirniDatum").toDate()};
            setWindowTitle(m_credits->number.isEmpty()
                               ? QStringLiteral("Dobropis")
                               : Messages::CreditNoteTitle.arg(m_credits->number));
        }
    }
    if (list->readFailed()) {
        reportEngineError(list->lastError());
        return false;
    }
    return Mode != 1 || loadStoredLines(field("ID").toLongLong());
}

bool Racun::loadStoredLines(qint64 invoiceId) {
    const LoadLinesResult loaded = LoadLines(*m_db, *m_work, invoiceId, ui.percentEdit->text());
    if (!loaded.ok) {
        reportEngineError(loaded.error);
        return false;
    }
    if (loaded.hasLumpSumLine) {
        ui.lumpSumCheck->setChecked(true);
        ui.percentEdit->setEnabled(false);
    }
    if (loaded.hasExpenseLine)
        ui.lumpSumCheck->setEnabled(false);
    return true;
}

bool Racun::loadNewInvoiceDefaults() {
    ui.headerBoxes[DateBox]->setText(dateText(today()));
    auto settings = m_db->openRecordset(QStringLiteral("tblNastavitve"), RecordsetKind::Table);
    if (!settings) {
        reportEngineError(m_db->lastError());
        return false;
    }
    if (settings->recordCount() == 0) {
        // Without the settings there is no number to propose: better no
        // editor than an invoice numbered by chance.
        Msg::critical(this, Messages::NoSettings);
        return false;
    }
    settings->moveFirst();
    ui.pointValueEdit->setText(numberBoxText(settings->field(QStringLiteral("VrednostTocke"))));
    ui.headerBoxes[ValidityBox]->setText(
        numberBoxText(settings->field(QStringLiteral("Veljavnost"))));
    double counter = NumberOrZero(settings->field(QStringLiteral("StRacuna")));
    m_vatPercent = settingsVatPercent(settings->field(QStringLiteral("StopnjaDDV")));
    if (settings->readFailed()) {
        reportEngineError(settings->lastError());
        return false;
    }
    bool restart = settings->field(QStringLiteral("LetniStevec")).toBool();
    if (m_quote && !storedQuoteCounter(*m_db, &counter, &restart)) {
        reportEngineError(m_db->lastError());
        return false;
    }
    double yearCounter = counter;
    if (!counterForNewDocument(*m_db, counter, restart, today().year(), &yearCounter, m_quote)) {
        reportEngineError(m_db->lastError());
        return false;
    }
    m_proposedNumber = m_quote ? proposeQuoteNumber(today().year(), yearCounter)
                               : proposeNumber(today().year(), yearCounter);
    ui.headerBoxes[NumberBox]->setText(m_proposedNumber);
    // An office of one: that one compiles every invoice.
    if (ui.staffCombo->count() == 1)
        ui.staffCombo->setCurrentIndex(0);
    return true;
}

void Racun::showKind() {
    if (m_quote) {
        setWindowTitle(QStringLiteral("Ponudba"));
        // Its document's words; a quote has no e-invoice.
        ui.printButton->setText(QStringLiteral("Tiskaj ponudbo"));
        ui.saveButton->setText(QStringLiteral("Shrani ponudbo"));
        ui.totalCaptionLabel->setText(QStringLiteral("Skupaj"));
        ui.eInvoiceButton->hide();
    }
    // A quote is never paid.
    ui.paidCheck->setVisible(!m_quote);
    ui.tabs->setTabVisible(
        ui.tabs->indexOf(ui.tabs->findChild<QWidget*>(QStringLiteral("TabPlacila"))), !m_quote);
}

bool Racun::loadCopy(qint64 invoiceId) {
    // An invoice made from a quote keeps the prices promised.
    const InvoiceCopy copy = copyInvoice(*m_db, *m_work, invoiceId, m_fromQuote != 0);
    if (!copy.ok) {
        Msg::critical(this, CopyMessages::NotRead, copy.error);
        return false;
    }
    if (!copy.found) {
        Msg::critical(this, CopyMessages::NotFound);
        return false;
    }
    for (const auto& [box, text] : copy.boxes)
        setHeaderText(box, text);
    ui.pointValueEdit->setText(copy.pointValueText);
    ui.percentEdit->setText(copy.percentText);
    ui.unifiedReportCheck->setChecked(copy.unifiedReport);
    if (copy.hasLumpSumLine) {
        ui.lumpSumCheck->setChecked(true);
        ui.percentEdit->setEnabled(false);
    }
    if (copy.hasExpenseLine)
        ui.lumpSumCheck->setEnabled(false);
    // Told once the window shows, over the lines as they came.
    if (!copy.leftOut.isEmpty())
        m_copyNotice = CopyMessages::LeftOut.text.arg(copy.leftOut.join(u'\n'));
    return true;
}

bool Racun::refreshLines() {
    QString error;
    if (!ui.linesGrid->refresh())
        error = ui.linesGrid->listModel()->lastError();
    else if (Recordset* rs = lines(); rs && !rs->setIndex(QStringLiteral("Red")))
        error = rs->lastError();
    else if (rs)
        rs->moveFirst();
    ui.linesGrid->syncFromRecordset();
    if (!error.isEmpty())
        reportEngineError(error);
    return error.isEmpty();
}

void Racun::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_timerStarted) {
        m_timerStarted = true;
        ui.openTimer->start();
    }
}

void Racun::onTimer() {
    ui.openTimer->stop();
    if (Recordset* rs = lines())
        rs->setIndex(QStringLiteral("Red"));
    recalculateAndShow();
    if (!m_copyNotice.isEmpty()) {
        Msg::information(this, m_copyNotice, CopyMessages::LeftOut.title);
        m_copyNotice.clear();
    }
}

// ---------------------------------------------------------------------------
// Pricing

bool Racun::recalculateAndShow() {
    // A cell refused as typed is corrected first; its box has told why.
    if (!ui.linesGrid->commitEdit())
        return false;
    Recordset* rs = lines();
    if (!rs)
        return false;
    PricingInput input;
    input.pointValueText = ui.pointValueEdit->text();
    input.lumpSum = ui.lumpSumCheck->isChecked();
    input.percentText = ui.percentEdit->text();
    input.unifiedReport = ui.unifiedReportCheck->isChecked();
    input.vatPercent = m_vatPercent;
    const PricingResult result = recalculate(*rs, input);
    if (ui.percentEdit->text() != result.percentText)
        ui.percentEdit->setText(result.percentText);
    if (result.percentCapped)
        Msg::information(this, Messages::PercentCapped);
    LumpSumAmount = result.lumpSumAmount;
    ui.pointsLabel->setText(pointsCaption(result.points));
    // A credit note's totals count against the books, as it is stored.
    const double sign = m_credits ? -1 : 1;
    ui.baseLabel->setText(moneyCaption(sign * result.total));
    ui.vatLabel->setText(moneyCaption(sign * result.vat));
    ui.totalLabel->setText(moneyCaption(sign * (result.total + result.vat)));
    ui.linesGrid->syncFromRecordset();
    if (result.overflow)
        Msg::critical(this, result.error, Titles::TooLarge);
    else if (!result.ok)
        reportEngineError(result.error);
    if (result.surchargeCapped)
        Msg::information(this, Messages::SurchargeCapped);
    return result.ok;
}

void Racun::onLumpSumClicked() {
    if (Loading)
        return;
    const bool ticked = ui.lumpSumCheck->isChecked();
    if (ticked && leadingNumber(ui.percentEdit->text()) == 0)
        ui.percentEdit->setText(QStringLiteral("10"));
    ui.percentEdit->setEnabled(!ticked);
    recalculateAndShow();
    bool ok = true;
    toggleLumpSumLine(*m_work, LumpSumAmount, ui.percentEdit->text(), &ok);
    if (!ok)
        reportEngineError(m_work->lastError());
    refreshLines();
    recalculateAndShow();
    // Removing the line changes the invoice as much as adding it: unmarked,
    // it would be lost on closing, or a PDF would go out without it stored.
    if (ok)
        Modified = true;
}

void Racun::onUnifiedReportClicked() {
    if (Loading)
        return;
    recalculateAndShow();
    Modified = true;
}

// Ticking or unticking from code runs the same handler as a click.
void Racun::setUnifiedReport(bool ticked) {
    ui.unifiedReportCheck->setChecked(ticked);
    onUnifiedReportClicked();
}

void Racun::askUnifiedReport() {
    Recordset* rs = lines();
    if (!rs)
        return;
    switch (checkUnifiedReport(*rs, ui.unifiedReportCheck->isChecked())) {
    case UnifiedReportQuestion::AskTick:
        if (Msg::question(this, Messages::AskTickUnifiedReport))
            setUnifiedReport(true);
        break;
    case UnifiedReportQuestion::AskUntick:
        if (Msg::question(this, Messages::AskUntickUnifiedReport))
            setUnifiedReport(false);
        break;
    case UnifiedReportQuestion::None:
        break;
    }
    ui.linesGrid->syncFromRecordset();
}

void Racun::onSurchargeToAll() {
    Recordset* rs = lines();
    if (!rs || rs->recordCount() == 0)
        return;
    if (!surchargeToAll(*rs))
        reportEngineError(rs->lastError());
    else
        Modified = true;
    recalculateAndShow();
}

// ---------------------------------------------------------------------------
// Lines

void Racun::onAddOperations() {
    {
        Postavke picker(*m_db, this);
        picker.exec();
    }
    if (!PickConfirmed)
        return;
    // The lines there were before, to find the first one added.
    QSet<qint64> before;
    if (Recordset* rs = lines(); rs && rs->readAllRows())
        for (int row = 0; row < rs->rowsRead(); ++row)
            before.insert(rs->value(row, QStringLiteral("ID_tarifa")).toLongLong());
    const AddOperationsResult result =
        addPickedOperations(*m_db, *m_work, ui.lumpSumCheck->isChecked());
    if (!result.ok)
        reportEngineError(result.error);
    if (result.addedExpenseLine)
        ui.lumpSumCheck->setEnabled(false);
    if (result.added > 0)
        Modified = true;
    if (refreshLines() && result.added > 0)
        goToFirstNewLine(ui.tabs, ui.linesGrid, before);
    if (result.stoppedAtExpense)
        Msg::information(this, Messages::ExpensesAsLumpSum);
}

void Racun::onDeleteLine() {
    Recordset* rs = lines();
    if (!rs || rs->recordCount() == 0)
        return;
    if (!Msg::confirmDestructive(this, Messages::DeleteLine))
        return;
    if (ui.linesGrid->currentRow() < 0)
        return;
    if (NumberOrZero(rs->field(QStringLiteral("TS1"))) == LumpSumService) {
        // The lump-sum line belongs to its option: unticking removes it.
        ui.lumpSumCheck->setChecked(false);
        onLumpSumClicked();
        return;
    }
    const DeletedLine deleted = deleteCurrentLine(*rs);
    if (!deleted.ok) {
        reportEngineError(rs->lastError());
        ui.linesGrid->syncFromRecordset();
        return;
    }
    Modified = true;
    recalculateAndShow();
    if (!returnToLine(*rs, deleted.returnTo))
        reportEngineError(rs->lastError());
    ui.linesGrid->syncFromRecordset();
    if (!ui.lumpSumCheck->isEnabled()) {
        const std::optional<bool> expenses = hasExpenseLines(*m_work);
        if (!expenses)
            reportEngineError(m_work->lastError()); // the option stays locked
        else if (!*expenses)
            ui.lumpSumCheck->setEnabled(true);
    }
}

// ---------------------------------------------------------------------------
// Header and small behaviours

void Racun::onHeaderChanged(int index) {
    Modified = true;
    if (Loading || index != PostcodeBox)
        return;
    const QString code = ui.headerBoxes[PostcodeBox]->text();
    if (code.size() != 4)
        return;
    const PostOfficeLookup found = findPostOffice(*m_db, code);
    if (!found.ok)
        reportEngineError(found.error);
    else if (found.found)
        ui.headerBoxes[PlaceBox]->setText(found.place);
}

void Racun::onPaidToggled(bool ticked) {
    QPalette pal = ui.paidCheck->palette();
    const QColor face = palette().color(QPalette::Button);
    const QColor colour = ticked ? QColor(192, 255, 192) : face;
    pal.setColor(QPalette::Window, colour);
    pal.setColor(ui.paidCheck->backgroundRole(), colour);
    ui.paidCheck->setPalette(pal);
    if (Loading || m_paidShown)
        return;
    if (m_credits) {
        Msg::critical(this, PaymentMessages::CreditNoteNoPayment);
        setPaidShown(!ticked);
        return;
    }
    // A new invoice has no payments yet: its tick is stored with it.
    if (Mode != 1 || m_invoiceId == 0) {
        Modified = true;
        return;
    }
    // Ticked by hand: a payment of what is open, dated today. Taken off:
    // the payments booked by hand or brought over go, after a question;
    // those of a statement stay (the money came).
    QList<Payment> payments;
    if (!readPayments(*m_db, m_invoiceId, &payments)) {
        reportEngineError(m_db->lastError());
        setPaidShown(!ticked);
        return;
    }
    if (ticked) {
        double open = 0;
        if (!openAmount(*m_db, m_invoiceId, &open)) {
            reportEngineError(m_db->lastError());
            setPaidShown(false);
            return;
        }
        if (open < 0.005 && payments.isEmpty()) {
            Modified = true; // nothing owed: the tick alone, as before
            return;
        }
        if (open >= 0.005 && !bookHandPayment(today(), open)) {
            setPaidShown(false);
            return;
        }
    } else {
        int hand = 0;
        double sum = 0;
        for (const Payment& p : std::as_const(payments))
            if (p.source != u"izpisek") {
                ++hand;
                sum += p.amount;
            }
        if (payments.isEmpty()) {
            Modified = true; // ticked before payments were kept
            return;
        }
        if (hand > 0) {
            const Message& ask = PaymentMessages::RemoveHandPayments;
            if (!Msg::confirmDestructive(
                    this, ask.text.arg(QStringLiteral("%1, %2").arg(hand).arg(currencyText(sum))),
                    ask.title)) {
                setPaidShown(true);
                return;
            }
            Transaction tx(*m_db);
            if (!tx.active() || !removeHandPayments(*m_db, m_invoiceId) || !tx.commit()) {
                reportEngineError(m_db->lastError());
                setPaidShown(true);
                return;
            }
        }
    }
    showPayments();
}

void Racun::setPaidShown(bool paid) {
    const bool was = std::exchange(m_paidShown, true);
    ui.paidCheck->setChecked(paid);
    m_paidShown = was;
}

bool Racun::bookHandPayment(const QDate& date, double amount) {
    Transaction tx(*m_db);
    if (!tx.active() || !bookPayment(*m_db, m_invoiceId, date, amount) || !tx.commit()) {
        Msg::critical(this, PaymentMessages::PaymentNotBooked, m_db->lastError());
        return false;
    }
    return true;
}

// The payments as stored, what is open, and the tick as they make it: a
// payment of another workstation is shown the next time.
void Racun::showPayments() {
    const bool stored = Mode == 1 && m_invoiceId != 0;
    ui.paymentsList->setRowCount(0);
    ui.openLabel->clear();
    for (QWidget* w :
         {static_cast<QWidget*>(ui.paymentDateEdit), static_cast<QWidget*>(ui.paymentAmountEdit),
          static_cast<QWidget*>(ui.addPaymentButton)})
        w->setEnabled(stored && !m_credits && !m_quote);
    if (!stored)
        return;
    QList<Payment> payments;
    double open = 0;
    QVariant paid;
    if (!readPayments(*m_db, m_invoiceId, &payments) || !openAmount(*m_db, m_invoiceId, &open) ||
        !m_db->queryValue(QStringLiteral("SELECT Placan FROM tblRacun WHERE ID = ?"), {m_invoiceId},
                          &paid)) {
        reportEngineError(m_db->lastError());
        return;
    }
    for (const Payment& p : std::as_const(payments)) {
        const int row = ui.paymentsList->rowCount();
        ui.paymentsList->insertRow(row);
        auto* amount = new QTableWidgetItem(currencyText(p.amount));
        amount->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        ui.paymentsList->setItem(row, 0, new QTableWidgetItem(dateText(p.date)));
        ui.paymentsList->setItem(row, 1, amount);
        ui.paymentsList->setItem(row, 2, new QTableWidgetItem(p.source));
    }
    ui.openLabel->setText(currencyText(open));
    ui.paymentDateEdit->setText(dateText(today()));
    ui.paymentAmountEdit->setText(open > 0 ? localeNumberText(open) : QString());
    // A tick without payments is the invoice's own box; with payments it
    // says what they make.
    if (!payments.isEmpty())
        setPaidShown(paid.toBool());
}

void Racun::onAddPayment() {
    if (m_credits) {
        Msg::critical(this, PaymentMessages::CreditNoteNoPayment);
        return;
    }
    if (Mode != 1 || m_invoiceId == 0) {
        Msg::critical(this, PaymentMessages::PaymentsAfterSave);
        return;
    }
    const std::optional<QDate> date = readDate(ui.paymentDateEdit->text());
    if (!date) {
        Msg::critical(this, PaymentMessages::PaymentDateInvalid);
        ui.paymentDateEdit->setFocus();
        return;
    }
    const std::optional<double> amount = readNumber(ui.paymentAmountEdit->text());
    if (!amount || *amount < 0.005) {
        Msg::critical(this, PaymentMessages::PaymentAmountInvalid);
        ui.paymentAmountEdit->setFocus();
        return;
    }
    if (bookHandPayment(*date, *amount))
        showPayments();
}

// The lookup writes the chosen postcode into the postcode box, which then
// fills the place as typing there does.
void Racun::onPostOfficeLookup() {
    {
        I_poste lookup(m_context, ui.headerBoxes[PostcodeBox], this);
        lookup.exec();
    }
    ui.headerBoxes[PostcodeBox]->setFocus();
}

void Racun::onCustomerTyped(const QString& text) {
    QList<Customer> found;
    if (!customersByName(*m_db, text, CustomerOffers, &found) && !m_offerFailed) {
        m_offerFailed = true;
        reportEngineError(m_db->lastError());
    }
    m_offered = found;
    ui.customerModel->clear();
    for (int row = 0; row < m_offered.size(); ++row) {
        const Customer& c = m_offered[row];
        // Two customers of one name are told apart by where they are.
        QStringList where{c[CustomerStreet],
                          (c[CustomerPostcode] + u' ' + c[CustomerPlace]).trimmed()};
        where.removeAll(QString());
        auto* item = new QStandardItem(
            where.isEmpty()
                ? c[CustomerName]
                : QStringLiteral("%1 (%2)").arg(c[CustomerName], where.join(QStringLiteral(", "))));
        item->setData(row, RacunForm::CustomerRowRole);
        item->setEditable(false);
        ui.customerModel->appendRow(item);
    }
    // With no prefix set the completer shows every row the search found.
    if (m_offered.isEmpty())
        ui.customerCompleter->popup()->hide();
    else
        ui.customerCompleter->complete();
}

void Racun::onCustomerChosen(const QModelIndex& index) {
    const int row = index.data(RacunForm::CustomerRowRole).toInt();
    if (index.isValid() && row >= 0 && row < m_offered.size())
        fillCustomer(m_offered[row]);
}

void Racun::fillCustomer(const Customer& customer) {
    // What was typed into a box is replaced only when the user says so.
    QStringList typed;
    for (int f = CustomerName + 1; f < CustomerFieldCount; ++f) {
        const QString now = headerText(CustomerColumns[f].box).trimmed();
        if (!now.isEmpty() && now != customer.data[f])
            typed << CustomerMessages::FieldCaptions[f];
    }
    const bool replace =
        typed.isEmpty() ||
        Msg::question(this,
                      CustomerMessages::AskOverwrite.text.arg(typed.join(QStringLiteral(", ")),
                                                              customer[CustomerName]),
                      CustomerMessages::AskOverwrite.title);
    // The customer's place is the register's, not the post office's of
    // the postcode being filled.
    Loading = true;
    setHeaderText(CustomerBox, customer[CustomerName]);
    for (int f = CustomerName + 1; f < CustomerFieldCount; ++f)
        if (replace || headerText(CustomerColumns[f].box).trimmed().isEmpty())
            setHeaderText(CustomerColumns[f].box, customer.data[f]);
    Loading = false;
    Modified = true;
}

void Racun::onCalendar() {
    CalendarTarget = 0;
    {
        Calendar calendar(Calendar::targetFor(CalendarTarget, ui.headerBoxes[DateBox], nullptr),
                          this);
        calendar.exec();
    }
    ui.headerBoxes[DateBox]->setFocus();
}

// ---------------------------------------------------------------------------
// Printing

// The documents of the invoice are made in InvoiceOutput.
void Racun::PrintInvoice() { InvoiceOutput(*this).print(); }

void Racun::savePdf() { InvoiceOutput(*this).savePdf(); }

void Racun::saveEInvoice() { InvoiceOutput(*this).saveEInvoice(); }

void Racun::sendByEmail() { InvoiceOutput(*this).sendByEmail(); }

// ---------------------------------------------------------------------------
// Saving and closing

InvoiceHeader Racun::currentHeader() const {
    InvoiceHeader header;
    for (int i = 0; i < HeaderBoxCount; ++i)
        header.text1 << headerText(i);
    header.staffId =
        ui.staffCombo->currentIndex() >= 0 ? ui.staffCombo->currentData().toLongLong() : 0;
    header.unifiedReport = ui.unifiedReportCheck->isChecked();
    header.paid = ui.paidCheck->isChecked();
    header.percentText = ui.percentEdit->text();
    header.pointValueText = ui.pointValueEdit->text();
    header.vatPercent = m_vatPercent;
    header.credits = m_credits;
    header.quote = m_quote;
    header.fromQuote = Mode != 1 ? m_fromQuote : 0;
    header.numberProposed = Mode != 1 && !m_proposedNumber.isEmpty() &&
                            header.text1.value(NumberBox) == m_proposedNumber;
    header.rowVersion = Mode == 1 ? m_rowVersion : 0;
    header.saveKey = Mode == 1 ? QString() : m_saveKey;
    return header;
}

bool Racun::save() {
    if (!store())
        return false;
    accept();
    return true;
}

bool Racun::store() {
    if (!ui.linesGrid->commitEdit())
        return false;
    askUnifiedReport();
    // The lines, the totals kept with the invoice and the labels must say
    // the same: what was typed since the last "Preračun" is priced first.
    // A recalculation that failed has told why; nothing is saved from it.
    // A point value or percentage that is no number is refused by the save
    // itself, before anything is priced at 0.
    const bool numbers = isNumeric(ui.pointValueEdit->text()) && isNumeric(ui.percentEdit->text());
    if (numbers && !recalculateAndShow())
        return false;
    // A stored invoice left as it was has nothing to write.
    if (Mode == 1 && !Modified)
        return true;
    if (Mode != 1 && m_saveKey.isEmpty())
        m_saveKey = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const InvoiceHeader header = currentHeader();
    // Invoices are issued in the order of their dates: a new one dated
    // before the latest stored is saved only when the user says so.
    if (Mode != 1 && !m_quote && !customerNameMissing(header)) {
        const std::optional<QDate> date = readDate(header.text1.value(DateBox));
        const DateOrder order = date ? checkDateOrder(*m_db, *date) : DateOrder{};
        if (!order.ok) {
            Msg::critical(this, Messages::DateNotChecked, order.error);
            return false;
        }
        if (order.latest &&
            !Msg::question(
                this, Messages::DateBeforeLast.text.arg(dateText(*date), dateText(*order.latest)),
                Messages::DateBeforeLast.title)) {
            ui.headerBoxes[DateBox]->setFocus();
            return false;
        }
    }

    Recordset* list = m_invoiceList ? m_invoiceList->recordset() : nullptr;
    Recordset* rs = lines();
    if (!list || !rs) {
        Msg::critical(this, Messages::NoInvoiceList);
        return false;
    }
    // The list follows other workstations while the editor is open: it
    // must stand on the invoice edited, which may be gone.
    SaveResult result;
    if (Mode == 1 && m_invoiceId != 0 && list->bookmark() != m_invoiceId &&
        !list->moveToBookmark(m_invoiceId))
        result = {SaveOutcome::ChangedMeanwhile, Messages::DeletedBy, 0, {}};
    else
        result = saveInvoice(*m_db, *list, *rs, Mode, OriginalNumber, header);
    if (result.outcome == SaveOutcome::ChangedMeanwhile) {
        // Nothing was written. The user sees the other version, or keeps
        // his own on the screen (a later save is refused the same way).
        const Message& changed = Messages::ChangedMeanwhile;
        const QString told = changed.text.arg(result.error);
        if (result.error == Messages::DeletedBy)
            Msg::critical(this, {told, changed.title});
        else if (Msg::question(this, told + QStringLiteral("\n\n") + Messages::ShowOtherVersion,
                               changed.title))
            reloadStored();
        return false;
    }
    if (result.outcome != SaveOutcome::Saved) {
        Message refusal = saveMessage(result.outcome);
        if (!result.error.isEmpty())
            refusal.text += u'\n' + result.error;
        Msg::critical(this, refusal);
        if (result.outcome == SaveOutcome::NoCustomerName)
            ui.headerBoxes[CustomerBox]->setFocus();
        return false;
    }
    // From now on the editor edits the row it wrote (the list stands on it),
    // so another save does not add it a second time.
    Mode = 1;
    m_copyOf.reset(); // a copy saved is an invoice of its own
    m_fromQuote = 0;
    // Another workstation may have taken the proposed number meanwhile.
    if (result.number != headerText(NumberBox))
        setHeaderText(NumberBox, result.number);
    OriginalNumber = headerText(NumberBox);
    m_proposedNumber.clear();
    m_saveKey.clear();
    m_rowVersion = list->rowVersion();
    m_invoiceId = result.invoiceId;
    Modified = false;
    m_invoiceList->syncFromRecordset();
    showPayments();
    // An earlier try landed: the editor shows the invoice as it was stored.
    if (result.savedBefore)
        reloadStored();
    updateCustomerRegister();
    return true;
}

// The stored invoice as another workstation saved it, in place of what
// was typed.
void Racun::reloadStored() {
    Recordset* list = m_invoiceList ? m_invoiceList->recordset() : nullptr;
    if (!list || !list->moveToBookmark(m_invoiceId)) {
        const Message& changed = Messages::ChangedMeanwhile;
        Msg::critical(this, {changed.text.arg(Messages::DeletedBy), changed.title});
        return;
    }
    m_invoiceList->syncFromRecordset();
    const int openMode = std::exchange(OpenMode, 1);
    load();
    OpenMode = openMode;
}

void Racun::updateCustomerRegister() {
    // A credit note repeats its invoice's customer; it is no new use.
    if (m_credits)
        return;
    QStringList boxes;
    for (int i = 0; i < HeaderBoxCount; ++i)
        boxes << headerText(i);
    const Customer customer = customerFromBoxes(boxes);
    const CustomerKept kept =
        keepCustomerCurrent(*m_db, customer, readDate(headerText(DateBox)).value_or(QDate()), [&] {
            return Msg::question(this, CustomerMessages::AskUpdate.text.arg(customer[CustomerName]),
                                 CustomerMessages::AskUpdate.title);
        });
    if (!kept.ok)
        Msg::critical(this, CustomerMessages::RegisterNotKept, kept.error);
}

void Racun::reject() {
    if (!mayClose())
        return;
    QDialog::reject();
}

bool Racun::mayClose() {
    if (!ui.linesGrid->commitEdit())
        return false;
    if (!Modified)
        return true;
    switch (Msg::askBeforeClosing(this, Messages::UnsavedChanges)) {
    case Msg::Answer::No:
        return true;
    case Msg::Answer::Cancel:
        return false;
    case Msg::Answer::Yes:
        break;
    }
    // A refused save keeps the window open with everything typed, so that
    // nothing is lost without the user knowing.
    save(); // on success the save has closed the window already
    return false;
}

} // namespace valmir
