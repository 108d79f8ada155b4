#include "ui/AppIcon.h"

static void initGuiResource() { Q_INIT_RESOURCE(gui); }

namespace valmir {

QIcon appIcon() {
    // The resource lives in a static library: nothing would pull it in
    // unless it is registered by hand.
    static const bool registered = (initGuiResource(), true);
    Q_UNUSED(registered);
    return QIcon(QStringLiteral(":/icons/valmir.svg"));
}

} // namespace valmir
