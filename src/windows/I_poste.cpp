#include "windows/I_poste.h"

#include "ui/MessageBox.h"
#include "text/Module1.h"
#include "codelists/PostOfficeSearch.h"
#include "text/Messages.h"
#include "ui/BoundGrid.h"
#include "data/Recordset.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace valmir {

namespace {

enum Column { ColPostcode, ColPlace };
const QString SortMark = QStringLiteral("<< ");

bool movesInList(int key) {
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
           key == Qt::Key_PageDown;
}

} // namespace

I_poste::I_poste(const AppContext& context, QLineEdit* postcodeBox, QWidget* parent)
    : QDialog(parent), m_target(postcodeBox) {
    setObjectName(QStringLiteral("I_poste"));
    setWindowTitle(QStringLiteral("Poštna številka in kraj"));
    setModal(true);
    setSizeGripEnabled(true);

    m_postcodeEdit = new QLineEdit(this);
    m_postcodeEdit->setObjectName(QStringLiteral("Text1"));
    m_postcodeEdit->setMaximumWidth(90);
    m_placeEdit = new QLineEdit(this);
    m_placeEdit->setObjectName(QStringLiteral("Text2"));
    m_okButton = new QPushButton(QStringLiteral("ok"), this);
    m_okButton->setObjectName(QStringLiteral("Command1"));
    // Enter in either box chooses the post office found.
    m_okButton->setDefault(true);

    m_postOfficeGrid = new BoundGrid(this);
    m_postOfficeGrid->setObjectName(QStringLiteral("DBGrid1"));
    m_postOfficeGrid->setTabKeyNavigation(false);
    BoundListModel* model = m_postOfficeGrid->listModel();
    model->setObjectName(QStringLiteral("Data1"));
    model->setDatabase(context.db);
    model->setRecordSource(QStringLiteral("tbPoste"));
    model->setColumns({{QStringLiteral("Poštna št."), QStringLiteral("Stev"), {}},
                       {SortMark + QStringLiteral("Kraj"), QStringLiteral("Posta"), {}}});
    m_postOfficeGrid->horizontalHeader()->resizeSection(ColPostcode, 90);
    m_postOfficeGrid->rememberColumns();

    m_openTimer = new QTimer(this);
    m_openTimer->setObjectName(QStringLiteral("Timer1"));
    m_openTimer->setInterval(1);
    m_openTimer->setSingleShot(true);
    m_clickTimer = new QTimer(this);
    m_clickTimer->setObjectName(QStringLiteral("Timer2"));
    m_clickTimer->setInterval(1);
    m_clickTimer->setSingleShot(true);

    auto* top = new QHBoxLayout;
    top->addWidget(m_postcodeEdit);
    top->addWidget(m_placeEdit, 1);
    top->addWidget(m_okButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_postOfficeGrid, 1);
    setTabOrder(m_postcodeEdit, m_placeEdit);
    setTabOrder(m_placeEdit, m_okButton);
    setTabOrder(m_okButton, m_postOfficeGrid);
    resize(380, 420);

    connect(m_postcodeEdit, &QLineEdit::textChanged, this, &I_poste::onPostcodeTyped);
    connect(m_placeEdit, &QLineEdit::textChanged, this, &I_poste::onPlaceTyped);
    connect(m_okButton, &QPushButton::clicked, this, &I_poste::onOk);
    connect(m_postOfficeGrid, &BoundGrid::headerClicked, this, &I_poste::orderBy);
    connect(m_postOfficeGrid, &BoundGrid::gridClicked, m_clickTimer,
            qOverload<>(&QTimer::start));
    // Enter or a double-click on a row chooses it.
    connect(m_postOfficeGrid, &BoundGrid::rowActivated, this, &I_poste::onOk);
    connect(m_openTimer, &QTimer::timeout, this, &I_poste::onOpenTimer);
    connect(m_clickTimer, &QTimer::timeout, this, &I_poste::onClickTimer);
    m_postcodeEdit->installEventFilter(this);
    m_placeEdit->installEventFilter(this);
    m_postOfficeGrid->installEventFilter(this);

    if (context.db && !m_postOfficeGrid->refresh()) {
        const QString error = model->lastError();
        QTimer::singleShot(0, this, [this, error] {
            Msg::critical(this, Messages::PostOfficesNotRead, error);
        });
    }
}

