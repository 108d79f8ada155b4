#include "windows/Nov_racun.h"

#include "text/Module1.h"
#include "ui/HandOver.h"

#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace valmir {

Nov_racun::Nov_racun(const QString& customerName, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Nov_racun"));
    setWindowTitle(QStringLiteral("Podvprašanje"));
    setModal(true);
    // Closing the question by its window button must cancel the new invoice.
    OpenMode = -1;

    auto* frame = new QGroupBox(QStringLiteral(" Za koga naj ustvarim nov račun? "), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* forNew = new QPushButton(QStringLiteral("Za novega naročnika"), frame);
    forNew->setObjectName(QStringLiteral("Command1"));
    auto* forSame = new QPushButton(QStringLiteral("Za ") + customerName, frame);
    forSame->setObjectName(QStringLiteral("Command2"));
    forSame->setToolTip(customerName);
    forNew->setDefault(true);
    forNew->setMinimumWidth(260);

    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(forNew);
    frameLayout->addWidget(forSame);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(forNew, &QPushButton::clicked, this, [this] { choose(0); });
    connect(forSame, &QPushButton::clicked, this, [this] { choose(2); });
}

void Nov_racun::choose(int mode) {
    OpenMode = mode;
    accept();
}

} // namespace valmir
