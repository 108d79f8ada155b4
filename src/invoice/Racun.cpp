#include "invoice/Racun.h"

#include "app/MessageBox.h"
#include "app/Globals.h"
#include "app/Module1.h"
#include "app/Clock.h"
#include "text/TextForms.h"
#include "data/BoundGrid.h"
#include "data/Recordset.h"
#include "invoice/Calendar.h"
#include "invoice/InvoiceLines.h"
#include "invoice/InvoiceSaver.h"
#include "invoice/Numbering.h"
#include "invoice/Postavke.h"
#include "invoice/Pricing.h"

#include <QAbstractItemDelegate>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace valmir {

namespace {

// The title of every engine error the editor reports, as the picker and
// saving report theirs.
const QString DatabaseErrorTitle = QStringLiteral("Napaka v bazi");

constexpr int HeaderBoxes = 16;
constexpr int RemarkBox = 7;

// Longest input of each header box; 0 for none.
constexpr int MaxLength[HeaderBoxes] = {20, 50, 50, 6,  50, 50, 50, 0,
                                        20, 50, 50, 50, 50, 50, 50, 20};

// Grid columns.
enum Column { ColTariff, ColOperation, ColPoints, ColQuantity, ColSurcharge, ColAmount };

// A stored number as a box shows it, so that the save reads it back.
QString numberBoxText(const QVariant& value) {
    QVariant v = NullToZero(value);
    if (auto n = numericValue(v); n && v.typeId() != QMetaType::QString)
        return localeNumberText(*n);
    return v.toString().trimmed();
}

QString dateBoxText(const QVariant& value) {
    if (value.typeId() == QMetaType::QDate)
        return dateText(value.toDate());
    return NullToStr(value);
}

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

QLabel* totalLabel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFrameShape(QFrame::StyledPanel);
    label->setMinimumWidth(140);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

Racun::Racun(const AppContext& context, BoundGrid* invoiceList, QWidget* parent)
    : QDialog(parent), m_context(context), m_db(context.db), m_work(context.work),
      m_invoiceList(invoiceList) {
    setObjectName(QStringLiteral("Racun"));
    setWindowTitle(QStringLiteral("Račun"));
    setModal(true);
    setSizeGripEnabled(true);
    buildWindow();
    connectHandlers();
    m_loaded = load();
}

Racun::~Racun() = default;

int Racun::exec() {
    if (!m_loaded)
        return QDialog::Rejected;
    return QDialog::exec();
}

// ---------------------------------------------------------------------------
// The window

void Racun::buildWindow() {
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->addTab(buildHeaderTab(), QStringLiteral("Osnovni podatki"));
    SSTab1->addTab(buildLinesTab(), QStringLiteral("Obračun geodetske storitve"));

    Check3 = new QCheckBox(QStringLiteral("Račun je plačan"), this);
    Check3->setObjectName(QStringLiteral("Check3"));
    Check3->setAutoFillBackground(true);
    Command2 = button(QStringLiteral("Command2"), QStringLiteral("Tiskaj račun"), this);
    Command2->setEnabled(false); // the document comes with the printing routines
    Command1 = button(QStringLiteral("Command1"), QStringLiteral("Shrani račun"), this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Check3);
    bottom->addStretch(1);
    bottom->addWidget(Command2);
    bottom->addWidget(Command1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1, 1);
    layout->addLayout(bottom);
    setTabOrder();
    resize(960, 640);
}

QWidget* Racun::buildHeaderTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabOsnovni"));
    Text1.resize(HeaderBoxes);
    for (int i = 0; i < HeaderBoxes; ++i) {
        if (i == RemarkBox)
            continue;
        auto* box = new QLineEdit(page);
        box->setObjectName(QStringLiteral("Text1_%1").arg(i));
        box->setMaxLength(MaxLength[i]);
        Text1[i] = box;
    }
    Text1_7 = new QPlainTextEdit(page);
    Text1_7->setObjectName(QStringLiteral("Text1_7"));
    Text1_7->setTabChangesFocus(true);
    Text1_7->setMinimumHeight(80);