I_poste::~I_poste() = default;

Recordset* I_poste::posts() const { return m_postOfficeGrid->recordset(); }

void I_poste::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous() && m_orderings == 0)
        m_openTimer->start();
}

void I_poste::onOpenTimer() {
    if (Recordset* rs = posts())
        rs->setIndex(QStringLiteral("Posta"));
    // Entering the place box orders the list by place. Where the window is
    // not active the box gets no focus event, so the ordering runs here.
    const int before = m_orderings;
    m_placeEdit->setFocus(Qt::OtherFocusReason);
    if (m_orderings == before)
        orderBy(ColPlace);
}

bool I_poste::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && (watched == m_postcodeEdit || watched == m_placeEdit)) {
        // Coming back to the window (or from a menu) is no entering of the
        // box: what was typed stays.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            orderBy(watched == m_postcodeEdit ? ColPostcode : ColPlace);
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (movesInList(key) && (watched == m_postcodeEdit || watched == m_placeEdit)) {
            // The arrow keys in a box walk the list, as clicks would.
            QCoreApplication::sendEvent(m_postOfficeGrid, event);
            m_clickTimer->start();
            return true;
        }
        if (watched == m_postOfficeGrid && (movesInList(key) || key == Qt::Key_Home ||
                                            key == Qt::Key_End))
            m_clickTimer->start();
    }
    return QDialog::eventFilter(watched, event);
}

void I_poste::orderBy(int column) {
    Recordset* rs = posts();
    if (!rs)
        return;
    ++m_orderings;
    if (column == m_sortColumn) {
        // Both boxes start empty: the search that emptying the place box
        // would run only goes to the first row, where the list goes anyway.
        setQuietly(m_postcodeEdit, QString());
        setQuietly(m_placeEdit, QString());
        rs->moveFirst();
        showCurrentRow();
        return;
    }
    BoundListModel* model = m_postOfficeGrid->listModel();
    model->setCaption(m_sortColumn, model->caption(m_sortColumn).mid(SortMark.size()));
    m_sortColumn = column;
    model->setCaption(column, SortMark + model->caption(column));
    m_quiet = true;
    rs->setIndex(column == ColPostcode ? QStringLiteral("Stev") : QStringLiteral("Posta"));
    showCurrentRow();
    m_postcodeEdit->clear();
    m_placeEdit->clear();
    m_quiet = false;
}

void I_poste::onPostcodeTyped() {
    Recordset* rs = posts();
    if (m_quiet || !rs)
        return;
    const double postcode = widenedPostcode(m_postcodeEdit->text());
    if (postcode == 0)
        return;
    seekAtLeast(*rs, postcode);
    showCurrentRow();
    setQuietly(m_placeEdit, NullToStr(rs->field(QStringLiteral("Posta"))));
}

void I_poste::onPlaceTyped() {
    Recordset* rs = posts();
    if (m_quiet || !rs)
        return;
    seekAtLeast(*rs, m_placeEdit->text());
    showCurrentRow();
    setQuietly(m_postcodeEdit, postcodeText(rs->field(QStringLiteral("Stev"))));
}

void I_poste::onClickTimer() {
    Recordset* rs = posts();
    if (!rs || rs->recordCount() == 0)
        return;
    setQuietly(m_postcodeEdit, postcodeText(rs->field(QStringLiteral("Stev"))));
    setQuietly(m_placeEdit, NullToStr(rs->field(QStringLiteral("Posta"))));
}

void I_poste::onOk() {
    // With no row, or a row that could not be read, the invoice form keeps
    // what it had rather than getting an empty postcode.
    Recordset* rs = posts();
    if (m_target && rs && m_postOfficeGrid->currentRow() >= 0) {
        rs->clearReadError();
        const QVariant postcode = rs->field(QStringLiteral("Stev"));
        if (!rs->readFailed() && !postcode.isNull())
            m_target->setText(postcodeText(postcode));
    }
    accept();
}

void I_poste::showCurrentRow() { m_postOfficeGrid->syncFromRecordset(); }

void I_poste::setQuietly(QLineEdit* box, const QString& text) {
    m_quiet = true;
    box->setText(text);
    m_quiet = false;
}

} // namespace valmir
