#include "ui/keysdialog.h"

#include <QHeaderView>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

#include "calc/keyhelp.h"
#include "calc/keys.h"
#include "ui/appinfo.h"

namespace {

QString text(const char* s) { return s != nullptr ? QString::fromUtf8(s) : QString(); }

QString text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

KeysDialog::KeysDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("%1 Keys").arg(QString::fromLatin1(applicationname)));
    setModal(false);
    setObjectName(QStringLiteral("keys"));

    m_table = new QTableWidget(keyhelpcount, 5, this);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Key"), QStringLiteral("Keyboard"),
                                        QStringLiteral("What it does"), QStringLiteral("With Inv"),
                                        QStringLiteral("With Hyp")});
    m_table->setAccessibleName(QStringLiteral("Keys"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(true);
    m_table->verticalHeader()->hide();
    for (int row = 0; row < keyhelpcount; ++row) {
        const keyhelp& h = keyhelps[row];
        const QString cells[] = {text(keyname(h.code)), text(keyboardtext(h.code)), text(h.meaning),
                                 text(h.inverse), text(h.hyperbolic)};
        for (int column = 0; column < 5; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            m_table->setItem(row, column, item);
        }
        m_table->item(row, 0)->setData(Qt::AccessibleTextRole, text(h.name));
    }
    // Widths in average characters: the long texts wrap in their columns.
    QHeaderView* header = m_table->horizontalHeader();
    const int letter = fontMetrics().averageCharWidth();
    const int widths[] = {14, 22, 46, 26, 30};
    for (int column = 0; column < 5; ++column) {
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        m_table->setColumnWidth(column, widths[column] * letter);
    }
    header->setSectionResizeMode(2, QHeaderView::Stretch);
    m_table->resizeRowsToContents();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    resize(142 * letter, 48 * fontMetrics().height());
}