    Combo1 = new QComboBox(page);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setMinimumContentsLength(20);
    Command7 = button(QStringLiteral("Command7"), QStringLiteral("Koledar"), page);
    Command8 = new QToolButton(page);
    Command8->setObjectName(QStringLiteral("Command8"));
    Command8->setText(QStringLiteral("?"));
    Command8->setToolTip(QStringLiteral("Poišči pošto"));
    Command8->setEnabled(false); // the post-office lookup comes with the code lists
    Text1[3]->setMaximumWidth(80);
    Text1[8]->setMaximumWidth(140);
    Text1[15]->setMaximumWidth(80);

    // Left: the invoice and the customer; right: dates, tax data, compiler.
    auto* left = new QGridLayout;
    int row = 0;
    auto addLeft = [&](const QString& label, QWidget* field) {
        left->addWidget(caption(label, page), row, 0);
        left->addWidget(field, row, 1);
        ++row;
    };
    addLeft(QStringLiteral("Številka računa "), Text1[0]);
    addLeft(QStringLiteral("Naziv storitve "), Text1[11]);
    addLeft(QStringLiteral("Številka zadeve "), Text1[12]);
    addLeft(QStringLiteral("Naročnik "), Text1[1]);
    addLeft(QStringLiteral("Naslov "), Text1[2]);
    auto* post = new QHBoxLayout;
    post->addWidget(Text1[3]);
    post->addWidget(Text1[4], 1);
    post->addWidget(Command8);
    left->addWidget(caption(QStringLiteral("Pošta "), page), row, 0);
    left->addLayout(post, row, 1);
    ++row;
    addLeft(QStringLiteral("Kontaktna oseba "), Text1[6]);
    addLeft(QStringLiteral("Telefon "), Text1[5]);
    addLeft(QStringLiteral("Faks "), Text1[9]);
    addLeft(QStringLiteral("E-pošta"), Text1[10]);
    left->setColumnStretch(1, 1);

    auto* right = new QGridLayout;
    row = 0;
    auto* date = new QHBoxLayout;
    date->addWidget(Text1[8]);
    date->addWidget(Command7);
    date->addStretch(1);
    right->addWidget(caption(QStringLiteral("Datum "), page), row, 0);
    right->addLayout(date, row++, 1);
    auto* validity = new QHBoxLayout;
    validity->addWidget(Text1[15]);
    validity->addStretch(1);
    right->addWidget(caption(QStringLiteral("Veljavnost (dni)"), page), row, 0);
    right->addLayout(validity, row++, 1);
    right->addWidget(caption(QStringLiteral("Davčna številka"), page), row, 0);
    right->addWidget(Text1[13], row++, 1);
    right->addWidget(caption(QStringLiteral("Transakcijski račun"), page), row, 0);
    right->addWidget(Text1[14], row++, 1);
    right->addWidget(caption(QStringLiteral("Izračun pripravil "), page), row, 0);
    right->addWidget(Combo1, row++, 1);
    right->setRowStretch(row, 1);
    right->setColumnStretch(1, 1);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 3);
    columns->addSpacing(16);
    columns->addLayout(right, 2);

    auto* remark = new QVBoxLayout;
    remark->addWidget(caption(QStringLiteral("Opomba "), page));
    remark->addWidget(Text1_7, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(columns);
    layout->addLayout(remark, 1);
    return page;
}

