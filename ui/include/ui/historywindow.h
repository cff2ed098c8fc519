// View > History: a window beside the calculator that lists the
// calculations finished in this session, as the engine recorded them (the
// keys as an expression, the result as the display showed it). Enter or a
// double click on an entry asks for its result to be the current value;
// its context menu copies the expression or the result.
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "calc/history.h"

class QListWidget;

class HistoryWindow : public QDialog {
public:
    using Recall = std::function<void(std::uint64_t serial)>;

    // `recall` is asked for an entry's result; `hidden` is told when the
    // window closes, however it was closed.
    HistoryWindow(Recall recall, std::function<void()> hidden, QWidget* parent);

    // Shows the entries of `list`: those no longer in it go, new ones are
    // added at the end. Nothing when it is the list shown.
    void showhistory(const std::shared_ptr<const historylist>& list);

    QListWidget* list() const { return m_list; }
    // The entry of a row of the list.
    const historyentry& entry(int row) const { return *m_entries[static_cast<std::size_t>(row)]; }
    void copyexpression(int row) const;
    void copyresult(int row) const;

protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Recall m_recall;
    std::function<void()> m_hidden;
    QListWidget* m_list = nullptr;
    // The entries in the order of the rows.
    std::vector<std::shared_ptr<const historyentry>> m_entries;
    std::shared_ptr<const historylist> m_shown;

    void contextmenu(const QPoint& position);
    void recallrow(int row);
};
