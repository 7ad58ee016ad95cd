#pragma once

#include "run_folder/run_folder.h"

// What a report judges: a history, and what it is.
enum class HistoryKind {
    plainRun,        // the program's run, as kolvane_zpa wrote it
    refinedHistory,  // the program's run with its wavelets refined after it
    measuredRecord,  // what the shaker played, as the control accelerometer measured it
    drive,           // a history corrected from a measured shot, to be played next
};

struct JudgedHistory {
    HistoryKind kind = HistoryKind::plainRun;
    RunFolder folder;  // the run's files, as read or as held in memory
};