QWidget* Racun::buildLinesTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabObracun"));

    Text2 = new QLineEdit(page);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setMaxLength(20);
    Text2->setMaximumWidth(100);
    Text2->setAlignment(Qt::AlignRight);
    Command3 = button(QStringLiteral("Command3"), QStringLiteral("Dodaj opravila"), page);
    Command4 = button(QStringLiteral("Command4"), QStringLiteral("Briši opravilo"), page);
    Command5 = button(QStringLiteral("Command5"), QStringLiteral("Preračun"), page);
    Command6 = button(QStringLiteral("Command6"), QStringLiteral("Vsem"), page);
    Command6->setToolTip(QStringLiteral("Povišek prvega opravila vsem opravilom"));

    auto* top = new QHBoxLayout;
    top->addWidget(caption(QStringLiteral("Vrednost točke"), page));
    top->addWidget(Text2);
    top->addWidget(caption(QStringLiteral("€"), page));
    top->addStretch(1);
    top->addWidget(Command3);
    top->addWidget(Command4);
    top->addWidget(Command6);
    top->addWidget(Command5);

    DBGrid1 = new BoundGrid(page);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setMinimumHeight(160);

    Check1 = new QCheckBox(QStringLiteral("Enoten elaborat geodetske storitve (70 %)"), page);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check2 = new QCheckBox(QStringLiteral("Obračunaj ostale stroške v pavšalni vrednosti "), page);
    Check2->setObjectName(QStringLiteral("Check2"));
    Text3 = new QLineEdit(QStringLiteral("10"), page);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setMaxLength(20);
    Text3->setMaximumWidth(60);
    Text3->setAlignment(Qt::AlignRight);

    auto* options = new QGridLayout;
    options->addWidget(Check1, 0, 0, 1, 3);
    options->addWidget(Check2, 1, 0);
    options->addWidget(Text3, 1, 1);
    options->addWidget(caption(QStringLiteral("%"), page), 1, 2);
    options->setColumnStretch(3, 1);
    options->setRowStretch(2, 1);

    Label11 = totalLabel(QStringLiteral("Label11"), page);
    Label7 = totalLabel(QStringLiteral("Label7"), page);
    Label5 = totalLabel(QStringLiteral("Label5"), page);
    Label4 = totalLabel(QStringLiteral("Label4"), page);
    QFont bold = Label4->font();
    bold.setBold(true);
    Label4->setFont(bold);
    auto* totals = new QGridLayout;
    const QList<std::pair<QString, QLabel*>> rows = {{QStringLiteral("Skupaj točk"), Label11},
                                                     {QStringLiteral("Osnova za DDV"), Label7},
                                                     {QStringLiteral("DDV (20%)"), Label5},
                                                     {QStringLiteral("Za plačilo"), Label4}};
    for (int i = 0; i < rows.size(); ++i) {
        auto* label = caption(rows[i].first, page);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        totals->addWidget(label, i, 0);
        totals->addWidget(rows[i].second, i, 1);
    }

    auto* bottom = new QHBoxLayout;
    bottom->addLayout(options, 1);
    bottom->addLayout(totals);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(bottom);
    return page;
}

