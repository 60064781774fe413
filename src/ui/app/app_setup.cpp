#include "app_setup.h"

#include "view/symbol_font.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

namespace qorn {

void setupApplication(QApplication& app) {
    QCoreApplication::setOrganizationName(QStringLiteral("QORN"));
    QCoreApplication::setApplicationName(QStringLiteral("QORN"));

    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);

    installFontSubstitutions();
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPointSize(9);
    QApplication::setFont(font);
}

} // namespace qorn
