#include "app/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace valmir {

namespace {

// Qt 6 asks for the texts of standard buttons under "QPlatformTheme", but
// the Slovenian translation still carries them under "QDialogButtonBox",
// where Qt kept them before. Those are the same buttons, so they are looked
// up there when the newer context has none.
class SlovenianQtTexts : public QTranslator {
public:
    bool load() {
        return m_qt.load(QLocale(QLocale::Slovenian, QLocale::Slovenia), QStringLiteral("qt"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    }
    bool isEmpty() const override { return m_qt.isEmpty(); }
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override {
        QString text = m_qt.translate(context, source, disambiguation, n);
        if (text.isEmpty() && qstrcmp(context, "QPlatformTheme") == 0)
            text = m_qt.translate("QDialogButtonBox", source, disambiguation, n);
        return text;
    }

private:
    QTranslator m_qt;
};

} // namespace

bool installQtTranslation(QCoreApplication& app) {
    // One translator for the whole run, whichever application asks first.
    static SlovenianQtTexts* texts = nullptr;
    if (!texts) {
        auto* loaded = new SlovenianQtTexts;
        if (!loaded->load()) {
            delete loaded;
            return false;
        }
        texts = loaded;
    }
    return app.installTranslator(texts);
}

} // namespace valmir