void Racun::setTabOrder() {
    const QList<QWidget*> chain = {
        Text1[0], Text1[11], Text1[12], Text1[1],  Text1[2], Text1[3],  Text1[4],  Command8,
        Text1[6], Text1[8],  Command7,  Text1[5],  Text1[9], Text1[10], Text1[13], Text1[14],
        Combo1,   Text1_7,   Text2,     Command3,  Command4, Command6,  Command5,  DBGrid1,
        Check1,   Check2,    Text3,     Text1[15], Check3,   Command2,  Command1};
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void Racun::connectHandlers() {
    for (int i = 0; i < HeaderBoxes; ++i) {
        if (i == RemarkBox)
            connect(Text1_7, &QPlainTextEdit::textChanged, this,
                    [this] { onHeaderChanged(RemarkBox); });
        else
            connect(Text1[i], &QLineEdit::textChanged, this, [this, i] { onHeaderChanged(i); });
    }
    connect(Text2, &QLineEdit::textChanged, this, [this] { Modified = true; });
    connect(Combo1, &QComboBox::currentIndexChanged, this, [this] { Modified = true; });
    connect(Check3, &QCheckBox::toggled, this, &Racun::onPaidToggled);
    connect(Command7, &QPushButton::clicked, this, &Racun::onCalendar);
    connect(Command1, &QPushButton::clicked, this, &Racun::save);
    connect(Command3, &QPushButton::clicked, this, &Racun::onAddOperations);
    connect(Command4, &QPushButton::clicked, this, &Racun::onDeleteLine);
    connect(Command5, &QPushButton::clicked, this, &Racun::recalculateAndShow);
    connect(Command6, &QPushButton::clicked, this, &Racun::onSurchargeToAll);
    connect(Check1, &QCheckBox::clicked, this, &Racun::onUnifiedReportClicked);
    connect(Check2, &QCheckBox::clicked, this, &Racun::onLumpSumClicked);
    connect(Timer1, &QTimer::timeout, this, &Racun::onTimer);
    // A click into the grid counts as a change, and so does a typed cell
    // that was reached with the keyboard.
    connect(DBGrid1, &BoundGrid::gridClicked, this, [this] { Modified = true; });
    connect(DBGrid1->itemDelegate(), &QAbstractItemDelegate::commitData, this,
            [this] { Modified = true; });
    connect(DBGrid1->listModel(), &BoundListModel::writeFailed, this,
            [this](const QString& error) { Msg::critical(this, error, DatabaseErrorTitle); });
}

// ---------------------------------------------------------------------------
// Loading

QString Racun::headerText(int index) const {
    if (index == RemarkBox)
        return Text1_7->toPlainText();
    if (index < 0 || index >= HeaderBoxes)
        return {};
    return Text1[index]->text();
}

void Racun::setHeaderText(int index, const QString& text) {
    if (index == RemarkBox)
        Text1_7->setPlainText(text);
    else if (index >= 0 && index < HeaderBoxes)
        Text1[index]->setText(text);
}

Recordset* Racun::lines() const { return DBGrid1->recordset(); }

void Racun::FillStaffList() {
    Combo1->clear();
    auto rs = m_db->openRecordset(QStringLiteral("SELECT * FROM tblSestavljavci ORDER BY Ime"),
                                RecordsetKind::Snapshot);
    if (!rs)
        return;
    // A staff row without a name is still offered, as an empty entry.
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        Combo1->addItem(NullToStr(rs->field(QStringLiteral("Ime"))),
                        rs->field(QStringLiteral("ID")));
}

void Racun::SelectStaff(const QVariant& id) {
    const double wanted = NumberOrZero(id);
    for (int i = 0; i < Combo1->count(); ++i)
        if (NumberOrZero(Combo1->itemData(i)) == wanted)
            Combo1->setCurrentIndex(i);
}

bool Racun::load() {
    if (!m_db || !m_work) {
        Msg::critical(this, QStringLiteral("Baza podatkov ni odprta."),
                      QStringLiteral("Ne bo šlo"));
        return false;
    }
    BoundListModel* model = DBGrid1->listModel();
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

    if (!m_work->execute(QStringLiteral("DELETE FROM tblTarifePregled"))) {
        Msg::critical(this, m_work->lastError(), DatabaseErrorTitle);
        return false;
    }
    Mode = OpenMode;
    Loading = true;
    OriginalNumber.clear();
    FillStaffList();
    Combo1->setCurrentIndex(-1);

    bool ok = true;
    if (Mode == 1 || Mode == 2)
        ok = loadFromList();
    if (ok && Mode != 1)
        ok = loadNewInvoiceDefaults();

    refreshLines();
    // The description takes what room there is; the numbers keep theirs.
    QHeaderView* header = DBGrid1->horizontalHeader();
    header->setStretchLastSection(false);
    for (int column : {ColTariff, ColPoints, ColQuantity, ColSurcharge, ColAmount})
        header->resizeSection(column, column == ColAmount || column == ColTariff ? 115 : 80);
    header->setSectionResizeMode(ColOperation, QHeaderView::Stretch);
    Loading = false;
    Modified = false;
    return ok;
}

bool Racun::loadFromList() {
    Recordset* list = m_invoiceList ? m_invoiceList->recordset() : nullptr;
    if (!list || list->eof() || list->bof()) {
        if (Mode == 2)
            return true; // nobody to copy: a new invoice with empty customer boxes
        Msg::critical(this, QStringLiteral("Ni izbranega računa."), QStringLiteral("Ne bo šlo"));
        return false;
    }
    auto f = [list](const char* name) { return list->field(QString::fromLatin1(name)); };
    if (Mode == 1) {
        OriginalNumber = NullTrim(f("StevilkaRacuna"));
        Text1[0]->setText(OriginalNumber);
        Text1[8]->setText(dateBoxText(f("Datum")));
        Text1[11]->setText(NullTrim(f("Delovisce")));
        Text1[12]->setText(NullTrim(f("Zadeva")));
        Text1[15]->setText(numberBoxText(f("Veljavnost")));
        Text3->setText(numberBoxText(f("ProcentPavsala")));
        LoadLinesResult loaded = LoadLines(*m_db, *m_work, f("ID").toLongLong(), Text3->text());
        if (!loaded.ok)
            Msg::critical(this, loaded.error, DatabaseErrorTitle);
        if (loaded.hasLumpSumLine) {
            Check2->setChecked(true);
            Text3->setEnabled(false);
        }
        if (loaded.hasExpenseLine)
            Check2->setEnabled(false);
        SelectStaff(NullToZero(f("Sestavljavec")));
        if (f("EnotenElaborat").toBool())
            Check1->setChecked(true);
        if (f("Placan").toBool())
            Check3->setChecked(true);
        Text2->setText(numberBoxText(f("VrednostTocke")));
    }
    Text1[1]->setText(NullTrim(f("Ime")));
    Text1[2]->setText(NullTrim(f("Naslov")));
    Text1[3]->setText(NullTrim(f("PST")));
    Text1[4]->setText(NullTrim(f("Posta")));
    Text1[5]->setText(NullTrim(f("Telefon")));
    Text1[6]->setText(NullTrim(f("KontaktnaOseba")));
    Text1_7->setPlainText(NullTrim(f("Opombe")));
    Text1[9]->setText(NullTrim(f("Faks")));
    Text1[10]->setText(NullTrim(f("Email")));
    Text1[13]->setText(NullTrim(f("Davcna")));
    Text1[14]->setText(NullTrim(f("TRR")));
    return true;
}

bool Racun::loadNewInvoiceDefaults() {
    Text1[8]->setText(dateText(today()));
    auto settings = m_db->openRecordset(QStringLiteral("tblNastavitve"), RecordsetKind::Table);
    if (!settings || settings->recordCount() == 0) {
        // Without the settings there is no number to propose: better no
        // editor than an invoice numbered by chance.
        Msg::critical(this,
                      QStringLiteral("Manjkajo nastavitve računa (vrednost točke, veljavnost in "
                                     "števec računov). Vnesi jih v nastavitvah računa in poskusi "
                                     "znova."),
                      QStringLiteral("Napaka v podatkih"));
        return false;
    }
    settings->moveFirst();
    Text2->setText(numberBoxText(settings->field(QStringLiteral("VrednostTocke"))));
    Text1[15]->setText(numberBoxText(settings->field(QStringLiteral("Veljavnost"))));
    const double counter = NumberOrZero(settings->field(QStringLiteral("StRacuna")));
    Text1[0]->setText(proposeNumber(today().year(), counter));
    return true;
}

void Racun::refreshLines() {
    DBGrid1->refresh();
    if (Recordset* rs = lines()) {
        rs->setIndex(QStringLiteral("Red"));
        rs->moveFirst();
    }
    DBGrid1->syncFromRecordset();
}

void Racun::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_timerStarted) {
        m_timerStarted = true;
        Timer1->start();
    }
}

