#pragma once

#include "results/run_record.h"
#include "run_folder/run_folder.h"

// What a report judges: a history, and what it is.
struct JudgedHistory {
    HistoryKind kind = HistoryKind::plainRun;
    RunFolder folder;  // the run's files, as read or as held in memory
};
