#include "ui/keysdialog.h"

#include <QHeaderView>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <limits>

#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

#include "calc/keyhelp.h"
#include "calc/keys.h"
#include "ui/appinfo.h"

namespace {

QString text(const char* s) { return s != nullptr ? QString::fromUtf8(s) : QString(); }

QString text(const std::string& s) { return QString::fromStdString(s); }

// The window's commands that have keys of their own, after the keypad.
struct commandhelp {
    const char* name;
    const char* keyboard;
    const char* meaning;
};
const commandhelp commandhelps[] = {
    {"Copy", "Ctrl+C", "Copy the number shown, without group separators"},
    {"Paste", "Ctrl+V", "Type the clipboard's numbers and operators"},
    {"Precision", "Ctrl+D", "Set the number of significant digits, 1 to 6000"},
    {"History", "Ctrl+H",
     "Show or hide the calculations of this session; Enter on one makes its result the "
     "current value"},
};

}  // namespace

KeysDialog::KeysDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("%1 Keys").arg(QString::fromLatin1(APPLICATION_NAME)));
    setModal(false);
    setObjectName(QStringLiteral("keys"));

    // Every key of the keypad, then the bit keys of the bit view in one row,
    // then the window's commands that have keys of their own.
    const int commands = static_cast<int>(std::size(commandhelps));
    m_table = new QTableWidget(keyhelpcount + 1 + commands, 5, this);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Key"), QStringLiteral("Keyboard"),
                                        QStringLiteral("What it does"), QStringLiteral("With Inv"),
                                        QStringLiteral("With Hyp")});
    m_table->setAccessibleName(QStringLiteral("Keys"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(true);
    m_table->verticalHeader()->hide();
    for (int row = 0; row <= keyhelpcount; ++row) {
        const keyhelp& h = row < keyhelpcount ? keyhelps[row] : bitkeyshelp;
        const QString name = row < keyhelpcount ? text(keyname(h.code)) : text(BITKEYSNAMES);
        const QString cells[] = {name, text(keyboardtext(h.code)), text(h.meaning), text(h.inverse),
                                 text(h.hyperbolic)};
        for (int column = 0; column < 5; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            m_table->setItem(row, column, item);
        }
        m_table->item(row, 0)->setData(Qt::AccessibleTextRole, text(h.name));
    }
    for (int i = 0; i < commands; ++i) {
        const commandhelp& h = commandhelps[i];
        const QString cells[] = {text(h.name), text(h.keyboard), text(h.meaning)};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            m_table->setItem(keyhelpcount + 1 + i, column, item);
        }
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

QPoint besideplace(const QRect& screen, const QRect& window, const QSize& size)
{
    // A place kept on the screen, as far as the window's size allows.
    auto onscreen = [&](int x, int y) {
        x = std::max(screen.left(), std::min(x, screen.right() + 1 - size.width()));
        y = std::max(screen.top(), std::min(y, screen.bottom() + 1 - size.height()));
        return QPoint(x, y);
    };
    const int xs[] = {window.right() + 1, window.left() - size.width(), screen.right() + 1,
                      screen.left() - size.width()};
    const int ys[] = {window.top(), window.bottom() + 1, window.top() - size.height(), screen.top(),
                      screen.bottom() + 1};
    QPoint best;
    long long bestcover = std::numeric_limits<long long>::max();
    long long bestgap = 0;
    for (int y : ys) {
        for (int x : xs) {
            const QPoint at = onscreen(x, y);
            const QRect place(at, size);
            const QRect covered = place.intersected(window);
            const long long cover =
                covered.isEmpty() ? 0 : static_cast<long long>(covered.width()) * covered.height();
            // How far it stands from the window: 0 beside it.
            const long long gap = std::max({0, window.left() - place.right() - 1,
                                            place.left() - window.right() - 1}) +
                                  std::max({0, window.top() - place.bottom() - 1,
                                            place.top() - window.bottom() - 1}) +
                                  std::abs(place.top() - window.top());
            if (cover < bestcover || (cover == bestcover && gap < bestgap)) {
                best = at;
                bestcover = cover;
                bestgap = gap;
            }
        }
    }
    return best;
}