void Racun::onTimer() {
    Timer1->stop();
    if (Recordset* rs = lines())
        rs->setIndex(QStringLiteral("Red"));
    recalculateAndShow();
}

// ---------------------------------------------------------------------------
// Pricing

void Racun::recalculateAndShow() {
    DBGrid1->commitEdit();
    Recordset* rs = lines();
    if (!rs)
        return;
    PricingInput input;
    input.pointValueText = Text2->text();
    input.lumpSum = Check2->isChecked();
    input.percentText = Text3->text();
    input.unifiedReport = Check1->isChecked();
    PricingResult result = recalculate(*rs, input);
    if (Text3->text() != result.percentText)
        Text3->setText(result.percentText);
    if (result.percentCapped)
        Msg::information(this,
                         QStringLiteral("Proccent pavšalnega obračuna stroškov sem zmanjšal na "
                                        "dovoljenih 10%"),
                         QStringLiteral("Požrešneš"));
    LumpSumAmount = result.lumpSumAmount;
    Label11->setText(pointsCaption(result.points));
    Label7->setText(moneyCaption(result.total));
    Label5->setText(moneyCaption(result.vat));
    Label4->setText(moneyCaption(result.total + result.vat));
    DBGrid1->syncFromRecordset();
    if (!result.ok)
        Msg::critical(this, result.error, DatabaseErrorTitle);
    if (result.surchargeCapped)
        Msg::information(this,
                         QStringLiteral("Povišek je omejen na 50 %! Previsoke poviške sem zato "
                                        "zmanjšal na 50."),
                         QStringLiteral("Previsoki poviški"));
}

