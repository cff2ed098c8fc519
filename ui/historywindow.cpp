#include "ui/historywindow.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QVBoxLayout>

#include <unordered_set>

#include "ui/appinfo.h"

namespace {

// The list's size in average characters and in entries of two lines.
constexpr int WIDTH_CHARACTERS = 40;
constexpr int HEIGHT_ENTRIES = 12;

QString text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

HistoryWindow::HistoryWindow(Recall recall, std::function<void()> hidden, QWidget* parent)
    : QDialog(parent), m_recall(std::move(recall)), m_hidden(std::move(hidden))
{
    setWindowTitle(QStringLiteral("%1 History").arg(QString::fromLatin1(APPLICATION_NAME)));
    setModal(false);
    setObjectName(QStringLiteral("history"));

    m_list = new QListWidget(this);
    m_list->setAccessibleName(QStringLiteral("History"));
    m_list->setAccessibleDescription(
        QStringLiteral("The calculations of this session, the newest last. Enter makes the "
                       "selected result the current value; the context menu copies it"));
    m_list->setToolTip(QStringLiteral("The calculations of this session. Enter or a double click "
                                      "makes a result the current value with all its digits; "
                                      "right-click to copy the expression or the result"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setWordWrap(false);
    m_list->setTextElideMode(Qt::ElideRight);
    // Every entry is two lines: the list never measures the long ones.
    m_list->setUniformItemSizes(true);
    m_list->setAlternatingRowColors(true);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    // A double click and Enter recall, each once; activation, which some
    // styles give a single click, does not.
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { recallrow(m_list->row(item)); });
    m_list->installEventFilter(this);
    connect(m_list, &QListWidget::customContextMenuRequested, this, &HistoryWindow::contextmenu);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    resize(WIDTH_CHARACTERS * fontMetrics().averageCharWidth(),
           HEIGHT_ENTRIES * 2 * fontMetrics().lineSpacing());
}

void HistoryWindow::showhistory(const std::shared_ptr<const historylist>& list)
{
    if (list == m_shown || list == nullptr)
        return;
    m_shown = list;
    std::unordered_set<std::uint64_t> kept;
    kept.reserve(list->size());
    for (const auto& e : *list)
        kept.insert(e->serial);
    for (int row = static_cast<int>(m_entries.size()) - 1; row >= 0; --row) {
        if (!kept.contains(m_entries[static_cast<std::size_t>(row)]->serial)) {
            delete m_list->takeItem(row);
            m_entries.erase(m_entries.begin() + row);
        }
    }
    // Serial numbers grow through the session: the new entries are those
    // after the last one shown.
    const std::uint64_t last = m_entries.empty() ? 0 : m_entries.back()->serial;
    bool added = false;
    for (const auto& e : *list) {
        if (e->serial <= last)
            continue;
        auto* item = new QListWidgetItem(text(e->expression) + QLatin1Char('\n') + text(e->result));
        item->setData(Qt::AccessibleTextRole, text(e->spoken));
        m_list->addItem(item);
        m_entries.push_back(e);
        added = true;
    }
    if (added)
        m_list->scrollToBottom();
}

void HistoryWindow::recallrow(int row)
{
    if (row >= 0 && row < static_cast<int>(m_entries.size()) && m_recall)
        m_recall(entry(row).serial);
}

bool HistoryWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            recallrow(m_list->currentRow());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void HistoryWindow::copyexpression(int row) const
{
    QGuiApplication::clipboard()->setText(text(entry(row).expression));
}

void HistoryWindow::copyresult(int row) const
{
    QGuiApplication::clipboard()->setText(text(entry(row).copy));
}

void HistoryWindow::contextmenu(const QPoint& position)
{
    QListWidgetItem* item = m_list->itemAt(position);
    if (item == nullptr)
        return;
    const int row = m_list->row(item);
    QMenu menu(this);
    QAction* expression = menu.addAction(QStringLiteral("Copy &Expression"));
    expression->setToolTip(QStringLiteral("Copy the keys of the calculation as an expression"));
    QAction* result = menu.addAction(QStringLiteral("Copy &Result"));
    result->setToolTip(QStringLiteral("Copy the result without group separators"));
    menu.setToolTipsVisible(true);
    QAction* chosen = menu.exec(m_list->viewport()->mapToGlobal(position));
    if (chosen == expression)
        copyexpression(row);
    else if (chosen == result)
        copyresult(row);
}

void HistoryWindow::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (m_hidden)
        m_hidden();
}
