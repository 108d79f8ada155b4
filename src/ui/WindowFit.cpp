#include "ui/WindowFit.h"

#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QWindow>

namespace valmir {

namespace {

// Before the window system has framed a window its frame is not known:
// room is left for a title bar and borders of the usual size.
QMargins frameOf(QWidget* window) {
    const QRect frame = window->frameGeometry(), inner = window->geometry();
    const QMargins known(inner.left() - frame.left(), inner.top() - frame.top(),
                         frame.right() - inner.right(), frame.bottom() - inner.bottom());
    return known.isNull() ? QMargins(4, 32, 4, 4) : known;
}

// The window's layout and its controls move into a scroll area that
// fills the window.
void scrollContent(QWidget* window) {
    QLayout* layout = window->layout();
    if (!layout ||
        window->findChild<QScrollArea*>(QStringLiteral("fitScroll"), Qt::FindDirectChildrenOnly))
        return;
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("fitContent"));
    content->setLayout(layout); // takes the layout and its controls from the window
    auto* scroll = new QScrollArea(window);
    scroll->setObjectName(QStringLiteral("fitScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    auto* outer = new QVBoxLayout(window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
}

class WindowFitFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            const Qt::WindowType type = w->windowType();
            if (w->isWindow() && type != Qt::Popup && type != Qt::ToolTip &&
                type != Qt::SplashScreen)
                fitToScreen(w);
        }
        return false;
    }
};

} // namespace

void fitToScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QMargins frame = frameOf(window);
    const QSize room = area.size().shrunkBy(frame);
    if (window->width() > room.width() || window->height() > room.height()) {
        const QSize size = window->size().boundedTo(room);
        const QSize needed = window->minimumSizeHint().expandedTo(window->minimumSize());
        if ((needed.width() > size.width() || needed.height() > size.height()) &&
            !qobject_cast<QMainWindow*>(window))
            scrollContent(window);
        window->setMinimumSize(window->minimumSize().boundedTo(size));
        window->resize(size);
    }
    // A window placed by the program is kept on the screen; a dialog not
    // placed is centred over its parent within the screen when it shows.
    if (!window->testAttribute(Qt::WA_Moved))
        return;
    QRect placed = window->geometry().marginsAdded(frame);
    if (!area.contains(placed)) {
        placed.moveLeft(std::clamp(placed.left(), area.left(), area.right() - placed.width() + 1));
        placed.moveTop(std::clamp(placed.top(), area.top(), area.bottom() - placed.height() + 1));
        window->move(placed.topLeft());
    }
}

void installWindowFit() {
    static WindowFitFilter* filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new WindowFitFilter(qApp);
    qApp->installEventFilter(filter);
}

} // namespace valmir