void Racun::onLumpSumClicked() {
    if (Loading)
        return;
    const bool ticked = Check2->isChecked();
    if (ticked && leadingNumber(Text3->text()) == 0)
        Text3->setText(QStringLiteral("10"));
    Text3->setEnabled(!ticked);
    recalculateAndShow();
    bool ok = true;
    const bool added = toggleLumpSumLine(*m_work, LumpSumAmount, Text3->text(), &ok);
    if (!ok)
        Msg::critical(this, m_work->lastError(), DatabaseErrorTitle);
    refreshLines();
    recalculateAndShow();
    if (added)
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
    Check1->setChecked(ticked);
    onUnifiedReportClicked();
}

void Racun::askUnifiedReport() {
    Recordset* rs = lines();
    if (!rs)
        return;
    switch (checkUnifiedReport(*rs, Check1->isChecked())) {
    case UnifiedReportQuestion::AskTick:
        if (Msg::question(this,
                          QStringLiteral("Ali si izdelal en elaborat in bi pravzaprav rad "
                                         "odkljukal 70 %?"),
                          QStringLiteral("Vprašanje")))
            setUnifiedReport(true);
        break;
    case UnifiedReportQuestion::AskUntick:
        if (Msg::question(this,
                          QStringLiteral("Na računu je samo ena geodetska storitev. Si mogoče "
                                         "70 % vrednost elaborata obračunal pomotoma?"),
                          QStringLiteral("Vprašanje")))
            setUnifiedReport(false);
        break;
    case UnifiedReportQuestion::None:
        break;
    }
    DBGrid1->syncFromRecordset();
}

void Racun::onSurchargeToAll() {
    Recordset* rs = lines();
    if (!rs || rs->recordCount() == 0)
        return;
    surchargeToAll(*rs); // a failing step is skipped; the prices follow anyway
    // The surcharges may have been written behind the record set's back:
    // read the lines again before pricing them.
    rs->setIndex(QStringLiteral("Red"));
    recalculateAndShow();
    rs->setIndex(QStringLiteral("Red"));
    DBGrid1->syncFromRecordset();
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
    AddOperationsResult result = addPickedOperations(*m_db, *m_work, Check2->isChecked());
    if (!result.ok)
        Msg::critical(this, result.error, DatabaseErrorTitle);
    if (result.addedExpenseLine)
        Check2->setEnabled(false);
    if (result.added > 0)
        Modified = true;
    refreshLines();
    if (result.stoppedAtExpense)
        Msg::information(this, QStringLiteral("Stroški so že obračunani pavšalno!"),
                         QStringLiteral("Lakomnež"));
}

