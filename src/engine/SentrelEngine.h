#pragma once

#include "engine/EngineServices.h"
#include "engine/MainView.h"
#include "engine/SentrelState.h"
#include "engine/TableSearch.h"
#include "engine/mSentrel.h"

#include <QString>

#include <functional>

namespace orvane {

// The logic behind the main window fSentrel, free of widgets: start-up, the
// buttons that open the maintenance windows and the timer's tick.
class SentrelEngine {
public:
    SentrelEngine(mSentrel& module, MainView& view, EngineServices services);

    // The window's load step. False when the program has been ended.
    bool formLoad(bool anotherCopyRunning, const QString& programDir);

    // "&URL's" and "&Properties".
    void command2Click();
    void command3Click();

    // One tick of Timer1.
    void timer1Timer();

    // MailIt: mails the alert of kind CType for the current watch entry.
    Status mailIt(qint16 CType);
    // DoTableSearch over NewContent and the current row of WatchRecordset;
    // sends the no-table alert (kind 4) itself while that row is current.
    Result<TableSearch::Verdict> doTableSearch();
    const CellPieceList& cellPieces() const { return CellPieces; }

    SentrelState& state() { return state_; }
    const SentrelState& state() const { return state_; }

private:
    void openMaintenance(MainView::Maintenance window);
    void fatal(const QString& title, const QString& text);
    void readSettings();

    mSentrel& module_;
    MainView& view_;
    EngineServices services_;
    SentrelState state_;
    CellPieceList CellPieces; // only the table search uses it
};

} // namespace orvane
