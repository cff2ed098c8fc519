#include "ui/aboutdialog.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "calc/calculator.h"
#include "ui/appinfo.h"
#include "ui/dialogtemplate.h"

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About %1").arg(QString::fromLatin1(APPLICATION_NAME)));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    const dialogunits units(font());
    setFixedSize(units.mapx(303), units.mapy(65));

    // The icon at its natural size, as a dialog's icon control shows it.
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    const int size = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/zelk-calculator.svg"))
                        .pixmap(QSize(size, size), devicePixelRatioF()));
    icon->setGeometry(units.mapx(11), units.mapy(17), size, size);

    auto* version = new QLabel(
        QStringLiteral("%1 Version %2 by the %1 developers")
            .arg(QString::fromLatin1(APPLICATION_NAME), QString::fromLatin1(APPLICATION_VERSION)),
        this);
    placestatic(version, units, 40, 10, 193, 8);

    auto* note = new QLabel(QStringLiteral("%1 to %2 significant decimal digits")
                                .arg(Calculator::MINPRECISION)
                                .arg(Calculator::MAXPRECISION),
                            this);
    placestatic(note, units, 40, 25, 119, 8);

    auto* licence = new QLabel(QStringLiteral("Free software under the MIT License"), this);
    placestatic(licence, units, 40, 40, 150, 8);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    ok->setGeometry(units.map(246, 7, 50, 14));
    connect(ok, &QPushButton::clicked, this, &AboutDialog::accept);
}