void Racun::onDeleteLine() {
    Recordset* rs = lines();
    if (!rs || rs->recordCount() == 0)
        return;
    if (!Msg::question(this, QStringLiteral("Bi res rad izbrisal izbrano opravilo?"),
                       QStringLiteral("Vprašanje")))
        return;
    if (DBGrid1->currentRow() < 0)
        return;
    if (NumberOrZero(rs->field(QStringLiteral("TS1"))) == LumpSumService) {
        // The lump-sum line belongs to its option: unticking removes it.
        Check2->setChecked(false);
        onLumpSumClicked();
        return;
    }
    rs->deleteCurrent();
    rs->moveNext();
    if (rs->eof())
        rs->moveLast();
    const QVariant ts1 = rs->field(QStringLiteral("TS1"));
    const QVariant ts2 = rs->field(QStringLiteral("TS2"));
    recalculateAndShow();
    if (rs->recordCount() > 0) {
        rs->seek(QStringLiteral("="), {ts1, ts2});
        if (rs->noMatch())
            rs->moveLast();
        DBGrid1->syncFromRecordset();
    }
    Modified = true;
    if (!Check2->isEnabled() && !hasExpenseLines(*m_work))
        Check2->setEnabled(true);
}

// ---------------------------------------------------------------------------
// Header and small behaviours

void Racun::onHeaderChanged(int index) {
    Modified = true;
    if (Loading || index != 3)
        return;
    const QString code = Text1[3]->text();
    if (code.size() != 4)
        return;
    auto posts = m_db->openRecordset(QStringLiteral("tbPoste"), RecordsetKind::Table);
    if (!posts || !posts->setIndex(QStringLiteral("Stev")))
        return;
    posts->seek(QStringLiteral("="), {leadingNumber(code)});
    if (!posts->noMatch())
        Text1[4]->setText(NullToStr(posts->field(QStringLiteral("Posta"))));
}

void Racun::onPaidToggled(bool ticked) {
    QPalette pal = Check3->palette();
    const QColor face = palette().color(QPalette::Button);
    const QColor colour = ticked ? QColor(192, 255, 192) : face;
    pal.setColor(QPalette::Window, colour);
    pal.setColor(Check3->backgroundRole(), colour);
    Check3->setPalette(pal);
}

void Racun::onCalendar() {
    CalendarTarget = 0;
    {
        Calendar calendar(Calendar::targetFor(CalendarTarget, Text1[8], nullptr), this);
        calendar.exec();
    }
    Text1[8]->setFocus();
}

// ---------------------------------------------------------------------------
// Saving and closing

bool Racun::save() {
    DBGrid1->commitEdit();
    askUnifiedReport();

    Recordset* list = m_invoiceList ? m_invoiceList->recordset() : nullptr;
    Recordset* rs = lines();
    if (!list || !rs) {
        Msg::critical(this,
                      QStringLiteral("Seznam računov ni odprt, zato računa ne morem shraniti."),
                      QStringLiteral("Ne bo šlo"));
        return false;
    }
    InvoiceHeader header;
    for (int i = 0; i < HeaderBoxes; ++i)
        header.text1 << headerText(i);
    header.staffId = Combo1->currentIndex() >= 0 ? Combo1->currentData().toLongLong() : 0;
    header.unifiedReport = Check1->isChecked();
    header.paid = Check3->isChecked();
    header.percentText = Text3->text();
    header.pointValueText = Text2->text();

    SaveResult result = saveInvoice(*m_db, *list, *rs, Mode, OriginalNumber, header);
    if (result.outcome != SaveOutcome::Saved) {
        QString text = saveMessageText(result.outcome);
        if (result.outcome == SaveOutcome::EngineError && !result.error.isEmpty())
            text = text.isEmpty() ? result.error : text + u'\n' + result.error;
        QString title = saveMessageTitle(result.outcome);
        Msg::critical(this, text, title.isEmpty() ? DatabaseErrorTitle : title);
        return false;
    }
    Modified = false;
    m_invoiceList->syncFromRecordset();
    accept();
    return true;
}

void Racun::reject() {
    if (!mayClose())
        return;
    QDialog::reject();
}

bool Racun::mayClose() {
    DBGrid1->commitEdit();
    if (!Modified)
        return true;
    if (!Msg::question(this, QStringLiteral("Si morda nehote pozabil shraniti spremembe?"),
                       QStringLiteral("Majhna pozornost")))
        return true;
    // A refused save keeps the window open with everything typed, so that
    // nothing is lost without the user knowing.
    save(); // on success the save has closed the window already
    return false;
}

} // namespace valmir
