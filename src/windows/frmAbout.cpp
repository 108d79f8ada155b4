#include "windows/frmAbout.h"

#include "text/Messages.h"
#include "ui/AppIcon.h"
#include "ui/MessageBox.h"
#include "windows/SystemInfo.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace valmir {

namespace {

QFrame* separator(QWidget* parent, int index) {
    auto* line = new QFrame(parent);
    line->setObjectName(QStringLiteral("Line1_%1").arg(index));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("O, avtorja!"));
    setModal(true);

    QLabel* icon = picture("picIcon", {}, 64);
    icon->setPixmap(appIcon().pixmap(64, 64));

    QLabel* title = label("lblTitle", QStringLiteral("VALMIR 2009"));
    QFont titleFont(QStringLiteral("Times New Roman"));
    titleFont.setStyleHint(QFont::Serif);
    titleFont.setPointSizeF(15.75);
    titleFont.setBold(true);
    titleFont.setItalic(true);
    title->setFont(titleFont);
    QLabel* version = label("lblVersion", QStringLiteral("Verzija  2009.1"));
    QLabel* description = label(
        "lblDescription", QStringLiteral("Če program deluje brezhibno, gre za golo slučajnost."));
    QLabel* responsible =
        label("Label1", QStringLiteral("Če pa se obnaša po pričakovanjih, sta za to odgovorna:"));

    auto* head = new QGridLayout;
    head->addWidget(icon, 0, 0, 4, 1, Qt::AlignTop);
    head->addWidget(title, 0, 1);
    head->addWidget(separator(this, 0), 1, 1);
    head->addWidget(version, 2, 1);
    head->addWidget(description, 3, 1);
    head->setColumnStretch(1, 1);
    head->setHorizontalSpacing(16);

    // The two authors, each with the first name above the surname, and
    // "in" between them.
    auto* authors = new QGridLayout;
    authors->addWidget(picture("Picture1", QStringLiteral(":/about/janez.svg"), 120), 0, 0,
                       Qt::AlignHCenter);
    authors->addWidget(picture("Picture2", QStringLiteral(":/about/mojca.svg"), 120), 0, 2,
                       Qt::AlignHCenter);
    authors->addWidget(label("Label2", QStringLiteral("Janez")), 1, 0, Qt::AlignHCenter);
    authors->addWidget(label("Label3", QStringLiteral("Točka")), 2, 0, Qt::AlignHCenter);
    authors->addWidget(label("Label6", QStringLiteral("in")), 1, 1, 2, 1, Qt::AlignCenter);
    authors->addWidget(label("Label4", QStringLiteral("Mojca")), 1, 2, Qt::AlignHCenter);
    authors->addWidget(label("Label5", QStringLiteral("Meja")), 2, 2, Qt::AlignHCenter);
    authors->setColumnStretch(0, 1);
    authors->setColumnStretch(2, 1);
    authors->setColumnMinimumWidth(1, 40);

    auto* sysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    sysInfo->setAutoDefault(false);
    connect(sysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(sysInfo);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(separator(this, 1));
    layout->addWidget(responsible);
    layout->addLayout(authors);
    layout->addWidget(separator(this, 2));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_closeOnClick = {icon, title, version, findChild<QLabel*>(QStringLiteral("Picture1")),
                      findChild<QLabel*>(QStringLiteral("Picture2"))};
}

QLabel* frmAbout::label(const char* name, const QString& text) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    l->installEventFilter(this);
    return l;
}

QLabel* frmAbout::picture(const char* name, const QString& resource, int width) {
    QLabel* l = label(name, {});
    if (!resource.isEmpty()) {
        const QIcon drawing(resource);
        l->setPixmap(drawing.pixmap(QSize(width, width * 5 / 4)));
    }
    return l;
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (m_closeOnClick.contains(watched))
            close();
        // A label that does not close the window keeps the click to itself
        // instead of passing it on to the window underneath.
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::mousePressEvent(QMouseEvent* event) {
    event->accept();
    close();
}

void frmAbout::StartSysInfo() {
    if (!startSystemInfoTool())
        Msg::notice(this, AboutMessages::SystemInfoUnavailable);
}

} // namespace valmir
